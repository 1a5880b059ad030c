// Shared by the operator and indexing tests: a small value stack, record
// builders, captured run-time messages, and a recovery handler that turns a
// run-time error into a RunError exception (there is no run boundary here).
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <string>
#include <vector>

#include <kj80x.h>

#include "runtime/host.h"
#include "value/value.h"
#include "vm/operators.h"
#include "runtime/run_error.h"

namespace kj::test {

using value::Value;

inline std::vector<std::string>& run_messages() {
    static std::vector<std::string> m;
    return m;
}

class OperatorTest : public ::testing::Test {
protected:
    Value stack[16]{};
    Value* sp = stack - 1;

    void SetUp() override {
        run_messages().clear();
        runtime::error_reporter().unwind = [](int code) { throw runtime::RunError{code}; };
        SetKjRunMessage([](const char* text) { run_messages().push_back(text); });
        SetKjExit([](int) {});
        runtime::set_warning_mask(127);
    }
    void TearDown() override {
        for (Value* v = stack; v <= sp; ++v) value::release(*v);
        runtime::error_reporter().unwind = nullptr;
        SetKjRunMessage(nullptr);
        SetKjExit(nullptr);
    }

    // --- builders (owned records unless said) ---
    static Value i(int x) { return value::make_int(x); }
    static Value d(double x) { return value::make_double(x); }
    static Value mat(int r, int c, std::initializer_list<double> xs = {}) {
        Value v{};
        value::set_matrix_zero(v, r, c);
        int k = 0;
        for (double x : xs) v.u.mat.m[0][k++] = x;
        return v;
    }
    static Value str(const std::string& s) {
        Value v{};
        value::set_string(v, s);
        return v;
    }
    static Value range(int first, int last) {
        Value v{};
        v.type = value::T_Range;
        v.u.rng.first = first;
        v.u.rng.last = last;
        return v;
    }
    static Value alias(const Value& v) {
        Value a = v;
        a.type &= ~value::k_owns;
        return a;
    }

    // --- stack ---
    void push(const Value& v) { *++sp = v; }
    int depth() const { return static_cast<int>(sp - stack) + 1; }
    // Pops the top into the caller's hands (the caller releases it).
    Value pop() { return *sp--; }

    Value binary(int code, const Value& l, const Value& r) {
        push(l);
        push(r);
        const int before = depth();
        vm::apply_operator(code, sp);
        EXPECT_EQ(depth(), before - 1);
        return pop();
    }
    Value unary(int code, const Value& v) {
        push(v);
        vm::apply_operator(code, sp);
        return pop();
    }

    // --- inspection ---
    static std::vector<double> elements(const Value& v) {
        std::vector<double> out;
        if (value::type_of(v) != value::T_Matrix) return out;
        for (int k = 0; k < v.u.mat.r * v.u.mat.c; ++k) out.push_back(v.u.mat.m[0][k]);
        return out;
    }
    static std::string text(const Value& v) {
        return v.u.str.len ? std::string(v.u.str.s, static_cast<std::size_t>(v.u.str.len)) : std::string();
    }
    static std::string last_message() { return run_messages().empty() ? "" : run_messages().back(); }
    static std::string error_line(const std::string& item, const char* message) {
        return "Runtime error: " + (item.empty() ? std::string() : "'" + item + "' ") + message;
    }

    // A binary operator whose result is a matrix of the given shape and elements.
    struct MatrixCase {
        const char* name;
        int code;
        Value l, r;
        int rows, cols;
        std::vector<double> expect;
        const char* message = "";  // the last run-time message, "" for none
    };
    template <std::size_t N>
    void expect_matrices(const MatrixCase (&cases)[N], double tolerance = 0) {
        for (const auto& c : cases) {
            SCOPED_TRACE(c.name);
            run_messages().clear();
            const Value res = binary(c.code, c.l, c.r);
            const std::vector<double> got = elements(res);
            EXPECT_EQ(value::type_of(res), value::T_Matrix);
            EXPECT_TRUE(value::owns(res));
            EXPECT_EQ(res.u.mat.r, c.rows);
            EXPECT_EQ(res.u.mat.c, c.cols);
            EXPECT_EQ(last_message(), c.message);
            Value done = res;
            value::release(done);
            ASSERT_EQ(got.size(), c.expect.size());
            for (std::size_t k = 0; k < got.size(); ++k) EXPECT_NEAR(got[k], c.expect[k], tolerance) << k;
        }
    }

    // Runs `op` on the prepared stack, expects a run-time error with `message`
    // and releases what is left on the stack, as the run boundary would.
    template <class Op>
    void expect_failure(Op op, const std::string& message) {
        EXPECT_THROW(op(), runtime::RunError);
        EXPECT_EQ(last_message(), message);
        while (sp >= stack) value::release(*sp--);
    }
};

// A record the test owns until the end of the scope.
struct Held {
    Value v;
    explicit Held(const Value& x) : v(x) {}
    ~Held() { value::release(v); }
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;
};

}  // namespace kj::test
