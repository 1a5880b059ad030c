// The console's prompt input: on a terminal, the debugger's and the
// interactive mode's prompt lines are read through a line editor (history
// kept in ~/.kj_history between sessions, a statement of several lines one
// entry, cursor movement and editing, tab completion of names), installed as
// the library's input callback; without a terminal the library reads
// standard input line by line itself.
#pragma once

namespace kj::console {

// True when the arguments ask for the debugger or the interactive mode (-d,
// -i, or no file name).
bool wants_prompt(int argc, char** argv);

// True when the interactive mode reads a script piped in: standard input is
// not a terminal (no prompts, no banner unless -v asks for it).
bool reads_script(int argc, char** argv);

// Installs the line editor when standard input and output are terminals,
// with the character set of the terminal's locale (UTF-8 for "C").
void install_line_editor();
// Writes the history file (nothing when the editor is not installed).
void save_history();

// Ctrl-C interrupts the running statement (the debugger stops at the next
// line) instead of ending the process.
void install_interrupt();

}  // namespace kj::console
