// Shared set-up for native-interface tests: console defaults, captured
// messages, and a recovery handler that turns a raised run-time error into a
// kj::vm::RunError exception the test can expect.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <kj80x.h>

#include "api/host.h"
#include "lib/arg_checks.h"
#include "value/value.h"
#include "vm/run_error.h"

namespace kj::test {

inline std::vector<std::string>& captured() {
    static std::vector<std::string> lines;
    return lines;
}

class NativeTest : public ::testing::Test {
protected:
    void SetUp() override {
        host::install_default_callbacks();
        SetKjMessage([](const char* t) { captured().emplace_back(t); });
        SetKjRunMessage([](const char* t) { captured().emplace_back(t); });
        host::state().recovery = [](int code) { throw vm::RunError{code}; };
        captured().clear();
        lib::set_current_function("f");
    }
    void TearDown() override {
        host::state().recovery = nullptr;
        host::install_default_callbacks();
        lib::set_current_function(nullptr);
    }
    // The code of the run-time error `fn` raises, or -1 when it returns.
    template <class Fn>
    static int raised(Fn&& fn) {
        try {
            fn();
        } catch (const vm::RunError& e) {
            return e.code;
        }
        return -1;
    }
    static std::string first_message() { return captured().empty() ? "" : captured().front(); }
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
