// The dispatch loop runs instruction sequences as one step; a jump into such a
// sequence, and code changed between runs, must still run as written.
#include "link/code_image.h"
#include "vm/engine_fixture.h"

namespace kj::test {
namespace {

// r = local - 3, with the local loaded by PBP, then PSH 3 and OPR - (89).
constexpr const char* k_minus_three = R"(
global r
function main()
  INT 1
  PSH 0
  LTI 10
  SBP 0
  POP 0
  PSH 0
  PBP 0
  PSH 3
  OPR 89
  STO r
  POP 1
  RET 0
end
)";

TEST_F(EngineTest, JumpIntoAFusedSequenceRunsItsTail) {
    // 7 is pushed and the jump lands on PSH 3: 7 - 3, not 10 - 3.
    const value::Value r = run_for_r(R"(
function main()
  INT 1
  PSH 0
  LTI 10
  SBP 0
  POP 0
  PSH 0
  PSH 7
  JMP mid
  PBP 0
mid:
  PSH 3
  OPR 89
  STO r
  POP 1
  RET 0
end
)");
    EXPECT_EQ(r.u.ival, 4) << joined();
}

TEST_F(EngineTest, CodeChangedBetweenRunsRunsAsChanged) {
    assemble(k_minus_three);
    const int start = IKjRunInit();
    ASSERT_GT(start, 0);
    ASSERT_EQ(FKjRun(start, nullptr), 1) << joined();
    EXPECT_EQ(global("r").u.ival, 7);

    // The operator becomes + (99) and the constant 5.
    int opr = 0;
    while (link::code_instr(opr).op != static_cast<int32_t>(link::Op::Opr)) ++opr;
    link::code_at(opr).operand = 99;
    link::code_at(opr - 1).operand = 5;
    ASSERT_EQ(FKjRun(start, nullptr), 1) << joined();
    EXPECT_EQ(global("r").u.ival, 15);

    // Without the PSH the operator adds the pushed 0 and the local.
    link::code_at(opr - 1).op = static_cast<int32_t>(link::Op::Nop);
    ASSERT_EQ(FKjRun(start, nullptr), 1) << joined();
    EXPECT_EQ(global("r").u.ival, 10);
}

}  // namespace
}  // namespace kj::test
