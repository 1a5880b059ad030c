// Reading what the user types at the prompt of the debugger and of the
// interactive mode: whole lines through the host's input channel, statements
// that continue over several lines, and operating-system commands.
#pragma once

#include <string>

namespace kj::api {

// Prints the prompt (through the program output, flushed) and reads one line
// without its line end. False at the end of input.
bool read_prompt_line(const char* prompt, std::string& line);

// True when the text is a statement still open: an unclosed bracket, brace
// or parenthesis, an unterminated string or comment, or a last character that
// needs an operand after it (an operator but ">", or a comma).
bool statement_continues(const std::string& text);

// A bare expression: text without a final ";" or "}", not starting with a
// keyword of a statement, with no assignment at its outer level.
bool is_bare_expression(const std::string& text);

// What runs for the typed text: a bare expression is printed; a statement
// may leave out its final ";".
std::string statement_text(const std::string& text);

// "!command": "cd dir" changes the working directory, anything else runs
// through the shell.
void operating_system_command(const std::string& command);

std::string trim(const std::string& s);

}  // namespace kj::api
