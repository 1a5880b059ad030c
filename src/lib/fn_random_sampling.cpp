// Random draws with their own shapes: sampling without replacement, order
// statistics, paths over a time grid, and the multivariate draws.
#include <cmath>
#include <limits>
#include <vector>

#include "lib/arg_checks.h"
#include "lib/args.h"
#include "lib/fn_random.h"
#include "lib/library_rows.h"
#include "num/linalg_block.h"
#include "num/linalg_choleski.h"
#include "num/random/continuous_draws.h"
#include "num/random/discrete_draws.h"
#include "num/random/generator_state.h"
#include "runtime/random_record.h"
#include "num/random/multivariate_draws.h"
#include "num/random/sampling.h"

namespace kj::lib {
namespace {

using value::Value;

constexpr double k_nan = std::numeric_limits<double>::quiet_NaN();

// ranindex(n, k = n): k distinct indices of 0..n-1 in random order.
void fn_ranindex(Value* result, Value* args, int count) {
    check_most(count, 2);
    const int n = size_arg(args, 0);
    const int k = count > 1 ? size_arg(args, 1) : n;
    if (n < 0) new_matrix(*result, n, 1);
    if (k < 0 || k > n) arg_error(1);
    std::vector<double> x(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) x[static_cast<std::size_t>(i)] = i;
    runtime::RanLock lock;
    num::ran_shuffle(lock.state(), x.data(), static_cast<std::size_t>(k), x.size());
    double** m = new_matrix(*result, 1, k);
    for (int i = 0; m && i < k; ++i) m[0][i] = x[static_cast<std::size_t>(i)];
}

// ranshuffle(k, mx): k elements of mx drawn without replacement, as a column.
void fn_ranshuffle(Value* result, Value* args, int) {
    const int k = size_arg(args, 0);
    std::vector<double> x = elements_arg(args, 1);
    if (k < 0 || static_cast<std::size_t>(k) > x.size()) arg_error(0);
    runtime::RanLock lock;
    num::ran_shuffle(lock.state(), x.data(), static_cast<std::size_t>(k), x.size());
    double** m = new_matrix(*result, k, 1);
    for (int i = 0; m && i < k; ++i) m[i][0] = x[static_cast<std::size_t>(i)];
}

// ransubsample(k, n): k distinct indices of 0..n-1, increasing.
void fn_ransubsample(Value* result, Value* args, int) {
    const int k = size_arg(args, 0);
    const int n = size_arg(args, 1);
    if (n < 0) arg_error(1);
    if (k < 0 || k > n) arg_error(0);
    std::vector<int> idx(static_cast<std::size_t>(k));
    runtime::RanLock lock;
    num::ran_subsample(lock.state(), idx.data(), k, n);
    double** m = new_matrix(*result, 1, k);
    for (int i = 0; m && i < k; ++i) m[0][i] = idx[static_cast<std::size_t>(i)];
}

// ranuorder(n): the order statistics of n uniforms, as a column.
void fn_ranuorder(Value* result, Value* args, int) {
    const int n = size_arg(args, 0);
    double** m = new_matrix(*result, n, 1);
    if (!m) return;
    runtime::RanLock lock;
    num::ran_uorder(lock.state(), m[0], n);
}

// r paths over the time grid args[1] (row-major elements): each element adds
// step(state, t_j - t_(j-1)) to the one before, from start at t = 0. A
// negative time or a decrease gives NaN from that column on.
template <class Step>
void paths(Value& result, Value* args, double start, Step step) {
    const int r = size_arg(args, 0);
    const std::vector<double> t = elements_arg(args, 1);
    const int m = static_cast<int>(t.size());
    double** y = new_matrix(result, r, m);
    if (!y) return;
    runtime::RanLock lock;
    KjRanState& s = lock.state();
    for (int i = 0; i < r; ++i) {
        double x = start, before = 0;
        for (int j = 0; j < m; ++j) {
            const double dt = t[static_cast<std::size_t>(j)] - before;
            if (!(dt >= 0) || std::isnan(x)) {
                x = k_nan;
            } else {
                x += step(s, dt);
                before = t[static_cast<std::size_t>(j)];
            }
            y[i][j] = x;
        }
    }
}

// ranbrownianmotion(r, vtimes): paths of standard Brownian motion.
void fn_ranbrownianmotion(Value* result, Value* args, int) {
    paths(*result, args, 0, [](KjRanState& s, double dt) { return std::sqrt(dt) * num::ran_n(s); });
}

// ranpoissonprocess(r, vtimes, mu): counts of a Poisson process of intensity
// mu (mu < 0: NaN).
void fn_ranpoissonprocess(Value* result, Value* args, int) {
    const double mu = double_arg(args, 2);
    paths(*result, args, mu >= 0 ? 0 : k_nan, [mu](KjRanState& s, double dt) { return num::ran_poisson(s, mu * dt); });
}

// randirichlet(r, valpha): one Dirichlet draw per row.
void fn_randirichlet(Value* result, Value* args, int) {
    const int r = size_arg(args, 0);
    const std::vector<double> alpha = elements_arg(args, 1);
    const int k = static_cast<int>(alpha.size());
    double** y = new_matrix(*result, r, k);
    if (!y) return;
    runtime::RanLock lock;
    for (int i = 0; i < r; ++i) num::ran_dirichlet(lock.state(), y[i], alpha.data(), k);
}

// ranmultinomial(n, mp): one draw of n trials per row of probabilities.
void fn_ranmultinomial(Value* result, Value* args, int) {
    const double n = double_arg(args, 0);
    if (!(n >= 0) || n != std::floor(n)) arg_error(0);
    MatrixArg p = matrix_arg(args, 1);
    int rows = p.r, k = p.c;
    if (p.c == 1 && p.r > 1) rows = 1, k = p.r;
    double** y = new_matrix(*result, rows, k);
    if (!y) return;
    runtime::RanLock lock;
    for (int i = 0; i < rows; ++i) num::ran_multinomial(lock.state(), y[i], n, p.data() + static_cast<std::size_t>(i) * k, k);
}

// ranwishart(n, msigma [, ifactor]): one p x p Wishart draw; msigma may be an
// int p for the identity, or (ifactor != 0) the lower Choleski factor.
void fn_ranwishart(Value* result, Value* args, int count) {
    check_most(count, 3);
    const double n = double_arg(args, 0);
    const bool factor_given = count > 2 && int_arg(args, 2) != 0;
    std::vector<double> l;
    int p;
    if (is_type(args[1], value::T_Int)) {
        p = args[1].u.ival;
        if (p < 0) new_matrix(*result, p, p);
        l.assign(static_cast<std::size_t>(p) * p, 0.0);
        for (int i = 0; i < p; ++i) l[static_cast<std::size_t>(i) * p + i] = 1;
    } else {
        check_square_matrix(args, 1, 1);
        const MatrixArg a = matrix_arg(args, 1);
        p = a.r;
        // The lower triangle of the factor, or of the scale matrix that the
        // shared Choleski kernel factors in place.
        num::WorkBlock lower(p, p);
        for (int i = 0; i < p; ++i)
            for (int j = 0; j <= i; ++j) lower[i][j] = a.m[i][j];
        if (!factor_given && p > 0 && !num::choleski(lower.rows(), p)) {
            new_matrix_filled(*result, p, p, k_nan);
            return;
        }
        l.assign(lower.data(), lower.data() + static_cast<std::size_t>(p) * p);
    }
    double** y = new_matrix(*result, p, p);
    if (!y) return;
    runtime::RanLock lock;
    num::ran_wishart(lock.state(), y[0], n, l.data(), p);
}

const DescriptorRow k_sampling_rows[] = {
    {"cc$ranbrownianmotion", fn_ranbrownianmotion},
    {"cc$randirichlet", fn_randirichlet},
    {"c$ranindex", fn_ranindex, 1},
    {"cc$ranmultinomial", fn_ranmultinomial},
    {"ccc$ranpoissonprocess", fn_ranpoissonprocess},
    {"cc$ranshuffle", fn_ranshuffle},
    {"cc$ransubsample", fn_ransubsample},
    {"c$ranuorder", fn_ranuorder},
    {"cc$ranwishart", fn_ranwishart, 1},
};

}  // namespace

std::span<const DescriptorRow> random_sampling_rows() { return k_sampling_rows; }

}  // namespace kj::lib
