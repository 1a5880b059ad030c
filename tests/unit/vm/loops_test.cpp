// Canonical for loops and foreach iteration.
#include "value/matrix_block.h"
#include "vm/engine_fixture.h"

namespace kj::test {
namespace {

using value::Value;

// A canonical loop over local 0 counting its iterations in global "n";
// global "r" receives the counter afterwards.
std::string counted_loop(int start, int limit, const char* tok, int step) {
    return "global n\nfunction main()\n  INT 1\n  PSH 0\n  LTI " + std::to_string(start) + "\n  PSH " +
           std::to_string(limit) + "\n  PSH " + tok + "\n  PSH 0\n  PSH " + std::to_string(step) +
           "\ntop:\n  FOR -12\n  JMP done\n  PSH 0\n  LOD n\n  PSH 1\n  OPR +\n  STO n\n  POP 0\n  JMP top\n"
           "done:\n  POP 0\n  PSH 0\n  LBP 0\n  STO r\n  POP 0\n  PSH 0\n  RET 0\nend\n";
}

TEST_F(EngineTest, CanonicalForLoopCounts) {
    const struct {
        int start, limit;
        const char* tok;  // token codes: < 127, <= 126, > 125, >= 124
        int step, iterations, final_counter;
    } cases[] = {
        {0, 10, "127", 3, 4, 12},  {0, 10, "126", 5, 3, 15},  {10, 0, "125", -3, 4, -2},
        {10, 0, "124", -5, 3, -5}, {10, 0, "127", 1, 0, 10},  {0, 0, "126", 1, 1, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.start) + " " + c.tok + " " + std::to_string(c.limit));
        TearDown();
        SetUp();
        const Value r = run_for_r(counted_loop(c.start, c.limit, c.tok, c.step));
        EXPECT_EQ(global("n").u.ival, c.iterations);
        EXPECT_EQ(r.u.ival, c.final_counter);
    }
}

TEST_F(EngineTest, CanonicalForLoopWithoutProgressIsInfinite) {
    for (const auto& [limit, tok, step] : {std::tuple{10, "127", 0}, std::tuple{-10, "125", 1}}) {
        TearDown();
        SetUp();
        EXPECT_EQ(run("global r\n" + counted_loop(0, limit, tok, step)), 0);
        EXPECT_EQ(run_messages().front(), "Runtime error: infinite loop");
    }
}

TEST_F(EngineTest, CanonicalForLoopNeedsItsExitJump) {
    std::string src = counted_loop(0, 3, "127", 1);
    src.replace(src.find("  JMP done"), 10, "  NOP");
    EXPECT_EQ(run("global r\n" + src), 0);
    EXPECT_EQ(run_messages().front(), "Runtime error: for loop error");
}

// foreach x in c[i][j] over global "c": local 0 is x, 1 is i, 2 is j; the
// body adds 1 to "n" and, for scalars, x to "r"; "last" gets x.
std::string foreach_loop(const std::string& i_term, const std::string& j_term, int step_code = -1) {
    return "global n\nglobal last\nglobal r = 0\nglobal c\nfunction main()\n  INT 3\n  PSH 0\n  SBP 2\n  POP 0\n  PSH 0\n  LTI 0\n"
           "  PSH 0\n  ADS\n  LOD c\n" + i_term + j_term +
           "  PSH 0\n  FOR 2\nstep:\n  FOR " + std::to_string(step_code) +
           "\n  JMT body\n  JMP done\nbody:\n  PSH 0\n  LOD n\n  PSH 1\n  OPR +\n  STO n\n  POP 0\n"
           "  PSH 0\n  LBP 0\n  STO last\n  POP 0\n  JMP step\ndone:\n  POP 3\n  SBZ 0\n  PSH 0\n  LBP 2\n"
           "  STO r\n  POP 1\n  PSH 0\n  RET 0\nend\n";
}

const std::string k_i = "  PSH 0\n  LBR 1\n", k_j = "  PSH 0\n  LBR 2\n", k_none = "  PSH -1\n", k_pad = "  PSH -2\n";

void set_matrix_2x3(Value& v) {
    value::set_matrix(v, 2, 3);
    for (int k = 0; k < 6; ++k) v.u.mat.m[0][k] = k + 1;
}

TEST_F(EngineTest, ForeachOverMatrixByMode) {
    const struct {
        const char* name;
        std::string i, j;
        int iterations;
        int last_rows, last_cols;  // 0, 0: a double
        double last_first;
        int final_j;
    } cases[] = {
        {"elements", k_i, k_j, 6, 0, 0, 6, 2},
        {"sequence", k_i, k_pad, 6, 0, 0, 6, 0},
        {"rows", k_i, k_none, 2, 1, 3, 4, 0},
        {"columns", k_none, k_j, 3, 2, 1, 3, 3},
    };
    for (int step : {-1, -2}) {
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (step == -2 ? " canonical" : ""));
            TearDown();
            SetUp();
            assemble(foreach_loop(c.i, c.j, step));
            set_matrix_2x3(link::symbol_at(link::find_symbol("c")).val);
            const int start = IKjRunInit();
            ASSERT_EQ(FKjRun(start, nullptr), 1) << joined();
            EXPECT_EQ(global("n").u.ival, c.iterations);
            const Value last = global("last");
            if (c.last_rows == 0) {
                ASSERT_EQ(last.type, value::T_Double);
                EXPECT_EQ(last.u.dval, c.last_first);
            } else {
                ASSERT_EQ(value::type_of(last), value::T_Matrix);
                EXPECT_EQ(last.u.mat.r, c.last_rows);
                EXPECT_EQ(last.u.mat.c, c.last_cols);
                EXPECT_EQ(last.u.mat.m[0][0], c.last_first);
            }
            EXPECT_EQ(global("r").u.ival, c.final_j);
        }
    }
}

TEST_F(EngineTest, ForeachOverStringAndArray) {
    assemble(foreach_loop(k_i, k_pad) + "");
    Value& c = link::symbol_at(link::find_symbol("c")).val;
    value::set_string(c, "abc", 3);
    ASSERT_EQ(FKjRun(IKjRunInit(), nullptr), 1) << joined();
    EXPECT_EQ(global("n").u.ival, 3);
    EXPECT_EQ(global("last").u.ival, 'c');

    TearDown();
    SetUp();
    assemble(foreach_loop(k_i, k_pad));
    Value& a = link::symbol_at(link::find_symbol("c")).val;
    value::set_array(a, 2);
    a.u.arr.v[0] = value::make_int(1);
    value::set_string(a.u.arr.v[1], "xy", 2);
    ASSERT_EQ(FKjRun(IKjRunInit(), nullptr), 1) << joined();
    EXPECT_EQ(global("n").u.ival, 2);
    const Value last = global("last");
    ASSERT_EQ(value::type_of(last), value::T_String);
    EXPECT_STREQ(last.u.str.s, "xy");
    EXPECT_NE(last.u.str.s, a.u.arr.v[1].u.str.s);  // a private copy
}

TEST_F(EngineTest, ForeachOverEmptyMatrixRunsNothing) {
    assemble(foreach_loop(k_i, k_j));
    value::set_matrix(link::symbol_at(link::find_symbol("c")).val, 3, 0);
    ASSERT_EQ(FKjRun(IKjRunInit(), nullptr), 1) << joined();
    EXPECT_EQ(global("n").u.ival, 0);
}

TEST_F(EngineTest, ForeachDetectsChangedCollection) {
    std::string src = foreach_loop(k_i, k_j);
    src.insert(src.find("  JMP step"), "  PSH 0\n  LTI 5\n  STO c\n  POP 0\n");
    assemble(src);
    set_matrix_2x3(link::symbol_at(link::find_symbol("c")).val);
    EXPECT_EQ(FKjRun(IKjRunInit(), nullptr), 0);
    EXPECT_EQ(run_messages().front(), "Runtime error: variable changed in for each");
}

TEST_F(EngineTest, ForeachNeedsAnAddress) {
    std::string src = foreach_loop(k_i, k_j);
    src.replace(src.find("  ADS\n"), 6, "");
    assemble(src);
    EXPECT_EQ(FKjRun(IKjRunInit(), nullptr), 0);
    EXPECT_EQ(run_messages().front(), "Runtime error: wrong type");
}

}  // namespace
}  // namespace kj::test
