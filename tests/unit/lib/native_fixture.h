// Shared set-up for native-interface tests: console defaults, captured
// messages, and a recovery handler that turns a raised run-time error into a
// kj::runtime::RunError exception the test can expect.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include <kj80x.h>

#include "lib/arg_checks.h"
#include "support/capture.h"
#include "value/value.h"
#include "runtime/run_error.h"

namespace kj::test {

// Each test runs inside a capture scope (see support/capture.h) with the
// current native function named "f".
class NativeTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_scope = std::make_unique<CaptureScope>();
        lib::set_current_function("f");
    }
    void TearDown() override {
        lib::set_current_function(nullptr);
        m_scope.reset();
    }
    // The code of the run-time error `fn` raises, or -1 when it returns.
    template <class Fn>
    static int raised(Fn&& fn) {
        try {
            fn();
        } catch (const runtime::RunError& e) {
            return e.code;
        }
        return -1;
    }
    static std::vector<std::string>& run_messages() { return captured().run_messages; }
    static std::vector<std::string>& messages() { return captured().messages; }
    static std::string first_run_message() { return run_messages().empty() ? "" : run_messages().front(); }
    static std::string first_message() { return messages().empty() ? "" : messages().front(); }
    static void clear() { captured() = Captured{}; }

private:
    std::unique_ptr<CaptureScope> m_scope;
};

// Matrix record (owned) filled row by row.
inline value::Value matrix(int r, int c, std::initializer_list<double> rowwise = {}) {
    value::Value v = value::make_int(0);
    value::set_matrix_zero(v, r, c);
    int k = 0;
    for (double x : rowwise) v.u.mat.m[0][k++] = x;
    return v;
}

inline value::Value string_value(const char* s) {
    value::Value v = value::make_int(0);
    KjValSetString(&v, s);
    return v;
}

// An argument array whose records are released with it.
struct Args {
    std::vector<value::Value> v;
    Args(std::initializer_list<value::Value> values) : v(values) {}
    ~Args() {
        for (value::Value& x : v) value::release(x);
    }
    value::Value* data() { return v.data(); }
    value::Value& operator[](std::size_t i) { return v[i]; }
};

}  // namespace kj::test
