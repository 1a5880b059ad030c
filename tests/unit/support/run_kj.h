// Runs a whole Kj program through the console program in a child process, so
// that a crash shows as a status instead of ending the test binary.
#pragma once

#include <string>

namespace kj::test {

struct ProgramRun {
    std::string output;  // standard output and standard error, in order
    int status = -1;     // exit status, or 128 + signal number
    // A signal, or a sanitizer report (which ends the child with status 1).
    bool crashed() const {
        return status >= 128 || output.find("AddressSanitizer") != std::string::npos ||
               output.find("runtime error:") != std::string::npos;
    }
};

// `source` is written to a fresh file and run with `kj -b`; a run longer
// than timeout_seconds (four times that in a sanitized build) is stopped
// (status 128 + SIGKILL).
ProgramRun run_kj(const std::string& source, int timeout_seconds = 60);

// The source of a program whose main holds `body`, with the standard header.
std::string program(const std::string& body, const std::string& before_main = "");

}  // namespace kj::test
