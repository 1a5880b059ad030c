// Operating-system commands in a new process, without a shell: the command
// line is split into words and the first word is looked up on PATH.
#pragma once

#include <string>
#include <vector>

namespace kj::platform {

// Words of a command line: blanks separate words; double quotes group blanks
// into a word and are removed; a backslash before a double quote gives the
// quote itself.
std::vector<std::string> split_command_line(const std::string& command);

// Runs the command with the standard handles of this process and waits for it.
// Returns its exit status (128 + the signal number when a signal ended it), or
// −1 when it could not be started (an empty command included).
int run_command(const std::string& command);

}  // namespace kj::platform
