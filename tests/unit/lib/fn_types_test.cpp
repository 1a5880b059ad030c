#include <limits>

#include "lib/fn_sets.h"
#include "lib/fn_types.h"
#include "num/fuzziness.h"
#include "link/symbols.h"
#include "select_fixture.h"

namespace kl = kj::lib;
namespace kv = kj::value;
using namespace kj::test;

namespace {

constexpr double k_inf = std::numeric_limits<double>::infinity();

class Types : public LibTest {};

kv::Value of_type(uint32_t type_and_flags) {
    kv::Value v{};
    v.type = type_and_flags;
    return v;
}

TEST_F(Types, TypeTests) {
    kv::Value target = i(1);
    kv::Value native = of_type(kv::T_Native);
    native.u.nat.fn = kl::fn_isint;
    const struct {
        const char* name;
        KjNativeFunction fn;
        kv::Value v;
        int expect;
    } cases[] = {
        {"address", kl::fn_isaddress, reference(&target), 1},
        {"array is no address", kl::fn_isaddress, array_of({}), 0},
        {"array", kl::fn_isarray, array_of({i(1)}), 1},
        {"address is no array", kl::fn_isarray, reference(&target), 0},
        {"int", kl::fn_isint, i(1), 1},
        {"double is no int", kl::fn_isint, d(1), 0},
        {"double", kl::fn_isdouble, d(1), 1},
        {"matrix", kl::fn_ismatrix, matrix(1, 1), 1},
        {"int is no matrix", kl::fn_ismatrix, i(1), 0},
        {"string", kl::fn_isstring, string_value("a"), 1},
        {"native function", kl::fn_isfunction, native, 1},
        {"lambda", kl::fn_isfunction, of_type(kv::T_Lambda), 1},
        {"string is no function", kl::fn_isfunction, string_value("isint"), 0},
        {"file record of no open file", kl::fn_isfile, of_type(kv::T_File), 0},
        {"static", kl::fn_isstatic, of_type(kv::T_Int | kv::k_static), 1},
        {"not static", kl::fn_isstatic, i(0), 0},
        {"no value", kl::fn_isint, kv::make_null(), 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        expect_int(call(c.fn, {c.v}), c.expect);
    }
}

TEST_F(Types, ElementTests) {
    expect_matrix(call(kl::fn_isdotnan, {matrix(1, 2, {1, k_nan})}), 1, 2, {0, 1});
    expect_int(call(kl::fn_isdotnan, {d(k_nan)}), 1);
    expect_matrix(call(kl::fn_isdotinf, {matrix(1, 3, {k_inf, -k_inf, k_nan})}), 1, 3, {1, 1, 0});
    expect_int(call(kl::fn_isdotinf, {i(3)}), 0);
    expect_empty(call(kl::fn_isdotnan, {matrix(0, 2)}));
    expect_int(call(kl::fn_ismissing, {matrix(2, 1, {1, k_nan})}), 1);
    expect_int(call(kl::fn_ismissing, {matrix(0, 0)}), 0);
    expect_int(call(kl::fn_ismissing, {string_value("x")}), 0);
    expect_int(call(kl::fn_ismissing, {d(k_nan)}), 1);
    EXPECT_EQ(fails(kl::fn_isdotnan, "isdotnan", {string_value("x")}), 37);
}

TEST_F(Types, DeepEquality) {
    const struct {
        const char* name;
        kv::Value a, b;
        int expect;
    } cases[] = {
        {"int and double", i(1), d(1), 1},
        {"1 x 1 and scalar", matrix(1, 1, {1}), i(1), 1},
        {"NaN elements", matrix(1, 2, {1, k_nan}), matrix(1, 2, {1, k_nan}), 1},
        {"shapes differ", matrix(1, 2, {1, 2}), matrix(2, 1, {1, 2}), 0},
        {"strings", string_value("ab"), string_value("ab"), 1},
        {"string lengths", string_value("ab"), string_value("abc"), 0},
        {"arrays", array_of({i(1), string_value("a")}), array_of({d(1), string_value("a")}), 1},
        {"array counts", array_of({i(1)}), array_of({i(1), i(2)}), 0},
        {"number and string", i(1), string_value("1"), 0},
        {"no values", kv::make_null(), kv::make_null(), 1},
        {"no value and 0", kv::make_null(), i(0), 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        expect_int(call(kl::fn_iseq, {c.a, c.b}), c.expect);
    }
}

TEST_F(Types, FuzzyComparisons) {
    expect_int(call(kl::fn_isdotfeq, {i(1), d(1 + 1e-14)}), 1);
    expect_int(call(kl::fn_isdotfeq, {d(1e6), d(1e6 * (1 + 5e-14))}), 1);
    expect_int(call(kl::fn_isdotfeq, {i(0), d(1e-12)}), 0);
    expect_matrix(call(kl::fn_isdotfeq, {matrix(1, 2, {1, 2}), matrix(2, 1, {1, 2})}), 2, 2, {1, 0, 0, 1});
    expect_matrix(call(kl::fn_isdotfeq, {matrix(1, 2, {k_nan, 1}), d(k_nan)}), 1, 2, {1, 0});
    expect_empty(call(kl::fn_isdotfeq, {matrix(0, 0), matrix(1, 2)}));
    EXPECT_EQ(fails(kl::fn_isdotfeq, "isdotfeq", {matrix(1, 3), matrix(1, 2)}), 37);
    EXPECT_EQ(first_run_message(), "isdotfeq(): error in argument 2");

    expect_int(call(kl::fn_isfeq, {matrix(1, 2, {1, 2}), matrix(1, 2, {1, 2 + 1e-14})}), 1);
    expect_int(call(kl::fn_isfeq, {matrix(1, 2, {1, 2}), matrix(2, 1, {1, 2})}), 0);
    expect_int(call(kl::fn_isfeq, {matrix(0, 0), matrix(0, 3)}), 1);
    expect_int(call(kl::fn_isfeq, {matrix(0, 0), i(1)}), 0);
    expect_int(call(kl::fn_isfeq, {matrix(2, 1, {2, 2}), i(2)}), 1);

    kl::set_fuzzy_tolerance(1e-3);
    kl::set_fuzzy_tolerance(0);  // ignored
    EXPECT_EQ(kl::fuzzy_tolerance(), 1e-3);
    expect_int(call(kl::fn_isfeq, {i(1), d(1.0005)}), 1);
    // fuzziness() reads and sets the same tolerance; truncf shares it.
    EXPECT_EQ(call(kl::fn_fuzziness, {d(0)}).u.dval, 1e-3);
    EXPECT_EQ(call(kl::fn_fuzziness, {d(1e-13)}).u.dval, 1e-13);
    EXPECT_EQ(kj::num::fuzziness(), 1e-13);
}

// Base (members x, f) <- ns::Derived (member y); an object of ns::Derived.
TEST_F(Types, ClassesAndMembers) {
    kj::link::symbols_reset(8);
    kv::NamedValue base_members[2] = {{const_cast<char*>("x"), i(0)}, {const_cast<char*>("f"), of_type(kv::T_Func)}};
    kv::NamedValue derived_members[1] = {{const_cast<char*>("y"), i(0)}};
    kv::Value base = of_type(kv::T_Class);
    base.u.obj = {2, -1, 0, 0, base_members};
    kv::Value derived = of_type(kv::T_Class);
    derived.u.obj = {1, 0, 1, 0, derived_members};
    ASSERT_EQ(kj::link::add_symbol("Base", base), 0);
    ASSERT_EQ(kj::link::add_symbol("ns::Derived", derived), 1);
    kv::Value object = derived;

    const struct {
        const char* name;
        std::vector<kv::Value> args;
        int expect;
    } classes[] = {
        {"any object", {object}, 1},
        {"own name", {object, string_value("Derived")}, 1},
        {"qualified name", {object, string_value("ns::Derived")}, 1},
        {"base class", {object, string_value("Base")}, 1},
        {"base class, exact match only", {object, string_value("Base"), i(0)}, 0},
        {"unrelated", {object, string_value("Other")}, 0},
        {"not an object", {i(1), string_value("")}, 0},
    };
    for (const auto& c : classes) {
        SCOPED_TRACE(c.name);
        Args a{};
        a.v = c.args;
        kl::fn_isclass(&result, a.data(), static_cast<int>(a.v.size()));
        expect_int(result, c.expect);
    }
    expect_int(call(kl::fn_ismember, {object, string_value("y")}), 1);
    expect_int(call(kl::fn_ismember, {object, string_value("x")}), 1);
    expect_int(call(kl::fn_ismember, {object, string_value("f")}), 2);
    expect_int(call(kl::fn_ismember, {object, string_value("z")}), 0);
    kj::link::symbols_free();
}

}  // namespace
