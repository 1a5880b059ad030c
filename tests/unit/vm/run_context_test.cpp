// What a run changes lives in its run context: two contexts in one process,
// used in turn on one thread or at once on two, do not see each other's
// warning mask, formats, random numbers or output (the matrix cache:
// matrix_cache_test.cpp); and the native function being called is named
// right after nested native calls.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include <kj80x.h>

#include "lib/io/number_format.h"
#include "runtime/current_function.h"
#include "runtime/host.h"
#include "runtime/random_record.h"
#include "runtime/run_context.h"
#include "runtime/run_error.h"
#include "vm/engine_fixture.h"

namespace kj::test {
namespace {

// A context with records of its own, as a worker of a parallel loop has.
struct OwnContext {
    runtime::RunContext context;
    runtime::RandomRecord random;
    lib::io::DefaultFormats formats;
    OwnContext() {
        context.random = &random;
        context.formats = &formats;
    }
};

std::vector<double> draws(int n) {
    std::vector<double> v;
    for (int i = 0; i < n; ++i) v.push_back(i % 2 ? DRanU() : DRanNormal());
    return v;
}

void seed(int s) {
    RanInit(nullptr);
    RanSetSeed(&s, 1);
}

TEST(RunContext, SettingsOfOneContextStayInIt) {
    OwnContext own;
    const int mask = runtime::warning_mask();
    const int width = lib::io::default_formats().column_width;
    {
        runtime::RunContextScope scope(own.context);
        runtime::set_warning_mask(3);
        ASSERT_TRUE(lib::io::set_default_format("%8.3f"));
        runtime::set_current_function("cc$inner");
        EXPECT_EQ(runtime::warning_mask(), 3);
        EXPECT_EQ(lib::io::default_formats().column_width, 8);
        EXPECT_STREQ(runtime::current_function(), "inner");
    }
    EXPECT_EQ(runtime::warning_mask(), mask);
    EXPECT_EQ(lib::io::default_formats().column_width, width);
    EXPECT_STREQ(runtime::current_function(), "?");
    EXPECT_EQ(own.context.warning_mask, 3);
    EXPECT_EQ(own.formats.column_width, 8);
}

// Draws alternating between two contexts give each the sequence it gives
// alone: no generator state (nor a spare normal draw) passes between them.
TEST(RunContext, RandomNumbersOfTwoContextsInterleave) {
    OwnContext own;
    seed(11);
    const std::vector<double> main_alone = draws(9);
    {
        runtime::RunContextScope scope(own.context);
        seed(22);
    }
    const std::vector<double> own_alone = [&] {
        runtime::RunContextScope scope(own.context);
        return draws(9);
    }();
    seed(11);
    {
        runtime::RunContextScope scope(own.context);
        seed(22);
    }
    std::vector<double> main_mixed, own_mixed;
    for (int i = 0; i < 9; ++i) {
        main_mixed.push_back(i % 2 ? DRanU() : DRanNormal());
        runtime::RunContextScope scope(own.context);
        own_mixed.push_back(i % 2 ? DRanU() : DRanNormal());
    }
    EXPECT_EQ(main_mixed, main_alone);
    EXPECT_EQ(own_mixed, own_alone);
    EXPECT_NE(main_alone, own_alone);
}

TEST(RunContext, ContextsOnTwoThreadsAtOnce) {
    seed(5);
    const std::vector<double> expected = draws(20000);
    std::vector<double> on_thread;
    int thread_mask = -1;
    std::thread worker([&] {
        OwnContext own;
        runtime::RunContextScope scope(own.context);
        seed(5);
        runtime::set_warning_mask(1);
        on_thread = draws(20000);
        thread_mask = runtime::warning_mask();
    });
    seed(5);
    const std::vector<double> on_main = draws(20000);
    worker.join();
    EXPECT_EQ(on_main, expected);
    EXPECT_EQ(on_thread, expected);
    EXPECT_EQ(thread_mask, 1);
    EXPECT_EQ(runtime::warning_mask(), 127);
}

TEST(RunContext, OutputGoesToTheContextsSink) {
    struct Collect : runtime::PrintSink {
        std::string text;
        void write(const char* t, std::size_t n) override { text.append(t, n); }
    } sink;
    runtime::RunContext context;
    context.print_sink = &sink;
    {
        runtime::RunContextScope scope(context);
        runtime::output("kept");
    }
    EXPECT_EQ(sink.text, "kept");
}

// outer(f) calls f back, which calls the native inner; each records the
// native function named at its start and, for outer, after the callback.
std::vector<std::string> g_named;
void record_name() { g_named.push_back(runtime::current_function()); }

TEST_F(EngineTest, NativeNameAfterNestedCalls) {
    g_named.clear();
    add_native("inner", 0, [](KjValue* r, KjValue*, int) {
        record_name();
        KjValSetInt(r, 1);
    });
    add_native("outer", 1, [](KjValue* r, KjValue* args, int) {
        record_name();
        FKjCallBack(&args[0], r, nullptr, 0);
        record_name();
    });
    ASSERT_EQ(run(R"(
function g()
  PSH 0
  LOD inner
  CAL 0
  RET 1
end
function main()
  PSH 0
  LOD outer
  PSH 0
  LOD g
  CAL 1
  RET 1
end
)"), 1) << joined();
    EXPECT_EQ(g_named, (std::vector<std::string>{"outer", "inner", "outer"}));
    EXPECT_STREQ(runtime::current_function(), "?");
}

}  // namespace
}  // namespace kj::test
