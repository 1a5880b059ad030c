#include <climits>
#include <cmath>
#include <cstring>

#include "link/compiler_tables.h"
#include "link/symbols.h"
#include "native_fixture.h"

using kj::test::Args;
using kj::test::matrix;
using kj::test::string_value;
namespace kv = kj::value;

namespace {

class Accessors : public kj::test::NativeTest {};

kv::Value range(int first, int last) {
    kv::Value v{};
    v.type = KJ_TYPE_RANGE;
    v.u.rng.first = first;
    v.u.rng.last = last;
    return v;
}

kv::Value with_const(kv::Value v) {
    v.type |= KJ_FLAG_CONST;
    return v;
}

TEST_F(Accessors, GetIntConvertsInPlace) {
    const struct {
        const char* name;
        kv::Value v;
        int ok;
        int expect;
    } cases[] = {
        {"int", kv::make_int(-4), 1, -4},
        {"double 2.0", kv::make_double(2.0), 1, 2},
        {"double truncates toward zero", kv::make_double(-2.7), 1, -2},
        {"double beyond 32 bits", kv::make_double(1e10), 1, INT_MIN},
        {"NaN", kv::make_double(NAN), 1, INT_MIN},
        {"1x1 matrix", matrix(1, 1, {3.9}), 1, 3},
        {"2x2 matrix gives first element", matrix(2, 2, {7, 8, 9, 10}), 1, 7},
        {"empty matrix", matrix(0, 3), 0, 0},
        {"string first byte", string_value("A"), 1, 65},
        {"string byte is signed", string_value("\xE9"), 1, -23},
        {"empty string", string_value(""), 1, 0},
        {"range first index", range(4, 7), 1, 4},
        {"no value", kv::make_null(), 0, 0},
        {"not initialised", kv::make_none(), 0, 0},
        {"blob", [] { kv::Value b{}; KjValSetBlob(&b, 1, 2, nullptr); return b; }(), 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        kv::Value v = c.v;
        const uint32_t before = v.type;
        int out = 12345;
        EXPECT_EQ(KjValGetInt(&v, &out), c.ok);
        if (c.ok) {
            EXPECT_EQ(out, c.expect);
            EXPECT_EQ(v.type, static_cast<uint32_t>(KJ_TYPE_INT));
            EXPECT_EQ(v.u.ival, c.expect);
        } else {
            EXPECT_EQ(out, 12345);
            EXPECT_EQ(v.type, before);
        }
        kv::release(v);
    }
    int out;
    EXPECT_EQ(KjValGetInt(nullptr, &out), 0);
}

TEST_F(Accessors, GetDoubleConvertsInPlace) {
    double packed;
    std::memcpy(&packed, "AB\0\0\0\0\0\0", 8);
    double packed8;
    std::memcpy(&packed8, "abcdefgh", 8);
    const struct {
        const char* name;
        kv::Value v;
        int ok;
        double expect;
    } cases[] = {
        {"int", kv::make_int(3), 1, 3.0},
        {"double", kv::make_double(-0.5), 1, -0.5},
        {"matrix first element", matrix(2, 1, {1.25, 9}), 1, 1.25},
        {"empty matrix", matrix(3, 0), 0, 0},
        {"string packed", string_value("AB"), 1, packed},
        {"long string packs 8 bytes", string_value("abcdefghij"), 1, packed8},
        {"range", range(1, 2), 0, 0},
        {"no value", kv::make_null(), 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        kv::Value v = c.v;
        double out = -99;
        EXPECT_EQ(KjValGetDouble(&v, &out), c.ok);
        if (c.ok) {
            EXPECT_EQ(std::memcmp(&out, &c.expect, sizeof out), 0);
            EXPECT_EQ(v.type, static_cast<uint32_t>(KJ_TYPE_DOUBLE));
        } else {
            EXPECT_EQ(out, -99);
        }
        kv::release(v);
    }
}

TEST_F(Accessors, ConversionKeepsTheConstMark) {
    kv::Value v = with_const(kv::make_double(2.0));
    int i;
    ASSERT_EQ(KjValGetInt(&v, &i), 1);
    EXPECT_EQ(v.type, static_cast<uint32_t>(KJ_TYPE_INT | KJ_FLAG_CONST));
}

TEST_F(Accessors, GetMatConvertsInPlace) {
    const struct {
        const char* name;
        kv::Value v;
        int ok;
        int r, c;
        std::vector<double> data;
    } cases[] = {
        {"int", kv::make_int(5), 1, 1, 1, {5}},
        {"double", kv::make_double(0.5), 1, 1, 1, {0.5}},
        {"string first byte", string_value("a"), 1, 1, 1, {97}},
        {"empty string", string_value(""), 1, 1, 1, {0}},
        {"range", range(2, 4), 1, 1, 3, {2, 3, 4}},
        {"descending range is empty", range(5, 3), 1, 0, 0, {}},
        {"open range is empty", range(0, KJ_RANGE_OPEN), 1, 0, 0, {}},
        {"matrix unchanged", matrix(2, 2, {1, 2, 3, 4}), 1, 2, 2, {1, 2, 3, 4}},
        {"no value", kv::make_null(), 0, 0, 0, {}},
        {"array", [] { kv::Value a = kv::make_int(0); kv::set_array(a, 2); return a; }(), 0, 0, 0, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        kv::Value v = c.v;
        double** m = KjValGetMat(&v);
        if (!c.ok) {
            EXPECT_EQ(m, nullptr);
            EXPECT_EQ(KjValGetMatr(&v), 0);
            kv::release(v);
            continue;
        }
        EXPECT_EQ(kv::type_of(v), kv::T_Matrix);
        EXPECT_EQ(KjValGetMatr(&v), c.r);
        EXPECT_EQ(KjValGetMatc(&v), c.c);
        EXPECT_EQ(KjValGetMatrc(&v), c.r * c.c);
        for (std::size_t k = 0; k < c.data.size(); ++k) EXPECT_EQ(m[0][k], c.data[k]);
        kv::release(v);
    }
}

TEST_F(Accessors, Strings) {
    Args a{string_value("abcdefghij"), string_value(""), kv::make_int(1)};
    char buf[8] = "xxxxxxx";
    EXPECT_EQ(KjValGetStringCopy(&a[0], buf, 4), 1);
    EXPECT_STREQ(buf, "abc");
    EXPECT_EQ(KjValGetStringCopy(&a[0], buf, 1), 1);
    EXPECT_STREQ(buf, "");
    EXPECT_EQ(KjValGetStringCopy(&a[2], buf, 8), 0);
    EXPECT_EQ(KjValGetStringLen(&a[0]), 10);
    EXPECT_STREQ(KjValGetString(&a[0]), "abcdefghij");
    EXPECT_STREQ(KjValGetString(&a[1]), "");
    EXPECT_EQ(KjValGetStringLen(&a[1]), 0);
    EXPECT_EQ(KjValGetString(&a[2]), nullptr);  // no conversion
    EXPECT_EQ(KjValGetStringLen(&a[2]), 0);
    KjValSetString(&a[2], nullptr);
    EXPECT_EQ(a[2].type, static_cast<uint32_t>(KJ_TYPE_STRING | KJ_FLAG_OWNS));
    EXPECT_EQ(a[2].u.str.s, nullptr);
}

TEST_F(Accessors, ArraysRecordsAndBlobs) {
    Args a{kv::make_int(0)};
    KjValue* elems = KjLibValArrayCalloc(&a[0], 3);
    ASSERT_NE(elems, nullptr);
    EXPECT_EQ(KjValGetArray(&a[0]), elems);
    EXPECT_EQ(KjValGetArrayLen(&a[0]), 3);
    EXPECT_EQ(KjValGetArrayVal(&a[0], 2), elems + 2);
    EXPECT_EQ(KjValGetArrayVal(&a[0], 3), nullptr);
    EXPECT_EQ(KjValGetArrayVal(&a[0], -1), nullptr);
    EXPECT_TRUE(KjValHasFlag(KjValGetArrayVal(&a[0], 0), KJ_FLAG_NULL));
    EXPECT_EQ(KjValGetVal(elems, 1), elems + 1);

    kv::Value i = kv::make_int(1);
    EXPECT_EQ(KjValGetArray(&i), nullptr);
    EXPECT_EQ(KjValGetArrayLen(&i), 0);

    int token = 0;
    kv::Value b{};
    KjValSetBlob(&b, 7, 9, &token);
    unsigned x = 0, y = 0;
    EXPECT_EQ(KjValGetBlob(&b, &x, &y), &token);
    EXPECT_EQ(x, 7u);
    EXPECT_EQ(y, 9u);
    EXPECT_FALSE(KjValHasFlag(&b, KJ_FLAG_OWNS));
    EXPECT_EQ(KjValGetBlob(&i, &x, &y), nullptr);
}

TEST_F(Accessors, SettersAndAllocation) {
    Args a{kv::make_int(0), kv::make_int(0), kv::make_int(0)};
    const double x[6] = {1, 2, 3, 4, 5, 6};
    KjValSetVecc(&a[0], x, 2, 3);
    EXPECT_EQ(a[0].u.mat.m[0][1], 3);  // filled column after column
    KjValSetVecr(&a[1], x, 2, 3);
    EXPECT_EQ(a[1].u.mat.m[0][1], 2);
    KjValSetMat(&a[2], a[0].u.mat.m, 2, 3);
    EXPECT_NE(a[2].u.mat.m, a[0].u.mat.m);
    EXPECT_EQ(a[2].u.mat.m[1][2], 6);

    char* s = KjLibValStrMalloc(&a[0], 5);  // releases the matrix
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s[5], '\0');
    EXPECT_EQ(KjValGetStringLen(&a[0]), 5);
    EXPECT_EQ(KjLibValStrMalloc(&a[0], 0), nullptr);
    EXPECT_EQ(a[0].type, static_cast<uint32_t>(KJ_TYPE_STRING | KJ_FLAG_OWNS));

    KjLibValMatMalloc(&a[1], 3, 0);
    EXPECT_EQ(KjValGetMatr(&a[1]), 3);
    EXPECT_EQ(KjValGetMatc(&a[1]), 0);
    double** d = KjLibValMatDup(&a[1], a[2].u.mat.m, 1, 2);
    EXPECT_NE(d, a[2].u.mat.m);
    EXPECT_EQ(KjValGetMatrc(&a[1]), 2);
}

TEST_F(Accessors, NegativeDimensionsRaiseError39) {
    Args a{kv::make_int(0)};
    EXPECT_EQ(raised([&] { KjLibValMatMalloc(&a[0], -1, 2); }), kj::runtime::E_NegativeDim);
    EXPECT_EQ(raised([&] { KjLibValStrMalloc(&a[0], -1); }), kj::runtime::E_NegativeDim);
    EXPECT_EQ(raised([&] { KjLibValArrayCalloc(&a[0], -3); }), kj::runtime::E_NegativeDim);
    EXPECT_EQ(first_run_message(), "Runtime error: negative dimension");
}

TEST_F(Accessors, ClassNameAndClassRecordOfAnObject) {
    kj::link::reset_compiler_tables();
    kv::Value obj{};
    obj.type = KJ_TYPE_CLASS;
    EXPECT_EQ(KjValGetClassName(&obj), nullptr);  // names no class yet
    const int k = kj::link::add_symbol("ns::Point", kv::make_none());
    ASSERT_GE(k, 0);
    kv::Value cls{};
    cls.type = KJ_TYPE_CLASS;
    cls.u.obj.cls = k;
    kj::link::symbol_at(k).val = cls;
    obj.u.obj.cls = k;
    EXPECT_STREQ(KjValGetClassName(&obj), "ns::Point");
    EXPECT_EQ(KjValGetStaticObject(&obj), &kj::link::symbol_at(k).val);
    kv::Value i = kv::make_int(1);
    EXPECT_EQ(KjValGetClassName(&i), nullptr);
    EXPECT_EQ(KjValGetStaticObject(&i), nullptr);
    kj::link::symbol_at(k).val = kv::make_none();
    kj::link::free_compiler_tables();
}

}  // namespace
