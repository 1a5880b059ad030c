// What the debugger and the interactive prompt share: showing variables and
// all symbols, and compiling typed statements to run inside a frame of the
// main engine.
#pragma once

#include <string>
#include <vector>

#include "api/symbol_dump.h"

namespace kj::api {

// "?name" and "#show name": a variable of the frame, "this", or a global.
// False (with a message) for an expression or an unknown name.
bool show_variable(const FrameSlots& frame, const std::string& name, bool full);
// "??", "#show all", "#show full": globals (debugger's view) and the frame's
// named slots, or "no symbols defined".
void show_all(const FrameSlots& frame, bool full);

// "#help topic": the reference entry of a function, or the names of a family
// of functions; "#apropos word": the functions whose entry mentions the word,
// each with the first sentence of its description.
void show_help(const std::string& topic);
void show_apropos(const std::string& word);

// The names of the frame the prompt shows (set by the running session, empty
// outside one), for completion.
void set_prompt_names(std::vector<std::string> names);
const std::vector<std::string>& prompt_names();

// Where typed statements run: the frame's names, the first free slot, the
// slot limit, and whether the code reserves its new locals itself.
struct StatementFrame {
    FrameSlots slots;
    int first_free = 0;
    int limit = 0;
    bool reserve = false;
};
// Compiles text as statements of the frame and runs them on the main engine,
// whose registers are restored afterwards. Compile and link errors drop the
// code and every symbol the compilation added. Returns the locals the
// statements declared at their outer level (for a frame that keeps them); ok
// is false after any error.
std::vector<compiler::FrameName> run_statements(const std::string& text, const StatementFrame& frame, bool& ok);

}  // namespace kj::api
