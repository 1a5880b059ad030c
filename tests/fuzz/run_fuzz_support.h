// What the fuzz targets that run whole programs share: silent callbacks and
// one run of the driver on a file, in a child process with a time limit, so
// that a run that crashes is a finding and one that does not end is not.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kj::fuzz {

// Once per process: messages and output discarded, no input, the runtime
// initialised (each child starts from that state).
void prepare_runs();

// Writes the bytes to `name` in a private temporary folder (its extension
// chooses source or object file) and runs the driver on it as "kj -b name" in
// a child process working in that folder, with a smaller allocation limit.
// The child's coverage joins this process's; a child that takes more than a
// second of processor time (or 20 s in all) is stopped, one that dies of
// another signal or a sanitizer report aborts this process. Inputs that name
// shell commands or device files are skipped.
void run_file(const std::uint8_t* data, std::size_t size, const char* name);

// Runs text in a fresh interactive session (KjSessionStart, KjSessionRun with
// its value kept, KjSessionEnd) in a child process, as run_file runs a file.
// Texts that name shell commands or device files are skipped.
void run_session_text(const std::string& text);

}  // namespace kj::fuzz
