// Callee kinds of CAL beyond compiled functions (library functions named by
// a string, bound functions) and argument spreading.
#include <vector>

#include "vm/engine_fixture.h"

namespace kj::test {
namespace {

using value::Value;

// What the last native probe received: each argument's int value, or -1
// for anything else, and matrix shapes as rows * 10 + columns.
std::vector<int> g_args;

void record(KjValue* result, KjValue* args, int count) {
    g_args.clear();
    for (int i = 0; i < count; ++i) {
        const Value& a = args[i];
        if (value::type_of(a) == value::T_Int)
            g_args.push_back(a.u.ival);
        else if (value::type_of(a) == value::T_Matrix)
            g_args.push_back(1000 + a.u.mat.r * 10 + a.u.mat.c);
        else
            g_args.push_back(-1);
    }
    KjValSetInt(result, count);
}

void twice(KjValue* result, KjValue* args, int) {
    if (KjValType(&args[0]) != KJ_TYPE_INT) KjLibArgError(0);
    KjValSetInt(result, 2 * args[0].u.ival);
}

class CalleeTest : public EngineTest {
protected:
    // Global `name` holding v (taken over).
    static void set_global(const char* name, const Value& v) {
        const int k = link::find_symbol(name);
        ASSERT_GE(k, 0) << name;
        value::release(link::symbol_at(k).val);
        link::symbol_at(k).val = v;
    }

    static Value spread_array(std::initializer_list<int> elements) {
        Value a{};
        value::set_array(a, static_cast<int>(elements.size()));
        int i = 0;
        for (int x : elements) a.u.arr.v[i++] = value::make_int(x);
        a.type |= value::k_varargs;
        return a;
    }
};

TEST_F(CalleeTest, StringNamesALibraryFunction) {
    ASSERT_EQ(FKjLibAddFunctionEx("kjtest_twice", twice, 1, 0), 1);
    ASSERT_EQ(FKjLibAddFunctionEx("kjtest_count", record, 1, KJ_FLAG_VARARGS), 1);
    ASSERT_EQ(run(R"(
global r
global n
function main()
  PSH 0
  LIT "kjtest_twice"
  PSH 21
  CAL 1
  STO r
  POP 0
  PSH 0
  LIT "kjtest_count"
  PSH 1
  PSH 2
  PSH 3
  CAL 3
  STO n
  POP 0
  PSH 0
  RET 0
end
)"),
              1)
        << joined();
    EXPECT_EQ(global("r").u.ival, 42);
    EXPECT_EQ(global("n").u.ival, 3);
}

TEST_F(CalleeTest, LibraryFunctionByNameReportsUnderItsName) {
    ASSERT_EQ(FKjLibAddFunctionEx("kjtest_twice", twice, 1, 0), 1);
    EXPECT_EQ(run("function main()\n  PSH 0\n  LIT \"kjtest_twice\"\n  PSH 0\n  LIT \"x\"\n  CAL 1\n  RET 1\nend\n"), 0);
    ASSERT_FALSE(run_messages().empty());
    EXPECT_EQ(run_messages().front(), "kjtest_twice(): error in argument 1");
}

TEST_F(CalleeTest, StringNamingNothingIsNotAFunction) {
    EXPECT_EQ(run("function main()\n  PSH 0\n  LIT \"kjtest_nothing\"\n  CAL 0\n  RET 1\nend\n"), 0);
    EXPECT_EQ(run_messages().front(),
              "Runtime error: 'kjtest_nothing' attempt to call non-function or missing operand");
}

TEST_F(CalleeTest, SpreadingAnArrayIntoThreeParameters) {
    assemble("global g\n");
    set_global("g", spread_array({1, 2, 3}));
    const Value r = run_for_r(R"(
function f(a, b, c)
  PSH 0
  LAP 0
  PSH 100
  OPR *
  PSH 0
  LAP 1
  PSH 10
  OPR *
  OPR +
  PSH 0
  LAP 2
  OPR +
  RET 1
end
function main()
  PSH 0
  LOD f
  PSH 0
  LOD g
  CAL 1
  STO r
  POP 0
  PSH 0
  RET 0
end
)");
    EXPECT_EQ(r.u.ival, 123);
    // The variable's array was copied, not taken apart.
    EXPECT_EQ(global("g").u.arr.n, 3);
    EXPECT_TRUE(value::owns(global("g")));
}

TEST_F(CalleeTest, SpreadPartsAndTheirPlaces) {
    // record(1, <spread>, 9): the parts replace the marked argument in place.
    Value matrix{};
    value::set_matrix_zero(matrix, 2, 3);
    matrix.type |= value::k_varargs;
    Value empty_matrix{};
    value::set_matrix(empty_matrix, 0, 0);
    empty_matrix.type |= value::k_varargs;
    const struct {
        const char* name;
        Value spread;
        std::vector<int> args;
    } cases[] = {
        {"array", spread_array({4, 5}), {1, 4, 5, 9}},
        {"matrix columns", matrix, {1, 1021, 1021, 1021, 9}},
        {"empty array", spread_array({}), {1, 9}},
        {"empty matrix", empty_matrix, {1, 9}},
        {"single element", spread_array({7}), {1, 7, 9}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        add_native("record", 0, record, true);
        assemble("global g\n");
        set_global("g", c.spread);
        ASSERT_EQ(run("function main()\n  PSH 0\n  LOD record\n  PSH 1\n  PSH 0\n  LOD g\n  PSH 9\n  CAL 3\n"
                      "  POP 0\n  PSH 0\n  RET 0\nend\n"),
                  1)
            << joined();
        EXPECT_EQ(g_args, c.args);
    }
}

TEST_F(CalleeTest, SpreadOperatorMarksTheArgument) {
    add_native("record", 0, record, true);
    assemble("global m\n");
    Value m{};
    value::set_matrix_zero(m, 3, 2);
    set_global("m", m);
    ASSERT_EQ(run("function main()\n  PSH 0\n  LOD record\n  PSH 0\n  LOD m\n  OPR 58\n  CAL 1\n"
                  "  POP 0\n  PSH 0\n  RET 0\nend\n"),
              1)
        << joined();
    EXPECT_EQ(g_args, (std::vector<int>{1031, 1031}));
    EXPECT_FALSE(value::has_flag(global("m"), value::k_varargs));
}

TEST_F(CalleeTest, SpreadingBeyondTheStackIsStackOverflow) {
    runtime::settings().stack_size = 100;
    add_native("record", 0, record, true);
    assemble("global g\n");
    Value a{};
    value::set_array(a, 95);
    for (int i = 0; i < 95; ++i) a.u.arr.v[i] = value::make_int(i);
    a.type |= value::k_varargs;
    set_global("g", a);
    EXPECT_EQ(run("function main()\n  PSH 0\n  LOD record\n  PSH 0\n  LOD g\n  CAL 1\n  RET 1\nend\n"), 0);
    EXPECT_EQ(run_messages().front(), "Runtime error: stack overflow");
}

TEST_F(CalleeTest, OwnedSpreadArrayGivesUpItsElements) {
    // An array built in the call (owned by the stack) is taken apart; a
    // nested string element moves without a copy, which leaks nothing.
    add_native("record", 0, record, true);
    add_native("make", 0, [](KjValue* result, KjValue*, int) {
        KjValSetArray(result, 2);
        KjValSetInt(KjValGetArrayVal(result, 0), 3);
        KjValSetString(KjValGetArrayVal(result, 1), "moved");
        result->type |= KJ_FLAG_VARARGS;
    });
    ASSERT_EQ(run("function main()\n  PSH 0\n  LOD record\n  PSH 0\n  LOD make\n  CAL 0\n  CAL 1\n"
                  "  POP 0\n  PSH 0\n  RET 0\nend\n"),
              1)
        << joined();
    EXPECT_EQ(g_args, (std::vector<int>{3, -1}));
}

}  // namespace
}  // namespace kj::test
