// Compiled loop bodies and compiled functions against the dispatch loop:
// which loops and calls run compiled, that -od and debug runs leave them to
// the dispatch loop with the same output, and the ways back to it: types
// that differ from those compiled for, a recursion deeper than compiled
// calls go, and one deeper than the stack holds.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include <kj80x.h>

#include "support/capture.h"
#include "support/console_fixture.h"
#include "vm/engine_fixture.h"
#include "vm/compiled_function.h"
#include "vm/compiled_loop.h"

namespace {

using kj::test::captured;

std::vector<std::string> g_typed;
void type_line(char* buffer, int size) {
    buffer[0] = '\0';
    if (g_typed.empty()) return;
    std::snprintf(buffer, static_cast<std::size_t>(size), "%s\n", g_typed.front().c_str());
    g_typed.erase(g_typed.begin());
}

class CompiledCode : public kj::test::ConsoleTest {
protected:
    struct Outcome {
        std::string out;       // printed text and messages, in order
        uint64_t loops = 0;    // loops run compiled
        uint64_t calls = 0;    // outermost calls run compiled
    };

    // Runs source as p.kj with the switches before the file name.
    Outcome go(const std::string& source, std::vector<std::string> switches = {}) {
        std::ofstream("p.kj") << source;
        KjMainInit();
        SetKjPipe(0);
        SetKjPuts([](const char* t) { captured().puts += t; });
        SetKjMessage([](const char* t) { captured().puts += std::string(t) + "\n"; });
        SetKjRunMessage([](const char* t) { captured().puts += std::string(t) + "\n"; });
        SetKjGets(type_line);
        captured().puts.clear();
        const uint64_t loops = kj::vm::compiled_loop_runs(), calls = kj::vm::compiled_call_runs();
        switches.insert(switches.begin(), "-b");
        switches.push_back("p.kj");
        run(switches);
        Outcome o{captured().puts, kj::vm::compiled_loop_runs() - loops, kj::vm::compiled_call_runs() - calls};
        KjMainExit();
        return o;
    }
    kj::test::CaptureScope m_scope;
};

const char* const k_program = R"(
fib(const n)
{
    if (n < 2)
        return n;
    return fib(n - 1) + fib(n - 2);
}
nothing(const x)
{
    decl y = x * 2;
}
sum(const a, const n)
{
    decl s = 0, i;
    for (i = 0; i < n; ++i)
        s = s + a * i;
    return s;
}
main()
{
    decl i, s = 0.0, c = 0;
    for (i = 0; i < 1000; ++i)
    {
        s += double(i) * i;
        c = c + (i > 500);
    }
    println("%.0f", s, " ", c);
    println(fib(15), " ", fib(15.0));
    println(sum(3, 10), " ", sum(3.5, 10), " ", sum(2, 10));
    for (i = 0; i < 3; ++i)
        c += i;
    println(c, " ", nothing(c));
    for (i = 0; i < 10; ++i)
    {
        decl t = i * 2.5;
        s = s + t;
    }
    println(s);
}
)";
const char* const k_output = "332833500 499\n610 610\n135 157.5 90\n502 0\n3.32834e+08\n";

TEST_F(CompiledCode, LoopsAndCallsRunCompiledWithTheDispatchLoopsResults) {
    const Outcome compiled = go(k_program);
    EXPECT_EQ(compiled.out, k_output);
    // main's first and last loops (the last with a local of its block);
    // sum's loop for an int argument, twice (3, then 2 after 3.5 made its
    // accumulator turn double); not the loop of three iterations. fib for an
    // int and for a double, and nothing (sum, with its loop, is no compiled
    // function).
    EXPECT_EQ(compiled.loops, 4u);
    EXPECT_EQ(compiled.calls, 3u);

    const Outcome plain = go(k_program, {"-od"});
    EXPECT_EQ(plain.out, k_output);
    EXPECT_EQ(plain.loops, 0u);
    EXPECT_EQ(plain.calls, 0u);
}

TEST_F(CompiledCode, ADebugRunStopsInsideALoopThatWouldRunCompiled) {
    const char* const source =
        "main()\n{\n    decl s = 0.0, i;\n    for (i = 0; i < 100; ++i)\n        s += i;\n    println(s);\n}\n";
    g_typed = {"#break p.kj 5", "#go", "i", "#go", "i", "#clear p.kj 5", "#go"};
    const Outcome o = go(source, {"-d"});
    // Two stops in the loop, with i at 0 and then 1, and the loop's end.
    EXPECT_NE(o.out.find("break!\n(debug) 0\n(debug) p.kj (6): break!\n(debug) 1\n"), std::string::npos) << o.out;
    EXPECT_NE(o.out.find("4950\n"), std::string::npos) << o.out;
    EXPECT_EQ(o.loops, 0u);
    EXPECT_EQ(o.calls, 0u);
    EXPECT_TRUE(g_typed.empty());
}

TEST_F(CompiledCode, DeepRecursionIsFinishedOrRefusedByTheDispatchLoop) {
    const char* const source =
        "depth(const n)\n{\n    if (n == 0)\n        return 0;\n    return depth(n - 1) + 1;\n}\n"
        "main()\n{\n    println(depth(3000));\n    println(depth(300000));\n}\n";
    // 3000 calls deep: beyond a compiled call's depth, within the stack the
    // switch gives, so the dispatch loop makes the whole call again.
    const Outcome compiled = go(source, {"-s3000,20000"});
    const Outcome plain = go(source, {"-s3000,20000", "-od"});
    EXPECT_EQ(compiled.out, plain.out);
    EXPECT_NE(compiled.out.find("3000\n"), std::string::npos) << compiled.out;
    EXPECT_NE(compiled.out.find("stack overflow"), std::string::npos) << compiled.out;
    EXPECT_EQ(compiled.calls, 0u);
}

}  // namespace

// A statement of a compiled loop that would raise (% by zero, which GAUSS
// code has) hands the loop to the dispatch loop at that statement: the error
// is the dispatch loop's, at the statement's line.
namespace kj::test {
namespace {

TEST_F(EngineTest, ACompiledLoopHandsARaisingStatementToTheDispatchLoop) {
    // local 0: s, 1: the counter i from 0 while < 10, 2: t.
    // t = t + 1 (line 5); s = s + 100 % (5 - i) (line 6); a zero divisor at i = 5.
    const std::string program =
        "function main()\n  INT 3\n  PSH 0\n  LTI 0\n  SBP 0\n  POP 0\n  PSH 0\n  LTI 0\n  SBP 2\n  POP 0\n"
        "  PSH 0\n  LTI 0\n  PSH 10\n  PSH 127\n  PSH 1\n  PSH 1\ntop:\n  FOR -12\n  JMP done\n"
        "  PBP 2\n  PSH 1\n  OPR 99\n  SBP 2\n  POP 0\n  NUM 5\n"
        "  PBP 0\n  PSH 100\n  PSH 5\n  PBP 1\n  OPR 89\n  OPR 174\n  OPR 99\n  SBP 0\n  POP 0\n  NUM 6\n"
        "  JMP top\ndone:\n  POP 0\n  PSH 0\n  RET 0\nend\n";
    const uint64_t before = vm::compiled_loop_runs();
    EXPECT_EQ(run(program), 0);
    EXPECT_EQ(vm::compiled_loop_runs(), before + 1);
    EXPECT_EQ(run_messages().front(), "Runtime error: divide by zero") << joined();
    EXPECT_NE(joined().find("(6)"), std::string::npos) << joined();
}

}  // namespace
}  // namespace kj::test
