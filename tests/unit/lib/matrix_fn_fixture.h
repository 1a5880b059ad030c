// Test support for the matrix built-ins: calls a native by its registered
// name with owned argument records and checks matrix results element by
// element (NaN equals NaN) or the exact error message.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <span>
#include <string>
#include <vector>

#include "io/value_fixture.h"
#include "lib/arg_checks.h"
#include "link/function_table.h"
#include "value/value.h"

namespace kj::test {

struct MatrixCase {
    const char* fn;
    std::vector<value::Value> args;  // released by the check
    int r, c;
    std::vector<double> want;        // row by row
};

class MatrixFnTest : public testing::Test {
protected:
    RunCapture run;
    Owned result;

    explicit MatrixFnTest(std::span<const lib::DescriptorRow> rows) : m_rows(rows) {}

    // Calls fn with the records (which are released afterwards); the result
    // stays in `result`.
    void call(const char* fn, std::vector<value::Value> args) {
        struct Release {
            std::vector<value::Value>& v;
            ~Release() {
                for (value::Value& x : v) value::release(x);
            }
        } release{args};
        const lib::DescriptorRow* row = find(fn);
        ASSERT_NE(row, nullptr) << fn;
        lib::set_current_function(fn);
        row->fn(&result.v, args.data(), static_cast<int>(args.size()));
    }

    void expect_matrix(int r, int c, const std::vector<double>& want, double tol = 0) {
        ASSERT_EQ(value::type_of(result.v), value::T_Matrix) << value::describe(result.v);
        ASSERT_EQ(result.v.u.mat.r, r);
        ASSERT_EQ(result.v.u.mat.c, c);
        ASSERT_EQ(want.size(), static_cast<std::size_t>(r) * c);
        for (std::size_t k = 0; k < want.size(); ++k) {
            const double got = result.v.u.mat.m[0][k];
            if (std::isnan(want[k])) {
                EXPECT_TRUE(std::isnan(got)) << "element " << k << " is " << got;
            } else {
                EXPECT_NEAR(got, want[k], tol) << "element " << k;
            }
        }
    }

    void check(const std::vector<MatrixCase>& cases, double tol = 1e-12) {
        for (const MatrixCase& c : cases) {
            SCOPED_TRACE(c.fn);
            call(c.fn, c.args);
            expect_matrix(c.r, c.c, c.want, tol);
        }
    }

    // The call raises `code`, reporting "fn(): " + message first (when given).
    void expect_error(const char* fn, std::vector<value::Value> args, int code, const std::string& message) {
        SCOPED_TRACE(fn);
        RunCapture::messages().clear();
        int raised = -1;
        try {
            call(fn, std::move(args));
        } catch (const runtime::RunError& e) {
            raised = e.code;
        }
        EXPECT_EQ(raised, code);
        const std::string line = std::string(fn) + "(): " + message + "\n";
        if (!message.empty()) {
            EXPECT_EQ(RunCapture::messages().substr(0, line.size()), line);
        }
    }

private:
    const lib::DescriptorRow* find(const char* fn) const {
        for (const lib::DescriptorRow& row : m_rows)
            if (link::descriptor_name(row.descriptor) == fn) return &row;
        return nullptr;
    }
    std::span<const lib::DescriptorRow> m_rows;
};

constexpr double k_nan = std::numeric_limits<double>::quiet_NaN();

inline value::Value num(double x) { return value::make_double(x); }
inline value::Value int_value(int i) { return value::make_int(i); }

}  // namespace kj::test
