#include <gtest/gtest.h>

#include <cstring>

#include "support/capture.h"
#include "runtime/alloc.h"
#include "value/value.h"

namespace kv = kj::value;
using kv::Value;

namespace {
Value owned_string(const char* s) {
    Value v = kv::make_int(0);
    kv::set_string(v, s, static_cast<int>(std::strlen(s)));
    return v;
}
Value owned_matrix(int r, int c, double first = 1.0) {
    Value v = kv::make_int(0);
    kv::set_matrix(v, r, c);
    for (int i = 0; i < r * c; ++i) v.u.mat.m[0][i] = first + i;
    return v;
}
Value alias_of(const Value& v) {
    Value a = v;
    a.type &= ~kv::k_owns;
    return a;
}
}  // namespace

TEST(ValueRecord, IsFiveWords) { EXPECT_EQ(sizeof(KjValue), 40u); }

TEST(Ownership, ReleaseFreesOnlyOwnedPayloads) {
    Value s = owned_string("abc");
    Value a = alias_of(s);
    kv::release(a);  // an alias is never freed
    EXPECT_STREQ(s.u.str.s, "abc");
    kv::release(s);
    EXPECT_EQ(s.u.str.s, nullptr);
    EXPECT_EQ(s.u.str.len, 0);
    EXPECT_FALSE(kv::owns(s));
}

TEST(Ownership, DuplicateMakesAPrivateCopy) {
    Value m = owned_matrix(2, 2);
    Value d{};
    kv::duplicate(d, m);
    ASSERT_TRUE(kv::owns(d));
    EXPECT_NE(d.u.mat.m, m.u.mat.m);
    EXPECT_EQ(d.u.mat.m[1][1], 4);

    Value empty = kv::make_int(0);
    kv::set_string(empty, "", 0);
    Value e{};
    kv::duplicate(e, empty);  // length 0: no characters, null pointer
    EXPECT_EQ(e.u.str.len, 0);
    EXPECT_EQ(e.u.str.s, nullptr);
    for (Value* v : {&m, &d, &empty, &e}) kv::release(*v);
}

TEST(Ownership, TransferMovesOwnershipOrCopiesAnAlias) {
    Value s = owned_string("xyz");
    char* payload = s.u.str.s;
    Value t{};
    kv::transfer(t, s);
    EXPECT_TRUE(kv::owns(t));
    EXPECT_FALSE(kv::owns(s));
    EXPECT_EQ(t.u.str.s, payload);  // moved, not copied

    Value alias = alias_of(t);
    Value u{};
    kv::transfer(u, alias);
    EXPECT_TRUE(kv::owns(u));
    EXPECT_NE(u.u.str.s, payload);  // an alias source leaves dst with its own copy
    kv::release(t);
    kv::release(u);
}

TEST(Ownership, AssignLeavesTheSourceAsAlias) {
    Value slot = owned_matrix(3, 1);
    double** payload = slot.u.mat.m;
    Value var = owned_string("old");
    kv::assign(var, slot);
    EXPECT_EQ(var.u.mat.m, payload);
    EXPECT_TRUE(kv::owns(var));
    EXPECT_FALSE(kv::owns(slot));
    kv::release(slot);  // popping the stack slot must not free the variable's payload
    EXPECT_EQ(var.u.mat.m[2][0], 3);

    // Scalars copy; constness and no-value do not travel.
    Value c = kv::make_double(2.5);
    c.type |= kv::k_const;
    kv::assign(var, c);
    EXPECT_EQ(kv::type_of(var), kv::T_Double);
    EXPECT_FALSE(kv::has_flag(var, kv::k_const));

    Value none = kv::make_none();
    kv::assign(var, none);
    EXPECT_TRUE(kv::is_null(var));

    // An aliased source is copied, so the original owner keeps its payload.
    Value owner = owned_string("keep");
    Value alias = alias_of(owner);
    kv::assign(var, alias);
    EXPECT_NE(var.u.str.s, owner.u.str.s);
    kv::release(var);
    EXPECT_STREQ(owner.u.str.s, "keep");
    kv::release(owner);
}

TEST(Ownership, ArraysReleaseRecursivelyAndSharedOrAddressArraysDoNot) {
    Value outer = kv::make_int(0);
    kv::set_array(outer, 2);
    EXPECT_TRUE(kv::is_null(outer.u.arr.v[0]));  // elements start without value
    Value s = owned_string("inner");
    kv::transfer(outer.u.arr.v[0], s);
    Value inner = kv::make_int(0);
    kv::set_array(inner, 1);
    Value m = owned_matrix(2, 2);
    kv::transfer(inner.u.arr.v[0], m);
    kv::transfer(outer.u.arr.v[1], inner);

    // A deep copy owns every nested payload of its own.
    Value copy{};
    kv::duplicate(copy, outer);
    EXPECT_NE(copy.u.arr.v[1].u.arr.v[0].u.mat.m, outer.u.arr.v[1].u.arr.v[0].u.mat.m);
    kv::release(copy);

    // A shared array frees only its block: the elements stay with their owner.
    Value shared = outer;
    shared.type |= kv::k_shared;
    Value block_owner{};
    block_owner = shared;
    auto* block = static_cast<Value*>(kj::runtime::raw_alloc(2 * sizeof(Value)));
    std::memcpy(static_cast<void*>(block), outer.u.arr.v, 2 * sizeof(Value));
    for (int i = 0; i < 2; ++i) block[i].type &= ~kv::k_owns;
    block_owner.u.arr.v = block;
    kv::release(block_owner);
    EXPECT_STREQ(outer.u.arr.v[0].u.str.s, "inner");

    // An address value frees nothing.
    Value addr{};
    addr.type = kv::T_Array | kv::k_address | kv::k_owns;
    addr.u.arr.n = 1;
    addr.u.arr.v = &outer.u.arr.v[0];
    kv::release(addr);
    EXPECT_STREQ(outer.u.arr.v[0].u.str.s, "inner");
    EXPECT_STREQ(kv::type_name(addr.type), "address");

    kv::release(outer);  // the sanitizer build checks that nothing leaks
}

TEST(Ownership, AssigningASharedArrayMakesItPrivate) {
    Value owner = kv::make_int(0);
    kv::set_array(owner, 1);
    kv::set_string(owner.u.arr.v[0], "e", 1);
    Value shared = alias_of(owner);
    shared.type |= kv::k_shared;
    Value var = kv::make_int(0);
    kv::assign(var, shared);
    EXPECT_FALSE(kv::has_flag(var, kv::k_shared));
    EXPECT_NE(var.u.arr.v[0].u.str.s, owner.u.arr.v[0].u.str.s);
    kv::release(var);
    kv::release(owner);
}

TEST(Ownership, BoundFunctionContextIsCopied) {
    int64_t ctx[4] = {1, 2, 3, 4};
    Value f{};
    f.type = kv::T_Func | kv::k_bound;
    f.u.fn.context = ctx;
    Value g{};
    kv::duplicate(g, f);
    ASSERT_NE(g.u.fn.context, ctx);
    EXPECT_EQ(g.u.fn.context[3], 4);
    kv::release(g);
    EXPECT_EQ(g.u.fn.context, nullptr);
}

TEST(Ownership, OutOfMemoryAndNegativeDimensionsAreRunTimeErrors) {
    kj::test::CaptureScope scope;
    Value v = kv::make_int(0);
    EXPECT_THROW(kv::set_matrix(v, -1, 2), kj::runtime::RunError);
    ASSERT_FALSE(kj::test::captured().run_messages.empty());
    EXPECT_EQ(kj::test::captured().run_messages[0], "Runtime error: negative dimension");

    Value s = owned_string("payload");
    Value alias = alias_of(s);
    kj::runtime::fail_allocation_after(1);
    try {
        kv::make_owned(alias);
        FAIL() << "expected out of memory";
    } catch (const kj::runtime::RunError& e) {
        EXPECT_EQ(e.code, kj::runtime::E_OutOfMemory);
    }
    kj::runtime::fail_allocation_after(0);
    EXPECT_EQ(alias.u.str.s, nullptr);  // the record keeps a null payload
    EXPECT_EQ(kj::test::captured().exit_codes, (std::vector<int>{39, 0, 4, 0}));
    kv::release(s);
}

TEST(ValueStore, CreateAndDelete) {
    EXPECT_EQ(kv::store_create(0), nullptr);
    Value* store = kv::store_create(3);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(store[i].type, static_cast<uint32_t>(kv::T_Int));
    kv::set_string(store[1], "held", 4);
    kv::store_delete(store, 3);
    kv::store_delete(nullptr, 0);
}

TEST(Sizes, QueriesByType) {
    Value m = owned_matrix(2, 3);
    Value s = owned_string("four");
    int32_t dims[2] = {5, 6};
    Value f{};
    f.type = kv::T_File;
    f.u.file.dims = dims;
    const struct {
        const char* name;
        Value v;
        int sr, sc, r, c;
    } cases[] = {
        {"int", kv::make_int(7), 1, 1, 0, 0},
        {"double", kv::make_double(1), 1, 1, 0, 0},
        {"null", kv::make_null(), 0, 0, 0, 0},
        {"matrix", m, 2, 3, 2, 3},
        {"string", s, 1, 4, 4, 4},
        {"file", f, 5, 6, 5, 6},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(kv::size_r(c.v), c.sr);
        EXPECT_EQ(kv::size_c(c.v), c.sc);
        EXPECT_EQ(kv::rows(c.v), c.r);
        EXPECT_EQ(kv::columns(c.v), c.c);
    }
    kv::release(m);
    kv::release(s);
}

TEST(Names, TypeNamesAndDescriptions) {
    EXPECT_STREQ(kv::type_name(0), "??");
    EXPECT_STREQ(kv::type_table_name(0), "not inititalized");
    EXPECT_STREQ(kv::type_name(kv::T_Address), "??");
    EXPECT_STREQ(kv::type_name(99), "??");
    EXPECT_STREQ(kv::type_name(kv::T_Native), "int.func");
    EXPECT_STREQ(SKjGetTypeName(kv::T_Lambda), "lambda");

    Value m = owned_matrix(3, 4);
    Value s = owned_string("ab");
    Value a = kv::make_int(0);
    kv::set_array(a, 2);
    EXPECT_EQ(kv::describe(m), "matrix[3][4]");
    EXPECT_EQ(kv::describe(s), "string[2]");
    EXPECT_EQ(kv::describe(a), "array[2]");
    EXPECT_EQ(kv::describe(kv::make_null()), ".Null");
    EXPECT_EQ(kv::describe(kv::make_double(1)), "double");
    for (Value* v : {&m, &s, &a}) kv::release(*v);
}
