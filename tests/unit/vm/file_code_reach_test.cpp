// Code read from an object file may reach below its frame: a jump into the
// middle of an expression, pops in a loop, a call of more records than were
// pushed, a return through a frame marker that is no longer one. Each is a
// "Stack error" that leaves the engine able to run again; sound code read
// from a file runs as it would compiled.
#include <string>

#include "vm/file_code_fixture.h"

namespace kj::test {
namespace {

TEST_F(FileCodeTest, ReachBelowTheFrameIsAStackError) {
    const std::string f3 = "function f(a, b, c)\n  PAP 0\n  RET 1\nend\n";
    const std::string local = "  INT 1\n  PSH 0\n  LTI 4\n  SBP 0\n  POP 0\n";
    const struct {
        const char* what;
        std::string src;
    } cases[] = {
        {"jump into an expression", main_of("  PSH 1\n  JMP mid\n  PSH 2\nmid:\n  OPR +\n  RET 1\n")},
        {"operator in a loop", main_of("  PSH 1\n  PSH 2\ntop:\n  OPR *\n  JMP top\n")},
        {"store and pop in a loop", "global r\n" + main_of("  PSH 1\ntop:\n  STO r\n  POP 0\n  JMP top\n")},
        {"load over the marker", main_of("  LTI 3\n  RET 1\n")},
        {"exchange", main_of("  PSH 1\n  EXC\n  RET 1\n")},
        {"conditional jump", main_of("  JMF out\nout:\n  RET 0\n")},
        {"line marker on to a conditional jump", main_of("  NUM 1\n  JMT out\nout:\n  RET 0\n")},
        {"duplicate", main_of("  PSH 1\n  DUP 3\n  RET 1\n")},
        {"indexed load", main_of("  PSH 1\n  XLD\n  RET 1\n")},
        {"indexed store", main_of("  PSH 1\n  PSH 2\n  XST\n  RET 1\n")},
        {"stack jump", main_of("  PSH 1\n  JST -2\n")},
        {"call of more records than pushed", f3 + main_of("  PSH 0\n  LOD f\n  CAL 3\n  RET 1\n")},
        // A local, a constant and an operator go straight on to the call.
        {"call after a fused operator", f3 + main_of(local + "  PBP 0\n  PSH 3\n  OPR +\n  CAL 2\n  RET 1\n")},
        {"member call", main_of("  PSH 1\n  CAM 2\n  RET 1\n")},
        {"return of the marker", main_of("  RET 1\n")},
        {"return after a line marker", main_of("  NUM 1\n  RET 1\n")},
        // Above the marker but into the locals: two locals, one record pushed.
        {"pop into the locals", main_of("  INT 2\n  PSH 1\n  POP 2\n  RET 0\n")},
        {"operator on a local", main_of("  INT 2\n  PSH 1\n  OPR +\n  RET 1\n")},
        {"call of a local", f3 + main_of("  INT 1\n  PSH 0\n  LOD f\n  CAL 2\n  RET 1\n")},
        // The destructor call's set-up (operator 132) reads the target's
        // address four records down.
        {"destructor set-up", main_of("  INT 1\n  PSH 0\n  PSH 0\n  PSH 0\n  OPR 132\n  RET 1\n")},
    };
    for (const auto& c : cases) expect_fails_twice(c.src, "Runtime error: Stack error", c.what);
}

TEST_F(FileCodeTest, ReturnThroughAnOverwrittenMarkerIsAStackError) {
    // f stores 1/3 into its second argument slot: it has one argument, so
    // that slot is its frame marker. Read as one, the double's bits would put
    // the caller's registers far outside the stack.
    const std::string src = "function f(a)\n  PSH 0\n  LTD 1\n  PSH 3\n  OPR /\n  SAP 1\n  RET 0\nend\n" +
                            main_of("  PSH 0\n  LOD f\n  PSH 0\n  CAL 1\n  RET 1\n");
    expect_fails_twice(src, "Runtime error: Stack error", "overwritten marker");
}

TEST_F(FileCodeTest, StackJumpsStayInTheirFunction) {
    // f jumps to a code address main gave it: main's code would run in f's
    // frame. An address inside g is taken. Each function's code begins at the
    // entry that reserves its frame.
    const std::string f = "function f(a)\n  INT 0\n  PAP 0\n  JST 0\nend\n";
    expect_fails_twice(f + main_of("  INT 0\n  PSH 0\n  LOD f\n  PSH 0\n  LIP there\n  CAL 1\nthere:\n  RET 1\n"),
                       "Runtime error: invalid address for jump", "into another function");
    const std::string g = "global r\nfunction g()\n  INT 0\n  PSH 0\n  LIP there\n  JST 0\n  PSH 1\n  STO r\nthere:\n  RET 0\nend\n";
    EXPECT_EQ(run_as_file_code(g + main_of("  INT 0\n  PSH 0\n  LOD g\n  CAL 0\n  RET 0\n")), 1) << joined();
    EXPECT_EQ(global("r").u.ival, 0);
}

TEST_F(FileCodeTest, SoundCodeRunsAsCompiled) {
    // fib(n) = n < 2 ? n : fib(n - 1) + fib(n - 2), with the sequences the
    // engine runs fused: an argument, a constant and an operator on to a call,
    // line markers on to jumps and returns; then a loop counting down with a
    // conditional jump back, and a call of a function that returns nothing
    // from an empty frame. fib(15) = 610; 610 + 10 + 9 + ... + 1 = 665.
    const std::string src =
        "global r\nfunction none()\n  INT 0\n  RET -1\nend\nfunction zero()\n  INT 0\n  RET 0\nend\n"
        "function fib(n)\n  NUM 1\n  PAP 0\n  PSH 2\n  OPR <\n  NUM 1\n  JMF rec\n  POP 0\n  PAP 0\n  NUM 1\n  RET 1\n"
        "rec:\n  POP 0\n  PSH 0\n  LOD fib\n  PAP 0\n  PSH 1\n  OPR -\n  CAL 1\n"
        "  PSH 0\n  LOD fib\n  PAP 0\n  PSH 2\n  OPR -\n  CAL 1\n  OPR +\n  NUM 1\n  RET 1\nend\n" +
        main_of("  INT 2\n  PSH 0\n  LOD fib\n  PSH 15\n  CAL 1\n  SBP 0\n  POP 0\n"
                "  PSH 10\n  SBP 1\n  POP 0\n"
                "top:\n  PBP 0\n  PBP 1\n  OPR +\n  SBP 0\n  POP 0\n  PBP 1\n  PSH 1\n  OPR -\n  SBP 1\n"
                "  NUM 1\n  JMT top\n  POP 0\n  PSH 0\n  LOD none\n  CAL 0\n  POP 0\n"
                "  PBP 0\n  PSH 0\n  LOD zero\n  CAL 0\n  OPR +\n  STO r\n  POP 0\n  RET 0\n");
    EXPECT_EQ(run_as_file_code(src), 1) << joined();
    EXPECT_EQ(global("r").u.ival, 665);
    EXPECT_EQ(again(), 1) << joined();
    EXPECT_EQ(global("r").u.ival, 665);
}

}  // namespace
}  // namespace kj::test
