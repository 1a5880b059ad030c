// The vector math kernels against the C library: at most 1 ULP apart on
// millions of arguments spread over the whole range of doubles (subnormals,
// signed zeros, infinities, NaN, and the points where each function
// overflows or underflows), and identical wherever either result is zero,
// infinite or NaN.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "num/vector_math.h"
#include "num/vector_math_kernels.h"

namespace kj::test {
namespace {

using num::VectorFunction;

int64_t ordered(double x) {
    int64_t i;
    std::memcpy(&i, &x, sizeof i);
    return i < 0 ? std::numeric_limits<int64_t>::min() - i : i;
}

// ULPs between two results; both NaN count as equal.
uint64_t ulps(double a, double b) {
    if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b) ? 0 : UINT64_MAX;
    const int64_t x = ordered(a), y = ordered(b);
    return x > y ? static_cast<uint64_t>(x) - static_cast<uint64_t>(y) : static_cast<uint64_t>(y) - static_cast<uint64_t>(x);
}

std::string hex(double x) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%a", x);
    return buf;
}

bool special(double x) { return !std::isfinite(x) || x == 0; }

bool same_bits(double a, double b) {
    if (std::isnan(a) && std::isnan(b)) return true;
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Random doubles of every exponent, the special values, and dense samples
// around the given points.
std::vector<double> arguments(std::size_t n, std::initializer_list<double> points, double lo, double hi) {
    const double inf = std::numeric_limits<double>::infinity();
    std::vector<double> x = {0.0, -0.0, inf, -inf, std::numeric_limits<double>::quiet_NaN(), 4.9e-324, -4.9e-324,
                             2.2250738585072014e-308, 1.0, -1.0, 0.5, 2.0, std::numeric_limits<double>::max(),
                             -std::numeric_limits<double>::max()};
    std::mt19937_64 rng(20240601);
    for (double p : points)
        for (int k = -2000; k <= 2000; ++k) x.push_back(p + k * 1e-6 * (std::fabs(p) + 1e-300));
    std::uniform_real_distribution<double> in_range(lo, hi);
    while (x.size() < n) {
        // Half of all bit patterns (every exponent, subnormals included), half in the working range.
        const uint64_t bits = rng();
        double d;
        std::memcpy(&d, &bits, sizeof d);
        x.push_back(d);
        x.push_back(in_range(rng));
    }
    x.resize(n);
    return x;
}

struct Case {
    const char* name;
    VectorFunction f;
    double (*reference)(double);
    std::initializer_list<double> points;
    double lo, hi;
};

// got against want; y, when given, is the second argument of each case.
void check(const std::string& name, const std::vector<double>& x, const std::vector<double>& got,
           const std::vector<double>& want, const std::vector<double>* y = nullptr) {
    std::size_t bad = 0;
    for (std::size_t k = 0; k < x.size(); ++k) {
        const bool ok = (special(want[k]) || special(got[k])) ? same_bits(got[k], want[k]) : ulps(got[k], want[k]) <= 1;
        if (!ok && ++bad <= 5)
            ADD_FAILURE() << std::hexfloat << name << "(" << x[k] << (y ? ", " + hex((*y)[k]) : std::string()) << ") = " << got[k]
                          << ", C library " << want[k];
    }
    EXPECT_EQ(bad, 0u) << name;
}

constexpr std::size_t k_per_function = 2'000'000;  // five functions: 10^7 arguments

TEST(VectorMath, WithinOneUlpOfTheCLibrary) {
    const Case cases[] = {
        {"exp", VectorFunction::Exp, [](double x) { return std::exp(x); }, {709.782712893384, -708.39641853226, -745.1332191019411}, -750, 750},
        {"log", VectorFunction::Log, [](double x) { return std::log(x); }, {1.0, 2.2250738585072014e-308}, 0, 1e6},
        {"sqrt", VectorFunction::Sqrt, [](double x) { return std::sqrt(x); }, {1.0}, 0, 1e6},
        {"sin", VectorFunction::Sin, [](double x) { return std::sin(x); }, {3.141592653589793, 1e15}, -1e4, 1e4},
        {"cos", VectorFunction::Cos, [](double x) { return std::cos(x); }, {1.5707963267948966, 1e15}, -1e4, 1e4},
    };
    for (const Case& c : cases) {
        const std::vector<double> x = arguments(k_per_function, c.points, c.lo, c.hi);
        std::vector<double> got(x.size()), want(x.size());
        num::vector_map(c.f, got.data(), x.data(), x.size());
        for (std::size_t k = 0; k < x.size(); ++k) want[k] = c.reference(x[k]);
        check(std::string(c.name) + " [" + num::vector_math_kernels() + "]", x, got, want);
        // The narrower kernels too, where the processor runs them.
        if (std::string(num::vector_math_kernels()) == "avx512" && __builtin_cpu_supports("avx2") &&
            __builtin_cpu_supports("fma")) {
            num::kernels::map_avx2(c.f, got.data(), x.data(), x.size());
            check(std::string(c.name) + " [avx2]", x, got, want);
        }
    }
}

// Pairs (x, y) for pow, n in all: every pair of special operands; bases and
// exponents whose powers lie densely around the overflow threshold, the
// smallest normal and the smallest subnormal, negative bases among them with
// integer exponents; random bases of every exponent with exponents chosen so
// that the powers spread over the whole range of doubles; random bit patterns
// for both; and moderate bases and exponents.
void pow_arguments(std::size_t n, std::vector<double>& x, std::vector<double>& y) {
    const double inf = std::numeric_limits<double>::infinity(), nan = std::numeric_limits<double>::quiet_NaN();
    const double big = std::numeric_limits<double>::max(), dmin = 2.2250738585072014e-308, sub = 4.9e-324;
    const double specials[] = {0.0, -0.0, inf, -inf, nan, 1.0, -1.0, 0.5, -0.5, 2.0, -2.0, 3.0, -3.0, 2.5, -2.5, sub,
                               -sub, dmin, big, -big, 1e300, -1e300, 1024.0, 1074.0, -1074.0, 0.1, 1.0 + 0x1p-52, 1.0 - 0x1p-53};
    for (double a : specials)
        for (double b : specials) x.push_back(a), y.push_back(b);
    // ln of the overflow threshold, of the smallest normal and of the smallest subnormal.
    const double edges[] = {709.782712893384, -708.3964185322641, -744.4400719213812};
    for (double base : {2.0, 10.0, 0.5, 2.718281828459045, big, 1.0000001, 0.9999999, 1e-300, sub, 7.5})
        for (double t : edges)
            for (int k = -3000; k <= 3000; ++k) {
                x.push_back(base);
                y.push_back(t / std::log(base) * (1 + k * 1e-10));
            }
    for (double base : {-2.0, -10.0, -0.5, -3.0, -1.0000001})
        for (double t : edges) {
            const double e = std::round(t / std::log(-base));
            for (int k = -40; k <= 40; ++k) x.push_back(base), y.push_back(e + k);
        }
    std::mt19937_64 rng(20240602);
    std::uniform_real_distribution<double> power(-760, 760), base(0, 100), exponent(-50, 50);
    auto any = [&] {
        const uint64_t bits = rng();
        double d;
        std::memcpy(&d, &bits, sizeof d);
        return d;
    };
    while (x.size() < n) {
        // A finite base of any exponent and an exponent bringing the power to e^t.
        double a = any();
        if (!std::isfinite(a) || a == 0) a = 3.0;
        double b = power(rng) / std::log(std::fabs(a));
        if (a < 0 || (rng() & 3) == 0) b = std::round(b);
        x.push_back(a), y.push_back(b);
        x.push_back(any()), y.push_back(any());
        x.push_back(base(rng)), y.push_back(exponent(rng));
    }
    x.resize(n);
    y.resize(n);
}

TEST(VectorMath, PowWithinOneUlpOfTheCLibrary) {
    std::vector<double> x, y;
    pow_arguments(10'000'000, x, y);
    std::vector<double> got(x.size()), want(x.size());
    for (std::size_t k = 0; k < x.size(); ++k) want[k] = std::pow(x[k], y[k]);
    num::vector_pow(got.data(), x.data(), y.data(), x.size());
    check(std::string("pow [") + num::vector_math_kernels() + "]", x, got, want, &y);
    if (std::string(num::vector_math_kernels()) == "avx512" && __builtin_cpu_supports("avx2") &&
        __builtin_cpu_supports("fma")) {
        num::kernels::pow_avx2(got.data(), x.data(), y.data(), x.size());
        check("pow [avx2]", x, got, want, &y);
    }
}

TEST(VectorMath, PowOfABlockByOneExponent) {
    // A block raised to one exponent, special ones included, and in place.
    std::vector<double> x, unused;
    pow_arguments(300'000, x, unused);
    // Bases whose squares and cubes lie around the overflow threshold, the
    // smallest normal and the smallest subnormal, ULP by ULP.
    for (double p : {1.3407807929942596e154, 1.4916681462400413e-154, 2.2227587494850775e-162, 5.643803094122362e102,
                     2.812644285236262e-103, 1.7031839360032603e-108})
        for (int k = -3000; k <= 3000; ++k) x.push_back(p * (1 + k * 0x1p-52)), x.push_back(-p * (1 + k * 0x1p-40));
    const double inf = std::numeric_limits<double>::infinity();
    for (double e : {0.0, -0.0, 1.0, -1.0, 0.5, 2.0, 3.0, -2.5, 1e300, -1e300, 1075.0, -1075.0, 0x1p-60, inf, -inf,
                     std::numeric_limits<double>::quiet_NaN()}) {
        std::vector<double> got(x.size()), want(x.size());
        for (std::size_t k = 0; k < x.size(); ++k) want[k] = std::pow(x[k], e);
        num::vector_pow_scalar(got.data(), x.data(), e, x.size());
        check("pow(x, " + hex(e) + ")", x, got, want);
        got = x;
        num::vector_pow_scalar(got.data(), got.data(), e, got.size());
        check("in place pow(x, " + hex(e) + ")", x, got, want);
    }
}

TEST(VectorMath, PowInPlaceOnEitherOperand) {
    std::vector<double> x, y;
    pow_arguments(100'003, x, y);
    std::vector<double> want(x.size());
    for (std::size_t k = 0; k < x.size(); ++k) want[k] = std::pow(x[k], y[k]);
    std::vector<double> on_x = x, on_y = y;
    num::vector_pow(on_x.data(), on_x.data(), y.data(), x.size());
    num::vector_pow(on_y.data(), x.data(), on_y.data(), x.size());
    check("pow into x", x, on_x, want, &y);
    check("pow into y", x, on_y, want, &y);
}

TEST(VectorMath, ShortAndOddLengthsAndInPlace) {
    // Every length up to three vectors: the tail goes through the same kernel.
    for (std::size_t n = 0; n < 25; ++n) {
        std::vector<double> x(n), got(n);
        for (std::size_t k = 0; k < n; ++k) x[k] = 0.37 * static_cast<double>(k) - 2;
        num::vector_map(VectorFunction::Exp, got.data(), x.data(), n);
        num::vector_map(VectorFunction::Exp, x.data(), x.data(), n);
        for (std::size_t k = 0; k < n; ++k) {
            EXPECT_EQ(got[k], x[k]);
            EXPECT_LE(ulps(got[k], std::exp(0.37 * static_cast<double>(k) - 2)), 1u);
        }
    }
}

}  // namespace
}  // namespace kj::test
