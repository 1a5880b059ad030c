// Shared set-up for the selection, sorting, set, string and type built-in
// tests: a result record, calls by native function, and checks of matrix,
// string-array and error results.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <limits>
#include <string>
#include <vector>

#include "native_fixture.h"

namespace kj::test {

constexpr double k_nan = std::numeric_limits<double>::quiet_NaN();

// An owned array of strings.
inline value::Value strings(std::initializer_list<const char*> items) {
    value::Value v = value::make_int(0);
    value::set_array(v, static_cast<int>(items.size()));
    int k = 0;
    for (const char* s : items) KjValSetString(&v.u.arr.v[k++], s);
    return v;
}

// An owned array holding the given records.
inline value::Value array_of(std::initializer_list<value::Value> items) {
    value::Value v = value::make_int(0);
    value::set_array(v, static_cast<int>(items.size()));
    int k = 0;
    for (const value::Value& x : items) v.u.arr.v[k++] = x;
    return v;
}

// A reference (&x) to *target; releasing it frees nothing.
inline value::Value reference(value::Value* target) {
    value::Value v{};
    v.type = value::T_Array | value::k_address;
    v.u.arr.n = 1;
    v.u.arr.v = target;
    return v;
}

class LibTest : public NativeTest {
protected:
    value::Value result = value::make_int(0);
    void TearDown() override {
        value::release(result);
        NativeTest::TearDown();
    }

    // Calls fn on the argument records (released afterwards) into `result`.
    const value::Value& call(KjNativeFunction fn, std::initializer_list<value::Value> args) {
        Args a(args);
        fn(&result, a.data(), static_cast<int>(a.v.size()));
        return result;
    }

    // The code fn raises under the name `name`, with the first run message.
    int fails(KjNativeFunction fn, const char* name, std::initializer_list<value::Value> args) {
        clear();
        lib::set_current_function(name);
        Args a(args);
        return raised([&] { fn(&result, a.data(), static_cast<int>(a.v.size())); });
    }

    static void expect_int(const value::Value& v, int x) {
        ASSERT_EQ(value::type_of(v), value::T_Int) << value::describe(v);
        EXPECT_EQ(v.u.ival, x);
    }

    // Elements compared exactly, NaN matching NaN.
    static void expect_matrix(const value::Value& v, int r, int c, std::initializer_list<double> rowwise) {
        ASSERT_EQ(value::type_of(v), value::T_Matrix) << value::describe(v);
        ASSERT_EQ(v.u.mat.r, r);
        ASSERT_EQ(v.u.mat.c, c);
        int k = 0;
        for (double x : rowwise) {
            const double y = v.u.mat.m[0][k];
            if (std::isnan(x))
                EXPECT_TRUE(std::isnan(y)) << "element " << k;
            else
                EXPECT_EQ(y, x) << "element " << k;
            ++k;
        }
    }

    static void expect_empty(const value::Value& v) { expect_matrix(v, 0, 0, {}); }

    static void expect_strings(const value::Value& v, std::vector<std::string> items) {
        ASSERT_EQ(value::type_of(v), value::T_Array) << value::describe(v);
        ASSERT_EQ(v.u.arr.n, static_cast<int>(items.size()));
        for (std::size_t k = 0; k < items.size(); ++k) {
            const value::Value& e = v.u.arr.v[k];
            ASSERT_EQ(value::type_of(e), value::T_String);
            EXPECT_EQ(std::string(e.u.str.s ? e.u.str.s : "", static_cast<std::size_t>(e.u.str.len)), items[k]);
        }
    }

    static void expect_string(const value::Value& v, const std::string& s) {
        ASSERT_EQ(value::type_of(v), value::T_String) << value::describe(v);
        EXPECT_EQ(std::string(v.u.str.s ? v.u.str.s : "", static_cast<std::size_t>(v.u.str.len)), s);
    }
};

inline value::Value i(int x) { return value::make_int(x); }
inline value::Value d(double x) { return value::make_double(x); }

}  // namespace kj::test
