// Starting programs: entry binding, exit code, exit calls, modes, callbacks.
#include "vm/callback.h"
#include "vm/engine_fixture.h"

namespace kj::test {
namespace {

const char* const k_main3 = "function main()\n  PSH 0\n  LTI 3\n  RET 1\nend\n";

TEST_F(EngineTest, IntResultOfMainBecomesExitCode) {
    EXPECT_EQ(run(k_main3), 1);
    EXPECT_EQ(KjGetUserExitCode(), 3);
    KjSetUserExitCode(9);
    TearDown();
    SetUp();
    KjSetUserExitCode(9);
    EXPECT_EQ(run("function main()\n  PSH 0\n  LIT 2.5\n  RET 1\nend\n"), 1);
    EXPECT_EQ(KjGetUserExitCode(), 9);
}

std::vector<char> g_exit_order;

TEST_F(EngineTest, ExitCallsRunInReverseOrder) {
    g_exit_order.clear();
    KjRunMainExitCall([] { g_exit_order.push_back('A'); });
    KjRunMainExitCall([] { g_exit_order.push_back('B'); });
    EXPECT_EQ(run(k_main3), 1);
    EXPECT_EQ(g_exit_order, (std::vector<char>{'B', 'A'}));
}

TEST_F(EngineTest, StartBindsTheNamedFunction) {
    EXPECT_EQ(run("function other()\n  PSH 0\n  LTI 5\n  RET 1\nend\n" + std::string(k_main3), "other"), 1);
    EXPECT_EQ(KjGetUserExitCode(), 5);
    // A name that is not found leaves main.
    TearDown();
    SetUp();
    EXPECT_EQ(run(k_main3, "absent"), 1);
    EXPECT_EQ(KjGetUserExitCode(), 3);
}

TEST_F(EngineTest, StartFailuresAreLinkErrors) {
    const struct {
        const char* name;
        const char* program;
        int start_offset;  // added to IKjRunInit's result; -1000 for "use 0"
        const char* message;
    } cases[] = {
        {"no main", "function other()\n  RET 0\nend\n", 0, "Link error: 'main' undefined function"},
        {"main with parameter", "function main(a)\n  RET 0\nend\n", 0, "Link error: 'main' no arguments allowed"},
        {"start below 1", k_main3, -1000, "Link error: need iMainIP"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        assemble(c.program);
        const int start = IKjRunInit();
        EXPECT_EQ(FKjRun(c.start_offset == -1000 ? 0 : start + c.start_offset, nullptr), 0);
        EXPECT_EQ(messages().back(), c.message);
    }
}

TEST_F(EngineTest, RunWithoutStackIsReported) {
    assemble(k_main3);
    EXPECT_EQ(FKjRun(5, nullptr), 0);
    EXPECT_EQ(messages().back(), "Link error: 'stack' not inititalized");
}

TEST_F(EngineTest, InteractiveModeNeedsAnInputCallback) {
    std::vector<std::string> puts;
    static std::vector<std::string>* out = nullptr;
    out = &puts;
    assemble(k_main3);
    const int start = IKjRunInit();
    runtime::settings().interactive = true;
    SetKjPipe(0);
    SetKjPuts([](const char* t) { out->emplace_back(t); });
    EXPECT_EQ(FKjRun(start, nullptr), 0);
    SetKjPipe(-1);
    EXPECT_EQ(puts, (std::vector<std::string>{"No input pipe: cannot run in interactive mode.\n"}));
    EXPECT_EQ(exit_codes(), (std::vector<int>{58}));
}

// Native function calling its first argument back with the second.
void call_first(KjValue* result, KjValue* args, int) {
    vm::call_back(args[0], *result, args + 1, 1, vm::OnError::RaiseInCaller);
}

TEST_F(EngineTest, CallbackRunsCompiledFunction) {
    add_native("apply", 2, call_first);
    const value::Value r = run_for_r(R"(
function inc(x)
  PSH 0
  LAP 0
  PSH 1
  OPR +
  RET 1
end
function main()
  PSH 0
  LOD apply
  PSH 0
  LOD inc
  PSH 41
  CAL 2
  STO r
  POP 0
  PSH 0
  RET 0
end
)");
    EXPECT_EQ(r.u.ival, 42);
}

TEST_F(EngineTest, ErrorInCallbackIsRaisedInTheCaller) {
    add_native("apply", 2, call_first);
    EXPECT_EQ(run(R"(
function bad(x) file "cb.kj"
  INT 1
  PSH 0
  LBP 0
  NUM 3
  RET 1
end
function main() file "cb.kj"
  PSH 0
  LOD apply
  PSH 0
  LOD bad
  PSH 1
  CAL 2
  NUM 9
  RET 1
end
)"), 0);
    const std::vector<std::string> expected = {
        "Runtime error: variable has no value",
        "Runtime error occurred in bad (3), call trace: cb.kj (3): bad",
        "Runtime error: in callback function",
        "Runtime error occurred in main (9), call trace: cb.kj (9): main",
    };
    EXPECT_EQ(run_messages(), expected);
    EXPECT_EQ(vm::main_engine().sp, vm::main_engine().base);
}

// A native handing more arguments to a callback than its stack holds gets a
// stack overflow in the caller, not writes past the stack.
void call_first_with_many(KjValue* result, KjValue* args, int) {
    std::vector<value::Value> many(static_cast<std::size_t>(runtime::settings().stack_size) + 10, value::make_int(1));
    vm::call_back(args[0], *result, many.data(), static_cast<int>(many.size()), vm::OnError::RaiseInCaller);
}

TEST_F(EngineTest, CallbackWithMoreArgumentsThanStackOverflows) {
    add_native("applymany", 1, call_first_with_many);
    EXPECT_EQ(run(R"(
function inc(x)
  PSH 0
  RET 1
end
function main() file "cb.kj"
  PSH 0
  LOD applymany
  PSH 0
  LOD inc
  CAL 1
  NUM 9
  RET 1
end
)"), 0);
    const std::vector<std::string> messages = run_messages();
    ASSERT_FALSE(messages.empty());
    EXPECT_NE(std::find_if(messages.begin(), messages.end(),
                           [](const std::string& m) { return m.find("stack overflow") != std::string::npos; }),
              messages.end());
    EXPECT_NE(std::find(messages.begin(), messages.end(), "Runtime error: in callback function"), messages.end())
        << ::testing::PrintToString(messages);
}

TEST_F(EngineTest, CallbackOutsideRunReturnsFailure) {
    assemble("function bad()\n  INT 1\n  PSH 0\n  LBP 0\n  RET 1\nend\n");
    ASSERT_GT(IKjRunInit(), 0);
    value::Value result = value::make_int(7);
    EXPECT_FALSE(vm::call_back(global("bad"), result, nullptr, 0, vm::OnError::RaiseInCaller));
    EXPECT_EQ(result.type, value::T_Int);
    EXPECT_EQ(result.u.ival, 0);
}

}  // namespace
}  // namespace kj::test
