// The vector math kernels against the C library: at most 1 ULP apart on
// millions of arguments spread over the whole range of doubles (subnormals,
// signed zeros, infinities, NaN, and the points where each function
// overflows or underflows), and identical wherever either result is zero,
// infinite or NaN.
#include <gtest/gtest.h>

#include <cmath>
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

void check(const std::string& name, const std::vector<double>& x, const std::vector<double>& got,
           const std::vector<double>& want) {
    std::size_t bad = 0;
    for (std::size_t k = 0; k < x.size(); ++k) {
        const bool ok = (special(want[k]) || special(got[k])) ? same_bits(got[k], want[k]) : ulps(got[k], want[k]) <= 1;
        if (!ok && ++bad <= 5)
            ADD_FAILURE() << name << "(" << x[k] << ") = " << got[k] << ", C library " << want[k];
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

TEST(VectorMath, PowWithinOneUlpOfTheCLibrary) {
    // Bases and exponents over the whole range, with the overflow edge of
    // 2^1024 and 10^308.
    const std::vector<double> a = arguments(400'000, {2.0, 10.0, 1.0, 0.5}, 0, 100);
    std::vector<double> b = arguments(400'000, {1024.0, 308.25, -1074.0, 0.5, 2.0}, -50, 50);
    std::vector<double> got(a.size()), want(a.size());
    num::vector_pow(got.data(), a.data(), b.data(), a.size());
    for (std::size_t k = 0; k < a.size(); ++k) want[k] = std::pow(a[k], b[k]);
    check("pow", a, got, want);
    // A scalar exponent, including the special ones.
    for (double y : {0.0, -0.0, 1.0, -1.0, 0.5, 3.0, -2.5, 1e300, std::numeric_limits<double>::infinity(),
                     std::numeric_limits<double>::quiet_NaN()}) {
        num::vector_pow_scalar(got.data(), a.data(), y, a.size());
        for (std::size_t k = 0; k < a.size(); ++k) want[k] = std::pow(a[k], y);
        check("pow(x, " + std::to_string(y) + ")", a, got, want);
    }
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
