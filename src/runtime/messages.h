// The three text channels to the host: compiler and linker messages, run-time
// messages, and program output. The exported KjMessage, KjRunMessage and
// KjPuts wrap these; code inside the library calls these directly.
#pragma once

namespace kj::runtime {

// Compiler, linker and driver messages (nothing below print level 0).
void message(const char* text);
// Run-time errors and warnings (nothing below print level 0).
void run_message(const char* text);
// Program output: through the host's puts callback when an output pipe is
// set, else to standard output (nothing below print level 1).
void puts(const char* text);

}  // namespace kj::runtime
