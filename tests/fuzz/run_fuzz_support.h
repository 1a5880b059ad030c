// What the fuzz targets that run whole programs share: silent callbacks, a
// watchdog that aborts long runs, and one run of the driver on a file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kj::fuzz {

// Once per process: messages and output discarded, no input, the watchdog started.
void prepare_runs();

// Writes the bytes to `name` in a private temporary folder (its extension
// chooses source or object file)
// and runs the driver on it as "kj -b name". Inputs that name shell commands
// or device files are skipped.
void run_file(const std::uint8_t* data, std::size_t size, const char* name);

// Runs text in a fresh interactive session (KjSessionStart, KjSessionRun with
// its value kept, KjSessionEnd), under the watchdog. Texts that name shell
// commands or device files are skipped.
void run_session_text(const std::string& text);

}  // namespace kj::fuzz
