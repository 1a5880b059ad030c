// Test support: owned values built from literals, and a run context in which
// run-time errors throw RunError and messages are collected.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <span>
#include <string>
#include <vector>

#include "runtime/host.h"
#include "link/function_table.h"
#include "lib/library_groups.h"
#include "value/value.h"
#include "runtime/run_error.h"

namespace kj::test {

// An owning value record released when it goes out of scope.
struct Owned {
    value::Value v = value::make_int(0);
    Owned() = default;
    explicit Owned(value::Value x) : v(x) {}
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    ~Owned() { value::release(v); }
    value::Value* operator->() { return &v; }
};

inline value::Value matrix(int r, int c, std::initializer_list<double> xs = {}) {
    value::Value v = value::make_int(0);
    value::set_matrix_zero(v, r, c);
    int k = 0;
    for (double x : xs) {
        v.u.mat.m[k / c][k % c] = x;
        ++k;
    }
    return v;
}

inline value::Value string(const std::string& s) {
    value::Value v = value::make_int(0);
    value::set_string(v, s);
    return v;
}

// An owned array whose elements are moved from the given records.
inline value::Value array(std::vector<value::Value> elements) {
    value::Value v = value::make_int(0);
    value::set_array(v, static_cast<int>(elements.size()));
    for (std::size_t i = 0; i < elements.size(); ++i) v.u.arr.v[i] = elements[i];
    return v;
}

// Run-time errors unwind by exception; messages and exit codes are kept.
class RunCapture {
public:
    RunCapture() : m_saved(runtime::state()), m_saved_unwind(runtime::error_reporter().unwind) {
        auto& h = runtime::state();
        h.run_message_fn = [](const char* text) { messages() += std::string(text) + "\n"; };
        h.exit_fn = [](int) {};
        runtime::error_reporter().unwind = [](int code) { throw runtime::RunError{code}; };
        h.print_level = 1;
        messages().clear();
    }
    ~RunCapture() {
        auto& h = runtime::state();
        h.run_message_fn = m_saved.run_message_fn;
        h.exit_fn = m_saved.exit_fn;
        runtime::error_reporter().unwind = m_saved_unwind;
        h.print_level = m_saved.print_level;
    }
    static std::string& messages() {
        static std::string text;
        return text;
    }

private:
    runtime::HostState m_saved;
    void (*m_saved_unwind)(int code);
};

// Program output through the output pipe into a string.
class OutputCapture {
public:
    OutputCapture() {
        SetKjPipe(0);
        SetKjPuts([](const char* text) { text_buffer() += text; });
        text_buffer().clear();
    }
    ~OutputCapture() { SetKjPipe(-1); }
    std::string text() {
        runtime::flush();
        return text_buffer();
    }

private:
    static std::string& text_buffer() {
        static std::string t;
        return t;
    }
};

}  // namespace kj::test
