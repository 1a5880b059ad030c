// Lambdas (NTP 13, CAL of a lambda, RTL) and callbacks into the language
// through FKjCallBack.
#include "vm/engine_fixture.h"

namespace kj::test {
namespace {

using value::Value;

// f(a) makes the lambda p => (local 1 := p + a), stores it in `lam` and
// runs `call`, then `result`. The lambda reaches f's argument and locals
// wherever it is called from. The NTP is 10 instructions after the lambda's
// entry (the JMP over its body).
std::string lambda_maker(const std::string& call, const std::string& result) {
    return R"(function f(a)
  INT 2
  JMP over
  LBP 0
  PSH 0
  LAP 0
  OPR +
  SBP 1
  RTL 1
over:
  PSH 1
  PSH 10
  PSH 0
  NTP 13
  STO lam
  POP 0
)" + call + result + "end\n";
}

// CALLER(lam, 5)
std::string call_with(const std::string& caller) {
    return "  PSH 0\n  LOD " + caller + "\n  PSH 0\n  LOD lam\n  PSH 5\n  CAL 2\n";
}

// g(fn, x) calls fn(x).
const char* const k_caller = R"(
global r
global lam
function g(fn, x)
  PSH 0
  LAP 0
  PSH 0
  LAP 1
  CAL 1
  RET 1
end
)";

const char* const k_call_f = R"(
function main()
  PSH 0
  LOD f
  PSH 100
  CAL 1
  STO r
  POP 0
  PSH 0
  RET 0
end
)";

// apply(fn, x): FKjCallBack(fn, x).
void apply(KjValue* result, KjValue* args, int) { FKjCallBack(&args[0], result, &args[1], 1); }

TEST_F(EngineTest, LambdaReachesItsDefiningFrame) {
    // The lambda writes f's local 1, which f returns after g called it.
    ASSERT_EQ(run(std::string(k_caller) + lambda_maker(call_with("g"), "  POP 0\n  PSH 0\n  LBP 1\n  RET 1\n") + k_call_f),
              1)
        << joined();
    EXPECT_EQ(global("r").u.ival, 105);
    EXPECT_EQ(value::type_of(global("lam")), value::T_Lambda);
}

TEST_F(EngineTest, LambdaThroughACallback) {
    // The callback runs on a copy of the stack: the lambda's result comes back.
    add_native("apply", 2, apply);
    ASSERT_EQ(run(std::string(k_caller) + lambda_maker(call_with("apply"), "  RET 1\n") + k_call_f), 1) << joined();
    EXPECT_EQ(global("r").u.ival, 105);
}

TEST_F(EngineTest, LambdaErrors) {
    const std::string in_context = lambda_maker(call_with("g"), "  RET 1\n");
    const struct {
        const char* name;
        std::string f;
        std::string main;
        const char* message;
    } cases[] = {
        {"after its function returned", in_context,
         "  PSH 0\n  LOD f\n  PSH 100\n  CAL 1\n  POP 0\n  PSH 0\n  LOD lam\n  PSH 1\n  CAL 1\n",
         "lambda function called out of context"},
        {"wrong number of arguments", lambda_maker("  PSH 0\n  LOD lam\n  PSH 1\n  PSH 2\n  CAL 2\n", "  RET 1\n"),
         "  PSH 0\n  LOD f\n  PSH 100\n  CAL 1\n", "'lambda function' wrong number of arguments"},
        {"RTL outside a lambda", in_context, "  PSH 0\n  RTL 1\n", "'missing lambda return' fatal error"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        EXPECT_EQ(run(std::string(k_caller) + c.f + "function main()\n" + c.main + "  RET 1\nend\n"), 0);
        ASSERT_FALSE(run_messages().empty());
        EXPECT_EQ(run_messages().front(), std::string("Runtime error: ") + c.message);
    }
}

TEST_F(EngineTest, CallBackIntoCompiledAndNativeFunctions) {
    add_native("apply", 2, apply);
    add_native("twice", 1, [](KjValue* result, KjValue* args, int) { KjValSetInt(result, 2 * args[0].u.ival); });
    ASSERT_EQ(run(R"(
global r
global n
function sq(x)
  PSH 0
  LAP 0
  PSH 0
  LAP 0
  OPR *
  RET 1
end
function main()
  PSH 0
  LOD apply
  PSH 0
  LOD sq
  PSH 7
  CAL 2
  STO r
  POP 0
  PSH 0
  LOD apply
  PSH 0
  LOD twice
  PSH 21
  CAL 2
  STO n
  POP 0
  PSH 0
  RET 0
end
)"),
              1)
        << joined();
    EXPECT_EQ(global("r").u.ival, 49);
    EXPECT_EQ(global("n").u.ival, 42);

    // Outside a run: a callback still runs; a null function is refused.
    Value fn = global("sq"), arg = value::make_int(3), result = value::make_int(0);
    EXPECT_EQ(FKjCallBack(&fn, &result, &arg, 1), 1);
    EXPECT_EQ(result.u.ival, 9);
    EXPECT_EQ(FKjCallBack(nullptr, &result, &arg, 1), 0);
}

TEST_F(EngineTest, FailingCallBackRaisesInTheCaller) {
    add_native("apply", 2, apply);
    assemble("function bad(x)\n  PSH 0\n  LIT \"nothing\"\n  CAL 0\n  RET 1\nend\n");
    EXPECT_EQ(run("function main()\n  PSH 0\n  LOD apply\n  PSH 0\n  LOD bad\n  PSH 1\n  CAL 2\n  RET 1\nend\n"), 0);
    ASSERT_FALSE(run_messages().empty());
    EXPECT_EQ(run_messages().front(), "Runtime error: 'nothing' attempt to call non-function or missing operand");
    bool raised = false;
    for (const std::string& m : run_messages()) raised |= m == "Runtime error: in callback function";
    EXPECT_TRUE(raised) << joined();

    // With no run active the failure is only the result.
    captured().run_messages.clear();
    Value fn = global("bad"), arg = value::make_int(1), result = value::make_int(0);
    EXPECT_EQ(FKjCallBack(&fn, &result, &arg, 1), 0);
    for (const std::string& m : run_messages()) EXPECT_NE(m, "Runtime error: in callback function");
}

}  // namespace
}  // namespace kj::test
