// Loads, stores, jumps, stack shapes and the scalar operator fast paths.
#include <cmath>

#include "vm/engine_fixture.h"

namespace kj::test {
namespace {

using value::Value;

TEST_F(EngineTest, StoresLeaveAnAliasAndJumpsFollowTruth) {
    // r = 3; while (r) r = r - 1 ... counts down with JMF leaving the test on the stack.
    const Value r = run_for_r(R"(
function main()
  INT 1
  PSH 0
  LTI 3
  SBP 0
  STO r
  POP 0
top:
  PSH 0
  LBP 0
  JMF out
  PSH 1
  OPR -
  SBP 0
  POP 0
  PSH 0
  LOD r
  PSH 10
  OPR +
  STO r
  POP 0
  JMP top
out:
  POP 0
  PSH 0
  RET 0
end
)");
    EXPECT_EQ(r.type, value::T_Int);
    EXPECT_EQ(r.u.ival, 33);
}

TEST_F(EngineTest, StackShapeInstructions) {
    // POP 2 removes three records; DUP 2 copies two in order; EXC swaps.
    const Value r = run_for_r(R"(
function main()
  PSH 0
  PSH 1
  PSH 2
  PSH 3
  POP 2
  PSH 7
  PSH 5
  DUP 2
  OPR -
  EXC
  POP 0
  STO r
  POP 2
  PSH 0
  RET 0
end
)");
    EXPECT_EQ(r.u.ival, 2);  // 7 - 5 of the duplicated pair
}

TEST_F(EngineTest, ComputedJumpThroughCodeAddress) {
    const Value r = run_for_r(R"(
function main()
  PSH 0
  LIP there
  JST 0
  PSH 0
  LTI 99
  STO r
  POP 0
there:
  PSH 0
  LTI 7
  STO r
  POP 1
  PSH 0
  RET 0
end
)");
    EXPECT_EQ(r.u.ival, 7);
}

TEST_F(EngineTest, JumpToAnOrdinaryIntIsRejected) {
    EXPECT_EQ(run(R"(
function main()
  PSH 3
  JST 0
  RET 0
end
)"), 0);
    EXPECT_EQ(run_messages().front(), "Runtime error: invalid address for jump");
}

TEST_F(EngineTest, LoadingGlobalWithoutValueIsAllowedButLocalIsNot) {
    assemble("global g\nglobal r\n");
    link::symbol_at(link::find_symbol("g")).val = value::make_null();
    EXPECT_EQ(run(R"(
function main()
  INT 1
  PSH 0
  LOD g
  POP 0
  PSH 0
  LTI 1
  STO r
  LBP 0
  RET 0
end
)"), 0);
    EXPECT_EQ(global("r").u.ival, 1);
    EXPECT_EQ(run_messages().front(), "Runtime error: variable has no value");
}

// Operator fast paths on scalars: left, operator, right, expected result.
struct ScalarCase {
    const char* name;
    const char* left;
    const char* op;
    const char* right;
    uint32_t type;
    double expected;
};

TEST_F(EngineTest, ScalarOperatorFastPaths) {
    const ScalarCase cases[] = {
        {"int wraps", "2147483647", "+", "1", value::T_Int, -2147483648.0},
        {"int minus", "3", "-", "10", value::T_Int, -7},
        {"int product wraps", "65536", "*", "65536", value::T_Int, 0},
        {"int division is double", "7", "/", "2", value::T_Double, 3.5},
        {"division by zero", "1", "/", "0", value::T_Double, INFINITY},
        {"remainder sign of left", "-7", "%", "2", value::T_Int, -1},
        {"remainder by -1", "-2147483648", "%", "-1", value::T_Int, 0},
        {"mixed sum", "1", "+", "2.5", value::T_Double, 3.5},
        {"double product", "2.5", "*", "4", value::T_Double, 10},
        {"int compare", "3", "<", "4", value::T_Int, 1},
        {"mixed compare", "3", ">=", "3.5", value::T_Int, 0},
        {"double equal", "0.5", "==", "0.5", value::T_Int, 1},
        {"NaN orders false", "nan", "<", "1", value::T_Int, 0},
        {"NaN orders false reversed", "1", ">=", "nan", value::T_Int, 0},
    };
    for (const ScalarCase& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        const Value r = run_for_r(std::string("function main()\n  PSH 0\n  LIT ") + c.left + "\n  PSH 0\n  LIT " +
                                  c.right + "\n  OPR " + c.op + "\n  STO r\n  POP 0\n  PSH 0\n  RET 0\nend\n");
        ASSERT_EQ(r.type, c.type);
        EXPECT_EQ(c.type == value::T_Int ? r.u.ival : r.u.dval, c.expected);
    }
}

TEST_F(EngineTest, UnaryFastPaths) {
    const struct {
        const char* operand;
        const char* op;
        uint32_t type;
        double expected;
    } cases[] = {{"-2147483648", "neg", value::T_Int, -2147483648.0},
                 {"2.5", "neg", value::T_Double, -2.5},
                 {"2147483647", "++", value::T_Int, -2147483648.0},
                 {"1.5", "--", value::T_Double, 0.5}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.operand) + " " + c.op);
        TearDown();
        SetUp();
        const Value r = run_for_r(std::string("function main()\n  PSH 0\n  LIT ") + c.operand + "\n  OPR " + c.op +
                                  "\n  STO r\n  POP 0\n  PSH 0\n  RET 0\nend\n");
        ASSERT_EQ(r.type, c.type);
        EXPECT_EQ(c.type == value::T_Int ? r.u.ival : r.u.dval, c.expected);
    }
}

TEST_F(EngineTest, OperandsOutsideTheFastPathReachTheGeneralOperators) {
    // Strings are not scalars: the general routine decides (here: bad operand).
    EXPECT_EQ(run(R"(
function main()
  PSH 0
  LIT "a"
  PSH 0
  LIT 1
  OPR +
  RET 1
end
)"), 0);
    EXPECT_EQ(run_messages().front(), "Runtime error: 'string[1] + int' bad operand");
}

TEST_F(EngineTest, UnknownOpcodesAreSkipped) {
    const Value r = run_for_r(R"(
function main()
  PSH 0
  LTI 4
  STO r
  RET 0
end
)");
    EXPECT_EQ(r.u.ival, 4);
    // An opcode outside the list placed before the RET changes nothing.
    TearDown();
    SetUp();
    assemble("global r\nfunction main()\n  PSH 0\n  LTI 5\n  STO r\n  NOP\n  RET 0\nend\n");
    link::code_at(link::code_size() - 2).op = 1;
    const int start = IKjRunInit();
    EXPECT_EQ(FKjRun(start, nullptr), 1);
    EXPECT_EQ(global("r").u.ival, 5);
}

TEST_F(EngineTest, AddressOfArrayElement) {
    // ADR of a local element of an array (XLD form) gives an address value
    // pointing into the array's block.
    assemble("global a\nglobal r\n");
    value::set_array(link::symbol_at(link::find_symbol("a")).val, 3);
    EXPECT_EQ(run(R"(
function main()
  PSH 0
  LOD a
  PSH 2
  ADR
  XLD
  STO r
  RET 0
end
)"), 1) << joined();
    const Value r = global("r");
    ASSERT_EQ(value::type_of(r), value::T_Array);
    EXPECT_TRUE(value::has_flag(r, value::k_address));
    EXPECT_EQ(r.u.arr.v, global("a").u.arr.v + 2);
}

TEST_F(EngineTest, PreparedIndexedStoreTurnsScalarIntoMatrix) {
    const Value r = run_for_r(R"(
function main()
  PSH 0
  LTI 8
  STO r
  XRS 1
  LOD r
  POP 0
  PSH 0
  RET 0
end
)");
    ASSERT_EQ(value::type_of(r), value::T_Matrix);
    EXPECT_EQ(r.u.mat.r, 1);
    EXPECT_EQ(r.u.mat.m[0][0], 8.0);
}

TEST_F(EngineTest, ReferenceToUnsupportedOperandFails) {
    EXPECT_EQ(run("function main()\n  PSH 0\n  ADR\n  LTI 3\n  RET 0\nend\n"), 0);
    EXPECT_EQ(run_messages().front(), "Runtime error: cannot take reference");
}

}  // namespace
}  // namespace kj::test
