// Calls and returns of compiled and native functions.
#include "vm/engine_fixture.h"

namespace kj::test {
namespace {

using value::Value;

// f(a, b = 10, c = 100) returns a + b + c.
const char* const k_defaults = R"(
function f(a, b = 10, const c = 100)
  PSH 0
  LAP 0
  PSH 0
  LAP 1
  OPR +
  PSH 0
  LAP 2
  OPR +
  RET 1
end
)";

std::string call_f(int args) {
    std::string s = "function main()\n  PSH 0\n  LOD f\n";
    for (int i = 1; i <= args; ++i) s += "  PSH " + std::to_string(i) + "\n";
    return s + "  CAL " + std::to_string(args) + "\n  STO r\n  POP 0\n  PSH 0\n  RET 0\nend\n";
}

TEST_F(EngineTest, MissingArgumentsComeFromDefaults) {
    const struct {
        int args;
        int expected;
    } cases[] = {{1, 111}, {2, 103}, {3, 6}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args);
        TearDown();
        SetUp();
        EXPECT_EQ(run_for_r(std::string(k_defaults) + call_f(c.args)).u.ival, c.expected);
    }
}

TEST_F(EngineTest, ArgumentCountIsChecked) {
    for (int args : {0, 4}) {
        SCOPED_TRACE(args);
        TearDown();
        SetUp();
        EXPECT_EQ(run("global r\n" + std::string(k_defaults) + call_f(args)), 0);
        EXPECT_EQ(run_messages().front(), "Runtime error: 'f' wrong number of arguments");
    }
}

TEST_F(EngineTest, VariableArgumentsAcceptMore) {
    const Value r = run_for_r(R"(
function g(a, ...)
  PSH 0
  LAP 2
  RET 1
end
function main()
  PSH 0
  LOD g
  PSH 1
  PSH 2
  PSH 3
  CAL 3
  STO r
  POP 0
  PSH 0
  RET 0
end
)");
    EXPECT_EQ(r.u.ival, 3);
}

TEST_F(EngineTest, RecursionComputesFibonacci) {
    const Value r = run_for_r(R"(
function fib(n)
  PSH 0
  LAP 0
  PSH 2
  OPR <
  JMF recurse
  LAP 0
  RET 1
recurse:
  PSH 0
  LOD fib
  PSH 0
  LAP 0
  PSH 1
  OPR -
  CAL 1
  PSH 0
  LOD fib
  PSH 0
  LAP 0
  PSH 2
  OPR -
  CAL 1
  OPR +
  RET 1
end
function main()
  PSH 0
  LOD fib
  PSH 20
  CAL 1
  STO r
  POP 0
  PSH 0
  RET 0
end
)");
    EXPECT_EQ(r.u.ival, 6765);
}

TEST_F(EngineTest, DeclaredButUndefinedFunctionFailsWhenCalled) {
    // The link check reports it first; a value bound later still fails at the call.
    assemble("extern h(x)\nfunction main()\n  PSH 0\n  LOD h\n  PSH 1\n  CAL 1\n  RET 1\nend\n");
    EXPECT_EQ(IKjRunInit(), -1);
    EXPECT_EQ(messages().back(), "test.kj: Link error: 'h' undefined function");
}

TEST_F(EngineTest, CallingANonFunctionFails) {
    EXPECT_EQ(run("function main()\n  PSH 0\n  LTI 4\n  CAL 0\n  RET 1\nend\n"), 0);
    EXPECT_EQ(run_messages().front(), "Runtime error: attempt to call non-function or missing operand");
}

TEST_F(EngineTest, StringCalleeNamesAGlobalFunction) {
    EXPECT_EQ(run(R"(
global r
function seven()
  PSH 0
  LTI 7
  RET 1
end
function main()
  PSH 0
  LIT "seven"
  CAL 0
  STO r
  POP 0
  PSH 0
  LIT "nothing"
  CAL 0
  RET 0
end
)"), 0);
    EXPECT_EQ(global("r").u.ival, 7);
    EXPECT_EQ(run_messages().front(), "Runtime error: 'nothing' attempt to call non-function or missing operand");
}

// Native functions: records what they receive.
struct NativeProbe {
    uint32_t type = 0;
    int count = -1;
    bool const_flag = false;
};
NativeProbe g_probe;

void probe(KjValue* result, KjValue* args, int count) {
    g_probe.count = count;
    g_probe.type = count > 0 ? args[0].type : 0;
    kj::value::set_string(*result, "done", 4);
}

int add_probe(int nparam) { return add_native("probe", nparam, probe); }

TEST_F(EngineTest, ReturnWithoutValueLeavesNoValueFlag) {
    // RET -1 leaves int 0 without value in the callee slot; it reaches the
    // native function as it is.
    add_probe(1);
    g_probe = NativeProbe{};
    const Value r = run_for_r(R"(
function nothing()
  RET -1
end
function main()
  PSH 0
  LOD probe
  PSH 0
  LOD nothing
  CAL 0
  CAL 1
  STO r
  POP 0
  PSH 0
  RET 0
end
)");
    EXPECT_EQ(g_probe.count, 1);
    EXPECT_EQ(g_probe.type, value::T_Int | value::k_null);
    ASSERT_EQ(value::type_of(r), value::T_String);
    EXPECT_STREQ(r.u.str.s, "done");
}

TEST_F(EngineTest, NativeArgumentCountIsChecked) {
    add_probe(2);
    EXPECT_EQ(run("function main()\n  PSH 0\n  LOD probe\n  PSH 1\n  CAL 1\n  RET 1\nend\n"), 0);
    EXPECT_EQ(run_messages().front(), "Runtime error: 'probe' wrong number of arguments");
}

TEST_F(EngineTest, ConstParametersAreMarked) {
    // h passes its parameter k on to the probe: flagged const only for b.
    for (int k : {0, 1}) {
        SCOPED_TRACE(k);
        TearDown();
        SetUp();
        add_probe(1);
        g_probe = NativeProbe{};
        EXPECT_EQ(run("function h(a, const b)\n  PSH 0\n  LOD probe\n  PSH 0\n  LAP " + std::to_string(k) +
                      "\n  CAL 1\n  RET 1\nend\nfunction main()\n  PSH 0\n  LOD h\n  PSH 1\n  PSH 2\n"
                      "  CAL 2\n  RET 1\nend\n"),
                  1)
            << joined();
        EXPECT_EQ(value::has_flag(Value{g_probe.type, 0, {}}, value::k_const), k == 1);
    }
}

TEST_F(EngineTest, DeepRecursionIsStackOverflow) {
    runtime::settings().stack_size = 200;
    assemble(R"(
function down()
  INT 3
  PSH 0
  LOD down
  CAL 0
  RET 1
end
function main()
  PSH 0
  LOD down
  CAL 0
  RET 1
end
)");
    const int start = IKjRunInit();
    EXPECT_EQ(FKjRun(start, nullptr), 0);
    EXPECT_EQ(run_messages().front(), "Runtime error: stack overflow");
    // The stack was popped to the run's base: the same start runs again.
    captured().run_messages.clear();
    EXPECT_EQ(FKjRun(start, nullptr), 0);
    EXPECT_EQ(run_messages().front(), "Runtime error: stack overflow");
}

}  // namespace
}  // namespace kj::test
