// Code read from an object file is only known to have sound operands, not a
// sound stack depth: a damaged file can push without bound. Its pushes are
// checked against the stack's capacity, and still get the room compiled code
// relies on beyond its frame's reservation.
#include <string>

#include "vm/file_code_fixture.h"

namespace kj::test {
namespace {

TEST_F(FileCodeTest, PushLoopsEndInStackOverflow) {
    const std::string f = "function f(a)\ntop:\n  PAP 0\n  JMP top\nend\n";
    const std::string local = "  INT 1\n  PSH 0\n  LTI 3\n  SBP 0\n  POP 0\n";
    const struct {
        const char* what;
        std::string src;
    } cases[] = {
        {"constant", main_of("top:\n  PSH 1\n  JMP top\n")},
        {"duplicates", main_of("  PSH 1\ntop:\n  DUP 1\n  JMP top\n")},
        {"argument", f + main_of("  PSH 0\n  LOD f\n  PSH 5\n  CAL 1\n  RET 1\n")},
        {"local", main_of(local + "top:\n  PBP 0\n  JMP top\n")},
        {"moved local", main_of(local + "top:\n  MVL 0\n  JMP top\n")},
        {"local with operator", main_of(local + "top:\n  PBP 0\n  PSH 3\n  OPR +\n  JMP top\n")},
        {"global", main_of("top:\n  PSH 0\n  LOD main\n  JMP top\n")},
        {"full range", main_of("top:\n  OPR 131\n  JMP top\n")},
        {"address of a local", main_of(local + "top:\n  ADR 0\n  PBP 0\n  JMP top\n")},
    };
    for (const auto& c : cases) expect_fails_twice(c.src, "Runtime error: stack overflow", c.what);
}

// Pushes after INT n, then a return.
std::string reserve_and_push(int n, int pushes) {
    std::string body = "  INT " + std::to_string(n) + "\n";
    for (int i = 0; i < pushes; ++i) body += "  PSH 7\n";
    if (pushes > 1) body += "  DUP 16\n  POP 15\n";
    return main_of(body + "  RET 0\n");
}

TEST_F(FileCodeTest, CompiledDepthBeyondTheReservationStillRuns) {
    // The largest reservation the stack takes.
    int most = 200;
    while (most > 0 && run_as_file_code(reserve_and_push(most, 0)) != 1) --most;
    ASSERT_GT(most, 100) << joined();
    EXPECT_EQ(run_messages().size(), 0u) << joined();
    // Compiled code may push its unchecked room beyond that without a check.
    EXPECT_EQ(run_as_file_code(reserve_and_push(most, link::k_unchecked_pushes - 16)), 1) << joined();
    EXPECT_EQ(run_as_file_code(reserve_and_push(most, link::k_unchecked_pushes + 1)), 0);
    ASSERT_FALSE(run_messages().empty());
    EXPECT_EQ(run_messages().front(), "Runtime error: stack overflow");
}

TEST_F(FileCodeTest, ChecksKeepWhatThePushesCompute) {
    // r := local - 3 (a fused load, constant and operator), global pushes
    // of a function, a duplicate, and a jump into the middle of a sequence.
    const std::string src = "global r\n" + main_of(
        "  INT 1\n  PSH 0\n  LTI 10\n  SBP 0\n  POP 0\n"
        "  PBP 0\n  PSH 3\n  OPR -\n  DUP 1\n  OPR *\n"  // (10 - 3)^2
        "  PSH 2\n  JMP mid\n  PBP 0\nmid:\n  PSH 1\n  OPR +\n  OPR +\n"  // + 2 + 1
        "  STO r\n  POP 0\n  RET 0\n");
    EXPECT_EQ(run_as_file_code(src), 1) << joined();
    EXPECT_EQ(global("r").u.ival, 52);
}

TEST(CodeImage, RangesReadFromFilesFollowTheImage) {
    using link::code_read_from_files;
    using Ranges = std::vector<std::pair<int, int>>;
    link::code_reset();
    for (int i = 0; i < 20; ++i) link::emit(link::Op::Nop);
    link::mark_read_from_file(4, 8);
    link::mark_read_from_file(8, 10);   // a unit right after the last one joins its range
    link::mark_read_from_file(12, 12);  // an empty unit marks nothing
    link::mark_read_from_file(14, 20);
    EXPECT_EQ(code_read_from_files(), (Ranges{{4, 10}, {14, 20}}));
    // Code dropped from the image is no longer file code; code emitted
    // after it is the compiler's.
    link::code_truncate(16);
    EXPECT_EQ(code_read_from_files(), (Ranges{{4, 10}, {14, 16}}));
    link::code_truncate(9);
    EXPECT_EQ(code_read_from_files(), (Ranges{{4, 9}}));
    link::emit(link::Op::Psh);
    EXPECT_EQ(code_read_from_files(), (Ranges{{4, 9}}));
    link::code_reset();
    EXPECT_TRUE(code_read_from_files().empty());
    link::code_free();
}

}  // namespace
}  // namespace kj::test
