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
    RunCapture() : m_saved(host::state()) {
        auto& h = host::state();
        h.run_message_fn = [](const char* text) { messages() += std::string(text) + "\n"; };
        h.exit_fn = [](int) {};
        h.recovery = [](int code) { throw vm::RunError{code}; };
        h.print_level = 1;
        messages().clear();
    }
    ~RunCapture() {
        auto& h = host::state();
        h.run_message_fn = m_saved.run_message_fn;
        h.exit_fn = m_saved.exit_fn;
        h.recovery = m_saved.recovery;
        h.print_level = m_saved.print_level;
    }
    static std::string& messages() {
        static std::string text;
        return text;
    }

private:
    host::HostState m_saved;
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
        host::flush();
        return text_buffer();
    }

private:
    static std::string& text_buffer() {
        static std::string t;
        return t;
    }
};

// A registration row as it should be: name, declared parameters (all const),
// variable arguments.
struct ExpectedEntry {
    const char* name;
    int params;
    int varargs;
};

inline void expect_rows(std::span<const lib::DescriptorRow> rows, std::span<const ExpectedEntry> expected) {
    ASSERT_EQ(rows.size(), expected.size());
    for (std::size_t k = 0; k < rows.size(); ++k) {
        const std::string desc = rows[k].descriptor;
        const std::size_t dollar = desc.find('$');
        SCOPED_TRACE(desc);
        EXPECT_EQ(desc.substr(dollar + 1), expected[k].name);
        EXPECT_EQ(static_cast<int>(dollar), expected[k].params);
        EXPECT_EQ(desc.find_first_not_of('c'), dollar);
        EXPECT_EQ(rows[k].varargs, expected[k].varargs);
        EXPECT_NE(rows[k].fn, nullptr);
    }
}

inline void expect_rows(std::span<const lib::NamedRow> rows, std::span<const ExpectedEntry> expected,
                        uint32_t flags) {
    ASSERT_EQ(rows.size(), expected.size());
    for (std::size_t k = 0; k < rows.size(); ++k) {
        SCOPED_TRACE(rows[k].name);
        EXPECT_STREQ(rows[k].name, expected[k].name);
        EXPECT_EQ(rows[k].count, expected[k].params);
        EXPECT_EQ(rows[k].flags, flags | (expected[k].varargs ? lib::k_varargs : 0));
        EXPECT_NE(rows[k].fn, nullptr);
    }
}

}  // namespace kj::test
