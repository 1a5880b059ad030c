// Whole programs that used to crash the runtime, corrupt memory or take
// quadratic time, run in a child process (see support/run_kj.h).
#include <gtest/gtest.h>

#include <string>

#include "support/run_kj.h"
#include "runtime/alloc.h"
#include "value/matrix_block.h"

namespace {
using kj::test::program;
using kj::test::run_kj;

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// Each program must end with a clear message, not a crash.
void expect_message(const std::string& body, const std::string& message, const std::string& not_message = "") {
    const auto run = run_kj(program(body));
    EXPECT_FALSE(run.crashed()) << body << "\n" << run.output;
    EXPECT_TRUE(has(run.output, message)) << body << "\n" << run.output;
    if (!not_message.empty()) {
        EXPECT_FALSE(has(run.output, not_message)) << body << "\n" << run.output;
    }
    EXPECT_FALSE(has(run.output, "not reached")) << body;
}
}  // namespace

// Sizes are formed in 64 bits: (2^20 + 1)^2 elements wrap to a small 32-bit
// count; every request here is far beyond any machine and is refused before
// anything is allocated.
TEST(Robustness, SizesAreCheckedBeforeAllocating) {
    expect_message("println(zeros(1048577, 1048577)); println(\"not reached\");", "out of memory");
    expect_message("decl x = ones(1, 1048577); x = x' * x; println(\"not reached\");", "out of memory");
    expect_message("decl x = ones(1, 1048577); x = x' ** x; println(\"not reached\");", "out of memory");
    expect_message("decl x = ones(1048577, 1) ** ones(1, 1048577); println(\"not reached\");", "out of memory");
    expect_message("println(reshape(<1>, 1048577, 1048577)); println(\"not reached\");", "out of memory");
    expect_message("println(unit(1048577)); println(\"not reached\");", "out of memory");
    expect_message("decl x = <[1048577][1048577] = 1>; println(\"not reached\");", "out of memory");
    // Numbers that are no dimension say so, not "negative dimension".
    expect_message("println(ones(1e10, 1)); println(\"not reached\");", "1e+10", "negative dimension");
    expect_message("println(ones(1e10, 1));", "out of memory");
    expect_message("println(zeros(.NaN, 2)); println(\"not reached\");", ".NaN", "negative dimension");
    expect_message("println(constant(1, 2, .Inf)); println(\"not reached\");", ".Inf", "negative dimension");
    expect_message("println(zeros(-1, 2)); println(\"not reached\");", "negative dimension");
}

TEST(Robustness, AllocationLimitRefusesLargeBlocks) {
    namespace kv = kj::value;
    kj::runtime::set_allocation_limit(std::uint64_t{1} << 30);
    EXPECT_EQ(kv::block_alloc(65537, 65537, sizeof(double)), nullptr);  // 32-bit count wraps to 131073
    EXPECT_EQ(kj::runtime::raw_alloc((std::size_t{1} << 30) + 1), nullptr);
    EXPECT_EQ(kj::runtime::payload_bytes(std::uint64_t{1} << 62, 8), 0u);        // the byte count overflows
    EXPECT_EQ(kj::runtime::payload_bytes(1000, 8), 8000u);
    void** m = kv::block_alloc(1000, 1000, sizeof(double));
    EXPECT_NE(m, nullptr);
    kv::block_free(m);
    kj::runtime::set_allocation_limit(0);
    EXPECT_GT(kj::runtime::allocation_limit(), std::uint64_t{1} << 26);
}

// A deep copy of a long linked structure needs no C stack per node; shared
// nodes stay shared in the copy and the copy is independent.
TEST(Robustness, DeepCloneOfLongListIsIterative) {
    const auto run = run_kj(program(R"(
    decl head = 0, i;
    for (i = 0; i < 200000; ++i) head = new Node(i, head);
    decl c = clone(head, TRUE), p = c, n = 0, sum = 0.0;
    while (isclass(p)) { sum += p.value; p = p.next; ++n; }
    c.value = -1;
    println(n, " ", sum, " ", head.value);
    decl a = new Node(1, 0);
    a.next = new Node(2, a);
    decl b = clone(a, TRUE);
    println(b.next.next == b, " ", b == a);)",
                                    "class Node { decl value, next; Node(v, n); };\n"
                                    "Node::Node(v, n) { value = v; next = n; }\n"));
    EXPECT_FALSE(run.crashed()) << run.output;
    EXPECT_TRUE(has(run.output, "200000 1.99999e+10 199999")) << run.output;
    EXPECT_TRUE(has(run.output, "1 0")) << run.output;
}

// Each of these took quadratic time (minutes at these sizes); the child is
// stopped after 60 seconds.
TEST(Robustness, LargeConstantsAndOrdersTakeLinearTime) {
    std::string numbers, strings;
    for (int i = 0; i < 300000; ++i) {
        numbers += (i ? "," : "") + std::to_string(i);
        strings += (i ? ",\"s" : "\"s") + std::to_string(i) + "\"";
    }
    const auto run = run_kj(program("decl a = {" + numbers + "};\n decl s = {" + strings + "};\n" +
                                    "decl r = <1:[2]20000000>;\n"
                                    "println(sizeof(a), \" \", a[299999], \" \", sizeof(s), \" \", s[299999]);\n"
                                    "println(sizeof(r), \" \", r[9999999]);\n"
                                    "println(polygamma(<1,2;3,4>, 1e9), polygamma(2, 2e9));\n"
                                    "println(\"c \", cpolygamma(<1;1>, 1000000000), cpolygamma(<2.5;0>, 1000000000));"),
                            60);
    EXPECT_FALSE(run.crashed()) << run.output.substr(0, 2000);
    EXPECT_TRUE(has(run.output, "300000 299999 300000 s299999")) << run.output.substr(0, 2000);
    EXPECT_TRUE(has(run.output, "10000000 2e+07")) << run.output.substr(0, 2000);
    EXPECT_TRUE(has(run.output, "-.Inf")) << run.output.substr(0, 2000);
    // ψ^(n)(1 + i) overflows with the signs of −(1 + i)^−(n+1); on the real axis the real function's value.
    EXPECT_TRUE(has(run.output, "c \n        -.Inf\n        +.Inf\n\n        -.Inf\n       0.0000\n"))
        << run.output.substr(0, 2000);
}

// Joining the jumps of a chain of && or || walked the whole chain for each
// new term: 100,000 terms took about half a minute to compile.
TEST(Robustness, LongLogicalChainsCompileInLinearTime) {
    std::string all = "x", any = "y";
    for (int i = 1; i < 100000; ++i) {
        all += i % 2 ? " && x" : " && 2";
        any += i % 2 ? " || y" : " || 0";
    }
    const auto run = run_kj(program("decl x = 1, y = 0;\n println(" + all + ", \" \", " + any + ");\n" +
                                    "x = 0; y = 1;\n println(" + all + ", \" \", " + any + ");"),
                            10);
    EXPECT_FALSE(run.crashed()) << run.output.substr(0, 2000);
    EXPECT_TRUE(has(run.output, "1 0\n0 1\n")) << run.output.substr(0, 2000);
}

// An array is a value: a copy is private, and elements from literals are not
// constants of the copy nor of the original.
TEST(Robustness, ArraysCopyLikeValues) {
    const auto run = run_kj(program(R"(
    decl a = {1, "two", 3.5};
    decl c = a;
    c[1] = "changed";
    println(a[1], " ", c[1]);
    a[1] = "mine";
    println(a[1], " ", c[1]);
    decl n = {{1, "x"}, "y"}, d = n;
    d[0][1] = "z";
    println(n[0][1], " ", d[0][1]);)"));
    EXPECT_FALSE(run.crashed()) << run.output;
    EXPECT_TRUE(has(run.output, "two changed\nmine changed\nx z")) << run.output;
    EXPECT_FALSE(has(run.output, "cannot use constant")) << run.output;
}

// Built-ins agree with their reference entries: ceil, floor and fabs give a
// double, round and trunc keep an int; isstatic sees a static data member
// passed directly; polygamma of a large order against values from mpmath.
TEST(Robustness, BuiltinsAgreeWithTheirReference) {
    const auto run = run_kj(program(R"(
    decl i = -3;
    println(isdouble(fabs(i)), isdouble(floor(i)), isdouble(ceil(i)), isint(round(i)), isint(trunc(i)));
    println(isdouble(fabs(-3)), isdouble(floor(2)), isdouble(ceil(2)), " ", fabs(i), " ", ceil(i));
    decl o = new Counter();
    println(isstatic(Counter::count), isstatic(o.count), isstatic(o.own), isstatic(i));
    decl copy = o.count;
    println(isstatic(copy));
    println("%.10e", polygamma(2.5, 61), " ", "%.10e", polygamma(2.5, 80));
    println("%.10e", polygamma(150, 200), " ", "%.10e", polygamma(30, 150));
    println("%.10e", polygamma(0.5, 100), " ", "%.10e", polygamma(400, 300));
    println("%.10e", polygamma(-2.5, 70), " ", "%.10e", polygamma(-3.5, 200), " ", "%.10e", polygamma(-2.3, 71));
    println(polygamma(1200, 1000), " ", polygamma(<1,2;3,4>, 1e9));)",
                                    "class Counter { static decl count = 0; decl own; Counter(); };\n"
                                    "Counter::Counter() { own = 1; }\n"));
    EXPECT_FALSE(run.crashed()) << run.output;
    EXPECT_TRUE(has(run.output, "11111\n111 3 -3\n1100\n0\n")) << run.output;
    // mpmath, 30 digits: psi(61, 2.5), psi(80, 2.5), psi(200, 150), psi(150, 30),
    // psi(100, 0.5), psi(300, 400); for even n the terms of psi(n, -2.5) from
    // -2.5 to 2.5 cancel in pairs, so it equals psi(n, 3.5) (and psi(200, -3.5)
    // equals psi(200, 4.5)); psi(71, -2.3); psi(1000, 1200) = -3.9e-515 underflows.
    EXPECT_TRUE(has(run.output, "1.0795037296e+59 -4.1839551462e+86\n")) << run.output;
    EXPECT_TRUE(has(run.output, "-4.3209480047e-63 -5.1840721197e+39\n")) << run.output;
    EXPECT_TRUE(has(run.output, "-2.3661006605e+188 -3.4950907787e-169\n")) << run.output;
    EXPECT_TRUE(has(run.output, "-2.8156190477e+61 -3.9918422567e+243 3.7751398490e+139\n")) << run.output;
    EXPECT_TRUE(has(run.output, "-0 \n        -.Inf        -.Inf")) << run.output;
}

// Arguments and operands pushed as aliases stay valid when a later argument
// replaces the variable they refer to (through a reference, an assignment
// or a function that sets a global).
TEST(Robustness, AliasesSurviveStoresUnderArgumentLists) {
    const auto run = run_kj(program(R"(
    decl m = <1, 2>;
    println(m, setv(&m, <3>));
    m = <1, 2>;
    println(m + setv(&m, <5, 6>));
    m = <1, 2>;
    println(m ~ setv(&m, 7));
    decl s = "first";
    println(s, setv(&s, "second"), s);
    decl a = {"x", "y"};
    println(a, setv(&a, 0));
    g = <4, 5>;
    println(g, setg());
    m = <1, 2, 3>;
    println(m[setv(&m, <0>)]);
    m = <1, 2>;
    println(m, (m = <8>));)",
                                    "decl g;\n"
                                    "setv(x, v) { x[0] = v; return 1; }\n"
                                    "setg() { g = \"gone\"; return 1; }\n"));
    EXPECT_FALSE(run.crashed()) << run.output;
    EXPECT_TRUE(has(run.output, "       1.0000       2.0000\n1\n")) << run.output;
    EXPECT_TRUE(has(run.output, "first1second\n")) << run.output;
    EXPECT_TRUE(has(run.output, "       2.0000       3.0000\n\n       1.0000       2.0000       1.0000\n")) << run.output;
    EXPECT_TRUE(has(run.output, "[0] = x\n[1] = y\n1\n\n       4.0000       5.0000\n1\n2\n")) << run.output;
}

// getgrouplag is registered: lags and a lead within groups, by position and
// by year and period (group 2 has a gap), worked out by hand.
TEST(Robustness, GetGroupLagLagsWithinGroups) {
    const auto run = run_kj(program(R"(
    decl x = <1;2;3;10;20;30>, g = <1;1;1;2;2;2>;
    println("%5.0f", getgrouplag(x, 0, -1, 1, g, 0, 0, 1, -9));
    decl year = <2000;2000;2001;2000;2001;2002>, period = <1;2;1;2;2;1>;
    println("%5.0f", getgrouplag(x ~ 2 * x, <1, 0>, 1, 1, g, year, period, 2, -9));)"));
    EXPECT_FALSE(run.crashed()) << run.output;
    EXPECT_TRUE(has(run.output, "    2    1   -9\n    3    2    1\n   -9    3    2\n"
                                "   20   10   -9\n   30   20   10\n   -9   30   20\n")) << run.output;
    EXPECT_TRUE(has(run.output, "   -9   -9\n    2    1\n    4    2\n   -9   -9\n   -9   -9\n   40   20\n")) << run.output;
}

// Bessel functions of large order and argument: values from SciPy (jv, yv, iv, ive)
// where it is reliable, and at x = 1e9, order 1e6 (where SciPy fails too) the
// bound |J| <= 1 and the Wronskian J_(n+1) Y_n - J_n Y_(n+1) = 2 / (pi x).
TEST(Robustness, BesselAtLargeOrdersAndArguments) {
    const auto run = run_kj(program(R"(
    println("%.11e", bessel(2000, "J", 1000), " ", "%.11e", bessel(2000, "Y", 1000), " ", "%.11e", bessel(10, "J", 50));
    println("%.11e", bessel(150, "J", 200), " ", "%.11e", bessel(150, "Y", 200), " ", "%.11e", bessel(-3, "J", 5));
    println("%.11e", bessel(100, "I", 500), " ", "%.11e", bessel(50, "i", 300), " ", "%.11e", bessel(-20, "I", 30));
    decl x = 1e9, j0 = bessel(x, "J", 1e6), j1 = bessel(x, "J", 1e6 + 1);
    decl w = j1 * bessel(x, "Y", 1e6) - j0 * bessel(x, "Y", 1e6 + 1);
    println(fabs(j0) <= 1, fabs(j1) <= 1, " ", fabs(w / (2 / (M_PI * x)) - 1) < 1e-6);)"));
    EXPECT_FALSE(run.crashed()) << run.output;
    EXPECT_TRUE(has(run.output, "1.33645512842e-02 -1.37455924378e-02 1.78451360787e-30\n")) << run.output;
    EXPECT_TRUE(has(run.output, "8.05770219840e-14 -2.98649351804e+10 -4.30284348770e-02\n")) << run.output;
    EXPECT_TRUE(has(run.output, "3.59005143147e-283 1.20275617890e-216 8.21324624973e-02\n")) << run.output;
    EXPECT_TRUE(has(run.output, "11 1\n")) << run.output;
}
