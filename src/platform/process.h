// Operating-system commands in a new process, run by the shell.
#pragma once

#include <string>

namespace kj::platform {

// Runs the command line through "/bin/sh -c", so that pipes, redirections and
// quoting work as in a shell, with the standard handles of this process, and
// waits for it. Returns its exit status (128 + the signal number when a signal
// ended it; 127 from the shell when the command is not found), or -1 when the
// shell could not be started or the command is blank.
int run_command(const std::string& command);

}  // namespace kj::platform
