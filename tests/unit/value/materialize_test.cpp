#include <gtest/gtest.h>

#include <cmath>

#include "support/capture.h"
#include "runtime/alloc.h"
#include "value/value.h"

namespace kv = kj::value;
using kv::Value;

namespace {
// A "vector" over an owned r x c matrix holding 0, 1, 2, ...
Value vector_of(int r, int c) {
    Value v = kv::make_int(0);
    kv::set_matrix(v, r, c);
    for (int i = 0; i < r * c; ++i) v.u.mat.m[0][i] = i;
    v.type = (v.type & ~KJ_TYPE_MASK) | kv::T_Vector;
    return v;
}
Value with_range(Value v, int first, int last) {
    v.type |= kv::k_idx_range;
    v.u.mat.idx.i[0] = first;
    v.u.mat.idx.i[1] = last;
    return v;
}
Value with_index_matrix(Value v, std::initializer_list<double> idx) {
    auto* rec = static_cast<Value*>(kj::runtime::raw_alloc(sizeof(Value)));
    *rec = kv::make_int(0);
    kv::set_matrix(*rec, 1, static_cast<int>(idx.size()));
    int k = 0;
    for (double x : idx) rec->u.mat.m[0][k++] = x;
    v.type |= kv::k_idx_value;
    v.u.mat.idx.v = rec;
    return v;
}
}  // namespace

TEST(Materialize, ShapesAndTheVectorWarning) {
    const struct {
        const char* name;
        int r, c, first, last;
        int out_r, out_c;
        bool warns;
    } cases[] = {
        {"row vector, partial range", 1, 5, 1, 3, 1, 3, false},
        {"column vector, open range", 5, 1, 2, KJ_RANGE_OPEN, 3, 1, false},
        {"3x3, partial range", 3, 3, 0, 4, 5, 1, true},
        {"3x3, full range", 3, 3, 0, KJ_RANGE_OPEN, 9, 1, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        kj::test::CaptureScope scope;
        Value v = with_range(vector_of(c.r, c.c), c.first, c.last);
        kv::materialize(v);
        EXPECT_EQ(kv::type_of(v), kv::T_Matrix);
        EXPECT_EQ(v.u.mat.r, c.out_r);
        EXPECT_EQ(v.u.mat.c, c.out_c);
        EXPECT_EQ(v.u.mat.m[0][0], c.first);
        EXPECT_EQ(kj::test::captured().run_messages.size(), c.warns ? 1u : 0u);
        if (c.warns) {
            EXPECT_EQ(kj::test::captured().run_messages[0], "Warning: indexed a matrix as a vector");
        }
        kv::release(v);
    }
}

TEST(Materialize, SingleIndexAndIndexMatrix) {
    kj::test::CaptureScope scope;
    Value v = vector_of(1, 4);
    v.u.mat.idx.i[0] = 2;
    kv::materialize(v);
    EXPECT_EQ(kv::type_of(v), kv::T_Double);
    EXPECT_EQ(v.u.dval, 2);

    Value w = with_index_matrix(vector_of(4, 1), {3.7, 0, 3});
    kv::materialize(w);
    ASSERT_EQ(w.u.mat.r, 3);
    EXPECT_EQ(w.u.mat.c, 1);
    EXPECT_EQ(w.u.mat.m[0][0], 3);  // indices are truncated
    EXPECT_EQ(w.u.mat.m[2][0], 3);
    kv::release(w);
}

TEST(Materialize, IndexErrors) {
    const struct {
        const char* name;
        Value v;
        const char* message;
    } cases[] = {
        {"single", [] { Value v = vector_of(2, 3); v.u.mat.idx.i[0] = 6; return v; }(),
         "Runtime error: '[6] in matrix[2][3]' index out of range"},
        {"range past end", with_range(vector_of(1, 3), 1, 3),
         "Runtime error: '[1 : 3] in matrix[1][3]' invalid index range"},
        {"reversed range", with_range(vector_of(1, 3), 2, 1),
         "Runtime error: '[2 : 1] in matrix[1][3]' invalid index range"},
        {"index matrix", with_index_matrix(vector_of(1, 3), {0, -1}),
         "Runtime error: '[-1] in matrix[1][3]' index out of range"},
    };
    for (auto c : cases) {
        SCOPED_TRACE(c.name);
        kj::test::CaptureScope scope;
        EXPECT_THROW(kv::materialize(c.v), kj::runtime::RunError);
        ASSERT_FALSE(kj::test::captured().run_messages.empty());
        EXPECT_EQ(kj::test::captured().run_messages.back(), c.message);
        kv::release(c.v);  // the unwinding owner releases what is left
    }
}

TEST(Truth, ByType) {
    Value m0 = kv::make_int(0);
    kv::set_matrix(m0, 0, 0);
    Value zero = kv::make_int(0);
    kv::set_matrix_zero(zero, 1, 1);
    Value nan = kv::make_int(0);
    kv::set_matrix(nan, 1, 1);
    nan.u.mat.m[0][0] = std::nan("");
    Value ones = kv::make_int(0);
    kv::set_matrix(ones, 2, 2);
    for (int i = 0; i < 4; ++i) ones.u.mat.m[0][i] = 1;
    Value empty_string = kv::make_int(0);
    kv::set_string(empty_string, "", 0);
    Value empty_array = kv::make_int(0);
    kv::set_array(empty_array, 0);
    const struct {
        const char* name;
        Value v;
        bool truth;
    } cases[] = {
        {"int 0", kv::make_int(0), false},     {"int 3", kv::make_int(3), true},
        {"NaN", kv::make_double(std::nan("")), false}, {"double 0.5", kv::make_double(0.5), true},
        {"no value", kv::make_null(), false},  {"0x0 matrix", m0, false},
        {"1x1 zero", zero, false},             {"1x1 NaN", nan, false},
        {"2x2 ones", ones, true},              {"empty string", empty_string, true},
        {"empty array", empty_array, false},
    };
    for (auto c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(kv::truth(c.v), c.truth);
    }
    for (Value* v : {&m0, &zero, &nan, &ones, &empty_string, &empty_array}) kv::release(*v);
}
