// Error reports: message, location, call trace and exit callback codes.
#include "vm/engine_fixture.h"

namespace kj::test {
namespace {

// f1 calls f2 ... fN; fN loads a local without value on line 100 + N. Each
// fK has its call on line K; main calls f1 on line 1000.
std::string call_chain(int depth) {
    std::string s;
    for (int k = 1; k < depth; ++k)
        s += "function f" + std::to_string(k) + "() file \"chain.kj\"\n  PSH 0\n  LOD f" + std::to_string(k + 1) +
             "\n  CAL 0\n  NUM " + std::to_string(k) + "\n  RET 1\nend\n";
    s += "function f" + std::to_string(depth) + "() file \"chain.kj\"\n  INT 1\n  PSH 0\n  LBP 0\n  NUM " +
         std::to_string(100 + depth) + "\n  RET 1\nend\n";
    return s + "function main() file \"chain.kj\"\n  PSH 0\n  LOD f1\n  CAL 0\n  NUM 1000\n  RET 1\nend\n";
}

TEST_F(EngineTest, ErrorReportsLocationAndTrace) {
    EXPECT_EQ(run(call_chain(3)), 0);
    const std::vector<std::string> expected = {
        "Runtime error: variable has no value",
        "Runtime error occurred in f3 (103), call trace: chain.kj (103): f3",
        "chain.kj (2): f2",
        "chain.kj (1): f1",
        "chain.kj (1000): main",
    };
    EXPECT_EQ(run_messages(), expected);
    EXPECT_EQ(exit_codes(), (std::vector<int>{12, 0}));
}

TEST_F(EngineTest, LongTraceIsCutAfterTenFrames) {
    EXPECT_EQ(run(call_chain(15)), 0);
    const auto& m = run_messages();
    ASSERT_EQ(m.size(), 13u) << joined();
    EXPECT_EQ(m[1], "Runtime error occurred in f15 (115), call trace: chain.kj (115): f15");
    EXPECT_EQ(m[2], "chain.kj (14): f14");
    EXPECT_EQ(m[11], "chain.kj (5): f5");
    EXPECT_EQ(m[12], "remaining calls not listed");
}

TEST_F(EngineTest, ErrorWithoutLineMarkersPrintsOneLine) {
    EXPECT_EQ(run("function main()\n  INT 1\n  PSH 0\n  LBP 0\n  RET 1\nend\n"), 0);
    EXPECT_EQ(run_messages(), (std::vector<std::string>{"Runtime error: variable has no value"}));
}

TEST_F(EngineTest, NegativeLineMarkerAndUnknownFile) {
    // A negative operand n stands for line -n - 1; a function without file
    // literal prints the line alone.
    assemble("function main()\n  INT 1\n  PSH 0\n  LBP 0\n  NUM -8\n  RET 1\nend\n");
    link::symbol_at(link::find_symbol("main")).val.u.fn.info->file = 0;
    EXPECT_EQ(FKjRun(IKjRunInit(), nullptr), 0);
    ASSERT_EQ(run_messages().size(), 2u);
    EXPECT_EQ(run_messages()[1], "Runtime error occurred in main (7), call trace: (7): main");
}

TEST_F(EngineTest, GlobalsKeepValuesAfterErrorAndStackIsReset) {
    assemble(R"(
global g
function main()
  INT 1
  PSH 0
  LIT "kept"
  STO g
  PSH 0
  LIT "temporary"
  PSH 0
  LBP 0
  RET 1
end
)");
    const int start = IKjRunInit();
    EXPECT_EQ(FKjRun(start, nullptr), 0);
    const value::Value g = global("g");
    ASSERT_EQ(value::type_of(g), value::T_String);
    EXPECT_STREQ(g.u.str.s, "kept");
    EXPECT_TRUE(value::owns(g));
    vm::Engine& e = vm::main_engine();
    EXPECT_EQ(e.sp, e.base);
    EXPECT_EQ(e.failed, 1);
}

TEST_F(EngineTest, UnbalancedStackIsStackError) {
    EXPECT_EQ(run("function main()\n  PSH 0\n  PSH 0\n  EXT\nend\n"), 0);
    EXPECT_EQ(run_messages().front(), "Runtime error: Stack error");
}

TEST_F(EngineTest, WarningPrintsLocation) {
    // A native function warns; the location of the calling instruction follows.
    add_native("warn", 0, [](KjValue*, KjValue*, int) { KjRunWarning("det", 0); });
    assemble("function main() file \"w.kj\"\n  PSH 0\n  LOD warn\n  CAL 0\n  NUM 4\n  RET 1\nend\n");
    EXPECT_EQ(FKjRun(IKjRunInit(), nullptr), 1);
    EXPECT_EQ(run_messages(), (std::vector<std::string>{"Warning: det: decomposition failed", "w.kj (4): main"}));
}

TEST_F(EngineTest, AbortStopsAtTheNextLineMarker) {
    add_native("stop", 0, [](KjValue*, KjValue*, int) { KjRunAbort(); });
    assemble("global r\nfunction main()\n  PSH 0\n  LOD stop\n  CAL 0\n  NUM 2\n  PSH 0\n  LTI 1\n  STO r\n"
             "  RET 1\nend\n");
    EXPECT_EQ(FKjRun(IKjRunInit(), nullptr), 0);
    EXPECT_EQ(run_messages().front(), "Runtime error: user abort");
    EXPECT_EQ(global("r").u.ival, 0);
}

// With no run to unwind, the error is a fatal stop: the host hears 1 through
// its exit callback and the call returns (the library never ends the process).
int g_exit_told = -1;
TEST_F(EngineTest, ErrorOutsideAnyRunIsFatalButReturns) {
    vm::main_engine();
    runtime::error_reporter().unwind = vm::recover;
    KjExitFn saved = runtime::state().exit_fn;
    runtime::state().exit_fn = [](int code) {
        if (code != 0) g_exit_told = code;
    };
    KjRunError(3, nullptr);
    runtime::state().exit_fn = saved;
    EXPECT_EQ(g_exit_told, 1);
}

}  // namespace
}  // namespace kj::test
