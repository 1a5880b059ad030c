#include <algorithm>
#include <string>
#include <vector>

#include "link/function_table.h"
#include "lib/library_groups.h"
#include "link/link_errors.h"
#include "native_fixture.h"
#include "runtime/alloc.h"

using kj::link::find_function;
using kj::link::function_count;
using kj::link::function_entries;

namespace {

void native_a(KjValue*, KjValue*, int) {}
void native_b(KjValue*, KjValue*, int) {}

class FunctionTable : public kj::test::NativeTest {
protected:
    void SetUp() override {
        NativeTest::SetUp();
        kj::link::free_function_table();
    }
    void TearDown() override {
        kj::link::free_function_table();
        NativeTest::TearDown();
    }
};

TEST_F(FunctionTable, PlainNameAfterDescriptorReplacesTheEntry) {
    EXPECT_EQ(FKjLibAddFunction("cc$f", native_a, 0), 1);
    EXPECT_EQ(FKjLibAddFunctionEx("f", native_b, 3, 0), 1);
    ASSERT_EQ(function_count(), 1);
    const kj::link::LibEntry* e = find_function("f");
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->param_count, 3);
    EXPECT_EQ(e->fn, native_b);
    EXPECT_STREQ(e->descriptor, "ccc$f");
}

TEST_F(FunctionTable, ReplacementKeepsTheNewDescriptorAndFlags) {
    FKjLibAddFunction("cc$h", native_a, 1);
    FKjLibAddFunctionEx(" c$h", native_b, 2, KJ_FLAG_SERIAL);
    const kj::link::LibEntry* e = find_function("h");
    ASSERT_NE(e, nullptr);
    EXPECT_STREQ(e->descriptor, " c$h");
    EXPECT_EQ(e->flags, KJ_FLAG_SERIAL);
}

TEST_F(FunctionTable, DescriptorValidation) {
    const struct {
        const char* descriptor;
        int ok;
        int count;
    } cases[] = {
        {"c$acos", 1, 1},       {"$arglist", 1, 0}, {"c c$mixed", 1, 3}, {"ccccccccc$getgrouplag", 1, 9},
        {"cx$bad", 0, 0},       {"plain", 0, 0},    {"", 0, 0},          {"C$upper", 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.descriptor);
        clear();
        EXPECT_EQ(FKjLibAddFunction(c.descriptor, native_a, 0), c.ok);
        if (c.ok) {
            const kj::link::LibEntry* e = find_function(kj::link::descriptor_name(c.descriptor));
            ASSERT_NE(e, nullptr);
            EXPECT_EQ(e->param_count, c.count);
            EXPECT_TRUE(messages().empty());
        } else {
            const std::string named = *c.descriptor ? std::string("'") + c.descriptor + "' " : "";
            EXPECT_EQ(first_message(), "Link error: " + named + "$ expected");
        }
    }
    EXPECT_EQ(function_count(), 4);
}

TEST_F(FunctionTable, DollarAtTheWrongPositionRegistersNothing) {
    const int before = kj::link::link_error_count();
    EXPECT_EQ(FKjLibAddFunctionEx("ccc$g", native_a, 2, 0), 0);
    EXPECT_EQ(first_message(), "Link error: 'ccc$g' $ expected");
    EXPECT_EQ(kj::link::link_error_count(), before + 1);
    EXPECT_EQ(function_count(), 0);
    EXPECT_EQ(FKjLibAddFunctionEx(nullptr, native_a, 0, 0), 0);
}

TEST_F(FunctionTable, VariableArgumentAndSerialFlags) {
    FKjLibAddFunction("c$v1", native_a, 1);
    FKjLibAddFunction("c$v2", native_a, -1);  // any non-zero value marks it
    FKjLibAddFunction("c$fixed", native_a, 0);
    FKjLibAddFunctionEx("print", native_a, 1, KJ_FLAG_VARARGS | KJ_FLAG_SERIAL);
    FKjLibAddFunctionEx("pure", native_a, 1, KJ_FLAG_WORKERS);
    // A host's function is serial unless the host lets workers call it; the
    // permission itself is not kept.
    EXPECT_EQ(find_function("v1")->flags, KJ_FLAG_VARARGS | KJ_FLAG_SERIAL);
    EXPECT_EQ(find_function("v2")->flags, KJ_FLAG_VARARGS | KJ_FLAG_SERIAL);
    EXPECT_EQ(find_function("fixed")->flags, KJ_FLAG_SERIAL);
    EXPECT_EQ(find_function("print")->flags, KJ_FLAG_VARARGS | KJ_FLAG_SERIAL);
    EXPECT_EQ(find_function("pure")->flags, 0u);
    EXPECT_STREQ(find_function("print")->descriptor, "c$print");
}

TEST_F(FunctionTable, SortedByteWiseAndCaseSensitive) {
    const char* names[] = {"tanh", "B", "a", "gauss::abs", "ab", "a_b", "Draw", "a0", "\xC3\xA9t\xC3\xA9"};
    for (const char* n : names) ASSERT_EQ(FKjLibAddFunctionEx(n, native_a, 1, 0), 1);
    std::vector<std::string> expected(std::begin(names), std::end(names));
    std::sort(expected.begin(), expected.end(), [](const std::string& x, const std::string& y) {
        return std::lexicographical_compare(x.begin(), x.end(), y.begin(), y.end(),
                                            [](char p, char q) { return static_cast<unsigned char>(p) <
                                                                        static_cast<unsigned char>(q); });
    });
    ASSERT_EQ(function_count(), static_cast<int>(expected.size()));
    for (int i = 0; i < function_count(); ++i)
        EXPECT_EQ(kj::link::entry_name(function_entries()[i]), expected[static_cast<std::size_t>(i)]);
    for (const char* n : names) EXPECT_NE(find_function(n), nullptr) << n;
    EXPECT_EQ(find_function("A"), nullptr);
    EXPECT_EQ(find_function("tan"), nullptr);
    EXPECT_EQ(find_function("zzz"), nullptr);
    EXPECT_EQ(find_function(""), nullptr);
}

TEST_F(FunctionTable, GrowthPastOneStepKeepsOrder) {
    // 600 names inserted in a scrambled order (7 is coprime to 600).
    const int n = 600;
    for (int k = 0; k < n; ++k) {
        const int i = (k * 7) % n;
        const std::string name = "fn" + std::to_string(i);
        ASSERT_EQ(FKjLibAddFunctionEx(name.c_str(), native_a, i % 4, 0), 1);
    }
    ASSERT_EQ(function_count(), n);
    for (int i = 1; i < n; ++i)
        EXPECT_LT(kj::link::entry_name(function_entries()[i - 1]), kj::link::entry_name(function_entries()[i]));
    for (int i = 0; i < n; ++i) {
        const kj::link::LibEntry* e = find_function("fn" + std::to_string(i));
        ASSERT_NE(e, nullptr);
        EXPECT_EQ(e->param_count, i % 4);
    }
}

TEST_F(FunctionTable, FailedEnlargementIsLinkError13) {
    kj::runtime::fail_allocation_after(2);  // descriptor copy succeeds, the table does not
    EXPECT_EQ(FKjLibAddFunctionEx("x", native_a, 0, 0), 0);
    kj::runtime::fail_allocation_after(0);
    EXPECT_EQ(first_message(), "Link error: 'x' too many internal functions");
    EXPECT_EQ(function_count(), 0);
    EXPECT_EQ(FKjLibAddFunctionEx("x", native_a, 0, 0), 1);
}

TEST_F(FunctionTable, BuiltInGroupsRegisterAliasesSharingOneFunction) {
    kj::lib::register_library();
    const struct {
        const char* name;
        const char* alias;
        int count;
    } pairs[] = {
        {"acos", "gauss::arccos", 1}, {"asin", "gauss::arcsin", 1}, {"atan", "gauss::arctan", 1},
        {"atan", "gauss::atan", 1},   {"atan2", "gauss::arctan2", 2}, {"atan2", "gauss::atan2", 2},
        {"cosh", "gauss::cosh", 1},   {"sinh", "gauss::sinh", 1},     {"tanh", "gauss::tanh", 1},
    };
    for (const auto& p : pairs) {
        const kj::link::LibEntry* e = find_function(p.name);
        const kj::link::LibEntry* a = find_function(p.alias);
        ASSERT_NE(e, nullptr) << p.name;
        ASSERT_NE(a, nullptr) << p.alias;
        EXPECT_EQ(e->fn, a->fn) << p.alias;
        EXPECT_EQ(e->param_count, p.count);
        EXPECT_EQ(a->param_count, p.count);
        EXPECT_EQ(e->flags, 0u);
    }
    // A host registering a built-in's name afterwards replaces it.
    const int n = function_count();
    FKjLibAddFunction("c$acos", native_b, 0);
    EXPECT_EQ(find_function("acos")->fn, native_b);
    EXPECT_EQ(function_count(), n);
    kj::lib::free_library();
    EXPECT_EQ(function_count(), 0);
    EXPECT_EQ(find_function("acos"), nullptr);
}

TEST_F(FunctionTable, LinkErrorMessageForm) {
    EXPECT_STREQ(kj::link::link_error_text(0),
                 "symbol table full (try the -s command line option to increase the size)");
    EXPECT_STREQ(kj::link::link_error_text(13), "too many internal functions");
    EXPECT_STREQ(kj::link::link_error_text(23), "not inititalized");
    EXPECT_STREQ(kj::link::link_error_text(24), "");
    EXPECT_STREQ(kj::link::link_error_text(-1), "");
    kj::link::reset_link_error_count();
    kj::link::report_link_error(kj::link::L_UndefinedReference, nullptr);
    kj::link::report_link_error(kj::link::L_NotInitialized, "stack");
    ASSERT_EQ(messages().size(), 2u);
    EXPECT_EQ(messages()[0], "Link error: undefined reference");
    EXPECT_EQ(messages()[1], "Link error: 'stack' not inititalized");
    EXPECT_EQ(kj::link::link_error_count(), 2);
}

}  // namespace
