// The compiler's entry points: compiling the opened source as one unit into
// the process-wide code image, literal table and symbol table.
#pragma once

#include <string>
#include <vector>

namespace kj::compiler {

// Compiles the source the scanner has open, up to <eof>. Returns the number
// of errors (compiler and scanner). The scanner stays open.
int compile_unit();

// Compiles a source file as a unit of its own (an imported module): opens
// it, compiles it in the given dialect and closes it. Returns the error
// count, 1 when the file does not open. Fits the linker's source-compiler hook.
int compile_source_file(const char* path, bool gauss);

// An empty main for interactive mode.
void create_interactive_main();

// Interactive compilation. While the switch is on, an unknown name followed
// by "=" (or standing alone as a target of a multiple assignment) becomes a
// new local of the function being compiled, the command, instead of an
// undeclared identifier; and a command has at most k_interactive_locals
// local slots (hidden temporaries included), code 60 beyond. The driver's
// interactive setting does not turn it on: the source compiled before the
// prompt appears is an ordinary unit.
//
// The frame of a command is reserved before the command runs and the stack
// above it is in use while it runs, so its size is fixed in advance: 64
// records are plenty for what is typed at a prompt and stay a small part of
// the default stack of 1256 records.
constexpr int k_interactive_locals = 64;
void set_interactive_compilation(bool on);
bool interactive_compilation();

// Compiles the statements of the opened source up to <eof> as one command:
// the body of a function without parameters named `name` (a function of that
// name compiled earlier is replaced), with the switch above on. Returns the
// number of errors (compiler and scanner). The scanner stays open.
int compile_command(const std::string& name);

// A name of a running frame: an argument (slot from the argument base) or a
// local (slot from the frame base).
struct FrameName {
    std::string name;
    int slot;
    bool arg;
};
struct FrameCommand {
    int start = -1;    // first instruction; the code ends with EXT
    int errors = 0;
    int reserved = 0;  // slots the leading INT pushes (reserve only)
    std::vector<FrameName> added;  // locals the command declared at its outer level
};
// Compiles the statements of the opened source up to <eof> as code that runs
// inside an existing frame whose names are `names`; new locals take slots
// from first_free on, at most `limit` (code 60 beyond). With reserve, the
// code begins with an INT that pushes the slots of its new locals (the frame
// of a stopped function, whose stack top lies at first_free - 1); without,
// the slots up to limit exist already (the frame of the interactive prompt).
// cls: the class of a member function's frame (its members and `this` are
// visible), -1 for none. The scanner stays open.
FrameCommand compile_frame_command(const std::vector<FrameName>& names, int first_free, int limit, bool reserve,
                                   int cls = -1);

// Definitions typed at the prompt. While on, a unit may define again what an
// earlier one defined: a function or member function takes its new body (the
// calls compiled before reach it through the symbol they name), a class
// declared again with other members replaces the old one under its name
// (objects made before keep theirs), and a global declared again starts from
// its new initial value.
void set_redefinition(bool on);

// Resets the per-process compiler state (array base, counters, namespace).
void reset_compiler_state();


}  // namespace kj::compiler
