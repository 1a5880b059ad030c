// x = f(..., x, ...) at run time: the local's value reaches the call alone, so
// reshape, vecr, vec of a vector and the transpose of a vector keep its block;
// a call that sees x twice copies, and a variable that took a copy of x keeps
// its elements. The program read back from its object file does the same.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include <kj80x.h>

#include "support/capture.h"
#include "support/console_fixture.h"
#include "value/value.h"

namespace {
namespace fs = std::filesystem;
using kj::value::Value;

// What note(m) saw of its argument: the element block, the shape and the elements.
struct Seen {
    const double* block = nullptr;
    int r = 0, c = 0;
    std::vector<double> elements;
};
std::vector<Seen> g_seen;

void fn_note(KjValue* result, KjValue* args, int) {
    const Value& v = args[0];
    Seen s;
    if (kj::value::type_of(v) == kj::value::T_Matrix && v.u.mat.m) {
        s.block = v.u.mat.m[0];
        s.r = v.u.mat.r;
        s.c = v.u.mat.c;
        s.elements.assign(s.block, s.block + static_cast<long>(s.r) * s.c);
    }
    g_seen.push_back(s);
    kj::value::set_int(*result, 0);
}

constexpr const char* k_program = R"(
twice(a)
{
    a[0][0] = -1;       // the parameter holds the moved value alone
    return a * 2;
}
main()
{
    decl x = range(0, 11), y, i;
    note(x);
    x = reshape(x, 3, 4);
    note(x);
    for (i = 0; i < 5; ++i)
    {
        x = reshape(x, 2, 6);
        x = reshape(x, 6, 2);
    }
    note(x);
    x = vecr(x);
    note(x);
    x = x';
    note(x);
    x = vec(x);
    note(x);
    y = x;
    x = reshape(x, 4, 3);
    note(x);
    note(y);
    x = reshape(x, rows(x) - 1, 4);
    note(x);
    x = twice(x);
    note(x);
}
)";

// t's last use before it is stored into again: reshape keeps its block; a
// function's local returned keeps its block too.
constexpr const char* k_last_use_program = R"(
made()
{
    decl m = range(1, 6);
    note(m);
    return m;
}
main()
{
    decl t, r, i;
    for (i = 1; i <= 2; ++i)
    {
        t = range(1, 6) * i;
        note(t);
        r = reshape(t, 3, 2);
        note(r);
    }
    t = range(1, 6);
    note(t);
    r = reshape(t, 2, 3);
    note(r);
    note(t);
    note(made());
}
)";

class MoveLocalRun : public kj::test::ConsoleTest {
protected:
    void SetUp() override {
        ConsoleTest::SetUp();
        std::ofstream("prog.kj") << k_program;
        std::ofstream("last.kj") << k_last_use_program;
        g_seen.clear();
    }

    static int run(std::vector<std::string> args) {
        KjMainInit();
        EXPECT_EQ(FKjLibAddFunction(" $note", fn_note, 0), 1);
        return ConsoleTest::run(std::move(args));
    }

    static std::vector<double> count_up(int n) {
        std::vector<double> v;
        for (int i = 0; i < n; ++i) v.push_back(i);
        return v;
    }

    // The notes of one run of k_program.
    static void check_notes() {
        ASSERT_EQ(g_seen.size(), 10u);
        const std::vector<double> twelve = count_up(12);
        const double* block = g_seen[0].block;
        ASSERT_NE(block, nullptr);
        // range, reshape (also in a loop), vecr, transpose of a column, vec
        // of a row: one block throughout, under each new shape.
        const int shapes[][2] = {{1, 12}, {3, 4}, {6, 2}, {12, 1}, {1, 12}, {12, 1}, {4, 3}};
        for (int k = 0; k < 7; ++k) {
            SCOPED_TRACE(k);
            EXPECT_EQ(g_seen[k].block, block);
            EXPECT_EQ(g_seen[k].r, shapes[k][0]);
            EXPECT_EQ(g_seen[k].c, shapes[k][1]);
            EXPECT_EQ(g_seen[k].elements, twelve);
        }
        // y = x copied; the reshape of x after it leaves y's elements alone.
        EXPECT_NE(g_seen[7].block, block);
        EXPECT_EQ(g_seen[7].r, 12);
        EXPECT_EQ(g_seen[7].c, 1);
        EXPECT_EQ(g_seen[7].elements, twelve);
        // x twice on the right side: copied, cut to 3 x 4 = 0 ... 11.
        EXPECT_NE(g_seen[8].block, block);
        EXPECT_EQ(g_seen[8].r, 3);
        EXPECT_EQ(g_seen[8].elements, twelve);
        // twice(x): -1 at the start, everything doubled.
        std::vector<double> doubled = {-2};
        for (int i = 1; i < 12; ++i) doubled.push_back(2.0 * i);
        EXPECT_EQ(g_seen[9].elements, doubled);
    }
};

TEST_F(MoveLocalRun, ShapeFunctionsKeepTheMovedBlock) {
    kj::test::CaptureScope scope;
    run({"-b", "prog.kj"});
    EXPECT_EQ(KjGetUserExitCode(), 0);
    for (const auto& m : kj::test::captured().messages) ADD_FAILURE() << m;
    for (const auto& m : kj::test::captured().run_messages) ADD_FAILURE() << m;
    check_notes();
}

TEST_F(MoveLocalRun, TheSameFromTheObjectFile) {
    kj::test::CaptureScope scope;
    EXPECT_EQ(run({"-b", "-c", "prog.kj"}), -2);
    ASSERT_TRUE(fs::exists("prog.kjo"));
    KjMainExit();
    g_seen.clear();
    run({"-b", "prog.kjo"});
    EXPECT_EQ(KjGetUserExitCode(), 0);
    check_notes();
}

TEST_F(MoveLocalRun, ALastUseKeepsTheBlock) {
    kj::test::CaptureScope scope;
    run({"-b", "last.kj"});
    EXPECT_EQ(KjGetUserExitCode(), 0);
    ASSERT_EQ(g_seen.size(), 9u);
    for (int k = 0; k < 4; k += 2) {
        SCOPED_TRACE(k);
        std::vector<double> times = count_up(7);
        times.erase(times.begin());
        for (double& x : times) x *= k / 2 + 1;
        EXPECT_EQ(g_seen[k].elements, times);
        EXPECT_EQ(g_seen[k + 1].block, g_seen[k].block);
        EXPECT_EQ(g_seen[k + 1].r, 3);
        EXPECT_EQ(g_seen[k + 1].elements, times);
    }
    // t is read after the reshape: copied, and still the same afterwards.
    EXPECT_NE(g_seen[5].block, g_seen[4].block);
    EXPECT_EQ(g_seen[5].r, 2);
    EXPECT_EQ(g_seen[6].block, g_seen[4].block);
    EXPECT_EQ(g_seen[6].elements, g_seen[4].elements);
    // The local returned by made() is its result, block and all.
    EXPECT_EQ(g_seen[8].block, g_seen[7].block);
    EXPECT_EQ(g_seen[8].elements, g_seen[4].elements);
}

}  // namespace
