// Merging arriving symbols with existing ones by name.
#include "link/merge.h"
#include "link_fixture.h"

namespace kj::link {
namespace {

using value::Value;

class MergeTest : public LinkTest {};

Value defined_int(int i) { return value::make_int(i); }
Value declared_int() {
    Value v = value::make_null();
    v.type |= value::k_extern;
    return v;
}
Value native_value() {
    Value v{};
    v.type = value::T_Native;
    v.u.nat.nparam = 1;
    v.u.nat.fn = [](KjValue*, KjValue*, int) {};
    return v;
}
Value defined_fn(int n, bool varargs = false) { return function_value("f", n, varargs, 10); }
Value declared_fn(int n, bool varargs = false) { return function_value("f", n, varargs); }

enum class Outcome { Kept, Replaced };
using Make = Value (*)();

// Values are made inside the loop: function information belongs to the
// tables that each case resets.
TEST_F(MergeTest, RulesByKindAndDefinition) {
    const Make string_value = [] {
        Value s{};
        value::set_string(s, "x");
        return s;
    };
    const Make empty_class = [] { return make_class({}, {}); };
    const struct {
        const char* name;
        Make existing, incoming;
        const char* error;  // null: accepted
        Outcome outcome;
    } cases[] = {
        {"two variable definitions", [] { return defined_int(1); }, [] { return defined_int(2); },
         "duplicate identifier", Outcome::Kept},
        {"definition after declaration", declared_int, [] { return defined_int(2); }, nullptr, Outcome::Replaced},
        {"declaration after definition", [] { return defined_int(1); }, declared_int, nullptr, Outcome::Kept},
        {"variable holding another type", declared_int, string_value, nullptr, Outcome::Replaced},
        {"function meets variable", [] { return defined_int(1); }, [] { return defined_fn(0); },
         "incompatible types", Outcome::Kept},
        {"class meets function", empty_class, [] { return declared_fn(0); }, "incompatible types", Outcome::Kept},
        {"two function definitions", [] { return defined_fn(1); }, [] { return defined_fn(1); },
         "duplicate identifier", Outcome::Kept},
        {"declarations with other counts", [] { return declared_fn(2); }, [] { return declared_fn(3); },
         "redefinition of function", Outcome::Kept},
        {"declaration with variable list", [] { return declared_fn(2); }, [] { return declared_fn(3, true); },
         nullptr, Outcome::Kept},
        {"definition of the declaration", [] { return declared_fn(2); }, [] { return defined_fn(2); }, nullptr,
         Outcome::Replaced},
        {"definition with other count", [] { return declared_fn(2); }, [] { return defined_fn(1); },
         "redefinition of function", Outcome::Kept},
        {"variable-list definition requiring fewer", [] { return declared_fn(2); },
         [] { return defined_fn(1, true); }, nullptr, Outcome::Replaced},
        {"variable-list definition requiring more", [] { return declared_fn(2); },
         [] { return defined_fn(3, true); }, "redefinition of function", Outcome::Kept},
        {"declaration after definition, other count", [] { return defined_fn(2); },
         [] { return declared_fn(3); }, "redefinition of function", Outcome::Kept},
        {"declaration meets library function", native_value, [] { return declared_fn(4); }, nullptr,
         Outcome::Kept},
        {"library function meets declaration", [] { return declared_fn(4); }, native_value, nullptr,
         Outcome::Replaced},
        {"definition meets library function", native_value, [] { return defined_fn(1); }, "incompatible types",
         Outcome::Kept},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        reset_tables();
        messages().clear();
        add_symbol("before", value::make_int(0));
        const Value existing = c.existing();
        const int k = add_symbol("x", existing);
        Value incoming = c.incoming();
        const Value arriving = incoming;
        EXPECT_EQ(merge_symbol("x", incoming), k);
        EXPECT_EQ(symbols().count, 2);
        if (c.error) {
            EXPECT_EQ(messages(), std::vector<std::string>{std::string("Link error: 'x' ") + c.error});
        } else {
            EXPECT_TRUE(messages().empty());
        }
        const Value& now = symbol_at(k).val;
        const Value& expected = c.outcome == Outcome::Replaced ? arriving : existing;
        EXPECT_EQ(now.type, expected.type);
        EXPECT_EQ(now.u.w[0], expected.u.w[0]);
        EXPECT_EQ(now.u.w[1], expected.u.w[1]);
    }
}

TEST_F(MergeTest, AtNamesAndUnnamedSymbolsAreAlwaysAdded) {
    add_symbol("@t", value::make_int(1));
    Value a = value::make_int(2), b = value::make_int(3), c = value::make_int(4);
    EXPECT_EQ(merge_symbol("@t", a), 1);
    EXPECT_EQ(merge_symbol("", b), 2);
    EXPECT_EQ(merge_symbol("new", c), 3);
    EXPECT_TRUE(messages().empty());
}

Members point_data(const char* second = "y", int constant = 3) {
    return {{"x", value::make_null()}, {second, value::make_null()}, {"k", const_member(value::make_int(constant))}};
}
Members point_functions(int len_args = 1, bool with_constructor = true) {
    Members m{{"len", function_value("len", len_args)}};
    if (with_constructor) m.emplace_back("Point", function_value("Point", 0));
    return m;
}

TEST_F(MergeTest, ClassesMustBeIdentical) {
    const struct {
        const char* name;
        const char* second;
        int constant, len_args;
        bool constructor;
        int base;
        bool same;
    } cases[] = {
        {"identical", "y", 3, 1, true, -1, true},
        {"member renamed", "z", 3, 1, true, -1, false},
        {"constant value differs", "y", 4, 1, true, -1, false},
        {"member function arguments differ", "y", 3, 2, true, -1, false},
        {"member function missing", "y", 3, 1, false, -1, false},
        {"other base class", "y", 3, 1, true, 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        reset_tables();
        messages().clear();
        add_symbol("Base", make_class({}, {}));
        const int k = add_symbol("Point", make_class(point_data(), point_functions()));
        Value incoming = make_class(point_data(c.second, c.constant), point_functions(c.len_args, c.constructor), c.base);
        EXPECT_EQ(merge_symbol("Point", incoming), k);
        if (c.same) {
            EXPECT_TRUE(messages().empty());
        } else {
            EXPECT_EQ(messages(), std::vector<std::string>{"Link error: 'Point' redefinition of class"});
        }
        EXPECT_EQ(class_data_count(symbol_at(k).val), 3);
    }
}

TEST_F(MergeTest, ClassDefinitionReplacesDeclarationAndNumbersItself) {
    add_symbol("other", value::make_int(0));
    Value declared = make_class({}, {});
    declared.type |= value::k_extern;
    const int k = add_symbol("Point", declared);
    Value incoming = make_class(point_data(), point_functions());
    EXPECT_EQ(merge_symbol("Point", incoming), k);
    EXPECT_EQ(class_data_count(symbol_at(k).val), 3);
    EXPECT_EQ(symbol_at(k).val.u.obj.cls, k);
    Value fresh = make_class({}, {});
    const int added = merge_symbol("Fresh", fresh);
    EXPECT_EQ(symbol_at(added).val.u.obj.cls, added);
}

}  // namespace
}  // namespace kj::link
