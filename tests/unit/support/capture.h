// Test support: captures the text that reaches the host callbacks, and turns
// the run-time error unwinding into a catchable exception outside a run.
#pragma once

#include <string>
#include <vector>

#include <kj80x.h>

#include "runtime/host.h"
#include "runtime/run_error.h"

namespace kj::test {

struct Captured {
    std::vector<std::string> messages;      // KjMessage
    std::vector<std::string> run_messages;  // KjRunMessage
    std::string puts;                        // KjPuts through the output pipe
    std::vector<int> exit_codes;
};

Captured& captured();

// Installs capturing callbacks and an unwinding that throws RunError;
// restores the previous host state and error reporter on destruction.
class CaptureScope {
public:
    CaptureScope();
    ~CaptureScope();
    CaptureScope(const CaptureScope&) = delete;
    CaptureScope& operator=(const CaptureScope&) = delete;

private:
    runtime::HostState m_saved;
    runtime::ErrorReporter m_saved_reporter;
};

}  // namespace kj::test
