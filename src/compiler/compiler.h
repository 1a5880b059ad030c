// The compiler's entry points: compiling the opened source as one unit into
// the process-wide code image, literal table and symbol table.
#pragma once

#include <string>

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

// Resets the per-process compiler state (array base, counters, namespace).
void reset_compiler_state();

// Hooks the linker installs: registering an import named by #import (a name
// starting with "gauss::" names a GAUSS module) and linking a "+"-separated
// list of object files for #pragma link (returns its error count).
struct LinkHooks {
    void (*register_import)(const char* name, bool gauss) = nullptr;
    int (*link_list)(const char* list) = nullptr;
};
LinkHooks& link_hooks();

// Imports recorded while no linker hook was installed.
const std::string& recorded_imports();

}  // namespace kj::compiler
