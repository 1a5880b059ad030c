// The dispatch loop allocates nothing for int and double loads, stores,
// jumps and canonical loop steps.
#include <atomic>
#include <cstdlib>
#include <new>

#include "runtime/alloc.h"
#include "vm/engine_fixture.h"

namespace {
std::atomic<bool> g_counting{false};
std::atomic<long> g_news{0};
}  // namespace

// Counts global operator new while a test asks for it (the sanitizer build
// keeps its own allocator and relies on the payload allocation hook alone).
#if !defined(__SANITIZE_ADDRESS__)
// The replacement pair is consistent; the compiler cannot see that across inlining.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t n) {
    if (g_counting) ++g_news;
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
#endif

namespace kj::test {
namespace {

TEST_F(EngineTest, ScalarLoopsDoNotAllocate) {
    // sum (double) += i (int) over a canonical loop, then a while loop on an
    // int counter with jumps, loads and stores of both kinds.
    assemble(R"(
global r
function main()
  INT 3
  PSH 0
  LIT 0.5
  SBP 0
  POP 0
  PSH 0
  LTI 0
  PSH 1000
  PSH 127
  PSH 1
  PSH 1
top:
  FOR -12
  JMP done
  PSH 0
  LBP 0
  PSH 0
  LBP 1
  OPR +
  SBP 0
  POP 0
  JMP top
done:
  POP 0
  PSH 0
  LTI 100
  SBP 2
  POP 0
again:
  PSH 0
  LBP 2
  JMF out
  PSH 1
  OPR -
  SBP 2
  STO r
  POP 0
  JMP again
out:
  POP 0
  PSH 0
  LBP 0
  RET 1
end
)");
    const int start = IKjRunInit();
    ASSERT_GT(start, 0);
    // The first run prepares the code for the dispatch loop (once per image).
    ASSERT_EQ(FKjRun(start, nullptr), 1) << joined();
    g_news = 0;
    g_counting = true;
    runtime::fail_allocation_after(1);  // any payload allocation fails the run
    const int ok = FKjRun(start, nullptr);
    runtime::fail_allocation_after(0);
    g_counting = false;
    EXPECT_EQ(ok, 1) << joined();
    EXPECT_EQ(g_news.load(), 0);
    EXPECT_EQ(global("r").u.ival, 0);
}

}  // namespace
}  // namespace kj::test
