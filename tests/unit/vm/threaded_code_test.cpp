// The dispatch loop runs instruction sequences as one step; a jump into such a
// sequence, and code changed between runs, must still run as written.
#include <string>

#include "link/code_image.h"
#include "vm/engine_fixture.h"

namespace kj::test {
namespace {

// main with the local 10 in slot 0; `middle` computes r from it with
// PBP 0, PSH 3 and OPR - (89).
std::string program(const std::string& middle) {
    return "function main()\n  INT 1\n  PSH 0\n  LTI 10\n  SBP 0\n  POP 0\n  PSH 0\n" + middle +
           "  STO r\n  POP 1\n  RET 0\nend\n";
}

TEST_F(EngineTest, JumpIntoAFusedSequenceRunsItsTail) {
    // 7 is pushed and the jump lands on PSH 3: 7 - 3, not 10 - 3.
    const value::Value r = run_for_r(program("  PSH 7\n  JMP mid\n  PBP 0\nmid:\n  PSH 3\n  OPR 89\n"));
    EXPECT_EQ(r.u.ival, 4) << joined();
}

TEST_F(EngineTest, CodeChangedBetweenRunsRunsAsChanged) {
    assemble("global r\n" + program("  PBP 0\n  PSH 3\n  OPR 89\n"));
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
