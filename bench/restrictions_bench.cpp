// Restriction mappings and Jacobians as estimation code calls them, once per
// function evaluation: 40 parameters of which 16 are restricted through
// chains of products, quotients and powers. The hand-written loop computing
// the same theta is the floor to compare the mapping with.
#include <benchmark/benchmark.h>

#include <cmath>
#include <string>
#include <vector>

#include "data/restriction_evaluator.h"

namespace {

namespace kd = kj::data;

constexpr int k_n = 40;

// theta_{2k+1} = theta_{2k} * theta_{2k-1} / (1 + theta_{2k} ^ 2) for k = 1..16.
std::u16string restriction_text() {
    std::string s;
    for (int k = 1; k <= 16; ++k)
        s += "&" + std::to_string(2 * k + 1) + " = &" + std::to_string(2 * k) + " * &" + std::to_string(2 * k - 1) +
             " / (1 + &" + std::to_string(2 * k) + " ^ 2);\n";
    return kd::utf16_from_utf8(s);
}

struct Compiled {
    kd::ParameterRestrictions set;
    std::vector<double> phi;
    Compiled() {
        kd::CompileMessages messages;
        kd::compile_parameter_restrictions(restriction_text(), k_n, set, messages);
        phi.assign(static_cast<std::size_t>(set.free_count), 0.75);
    }
};

void BM_RestrictionMap(benchmark::State& state) {
    Compiled c;
    std::vector<double> theta(k_n);
    for (auto _ : state) {
        kd::map_to_unconstrained(c.set, c.phi.data(), theta.data());
        benchmark::DoNotOptimize(theta.data());
    }
}
BENCHMARK(BM_RestrictionMap);

void BM_RestrictionMapByHand(benchmark::State& state) {
    std::vector<double> theta(k_n, 0.75);
    for (auto _ : state) {
        for (int k = 1; k <= 16; ++k) {
            const double a = theta[static_cast<std::size_t>(2 * k)];
            theta[static_cast<std::size_t>(2 * k + 1)] = a * theta[static_cast<std::size_t>(2 * k - 1)] / (1 + std::pow(a, 2.0));
        }
        benchmark::DoNotOptimize(theta.data());
    }
}
BENCHMARK(BM_RestrictionMapByHand);

void BM_RestrictionJacobian(benchmark::State& state) {
    Compiled c;
    std::vector<double> jacobian(static_cast<std::size_t>(c.set.free_count) * k_n);
    for (auto _ : state) {
        kd::restriction_jacobian(c.set, c.phi.data(), jacobian.data());
        benchmark::DoNotOptimize(jacobian.data());
    }
}
BENCHMARK(BM_RestrictionJacobian);

}  // namespace
