// Recursions, lags and differences down the columns of a matrix. Row t of a
// result depends on earlier rows only, so each works one whole row at a time
// over the contiguous block (y[t] += coefficient * y[t - i] as a row update).
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "lib/arg_checks.h"
#include "lib/args.h"
#include "lib/library_rows.h"
#include "value/value.h"

namespace kj::lib {

namespace {
using value::Value;

constexpr double k_nan = std::numeric_limits<double>::quiet_NaN();

// y += b * x over n elements.
void add_scaled(double* y, const double* x, double b, int n) {
    for (int j = 0; j < n; ++j) y[j] += b * x[j];
}

double** copy_of(Value& result, const MatrixArg& a) {
    double** m = new_matrix(result, a.r, a.c);
    if (m) std::memcpy(m[0], a.data(), sizeof(double) * a.count());
    return m;
}

// cumsum(ma, mp [, mstart]): y[t] = ma[t] + sum_i p_i y[t - i] per column;
// y before row 0 is 0, or from mstart (p x c, its last row y[-1]; a scalar
// stands for every element).
void fn_cumsum(Value* result, Value* args, int count) {
    check_most(count, 3);
    const MatrixArg a = matrix_arg(args, 0);
    const std::vector<double> p = elements_arg(args, 1);
    const int order = static_cast<int>(p.size());
    // Rows -order .. -1 of y, then its rows 0 .. r-1.
    std::vector<double> start(static_cast<std::size_t>(order) * a.c, 0.0);
    if (count > 2) {
        const MatrixArg s = matrix_arg(args, 2);
        if (s.r == 1 && s.c == 1)
            std::fill(start.begin(), start.end(), s.m[0][0]);
        else if (s.r == order && s.c == a.c)
            std::copy_n(s.data(), s.count(), start.begin());
        else
            arg_size_error(2, args[2], order, a.c);
    }
    double** y = copy_of(*result, a);
    if (!y) return;
    auto earlier = [&](int t) {
        return t >= 0 ? y[t] : start.data() + static_cast<std::size_t>(t + order) * a.c;
    };
    for (int t = 0; t < a.r; ++t)
        for (int i = 1; i <= order; ++i)
            if (p[i - 1] != 0) add_scaled(y[t], earlier(t - i), p[i - 1], a.c);
}

// cumprod(ma [, iorder]): y[t] = ma[t] y[t - iorder] from row iorder on.
void fn_cumprod(Value* result, Value* args, int count) {
    check_most(count, 2);
    const MatrixArg a = matrix_arg(args, 0);
    const int order = count > 1 ? int_arg(args, 1) : 1;
    if (order < 1) arg_error(1);
    double** y = copy_of(*result, a);
    for (int t = order; y && t < a.r; ++t)
        for (int j = 0; j < a.c; ++j) y[t][j] *= y[t - order][j];
}

// cumulate(ma [, A_1, ..., A_k]): running sums, or the vector recursion
// y_t = ma_t + A_1 y_(t-1) + ... + A_k y_(t-k) with rows as vectors; a
// scalar A_i stands for that multiple of the identity.
void fn_cumulate(Value* result, Value* args, int count) {
    const MatrixArg a = matrix_arg(args, 0);
    const int c = a.c;
    std::vector<MatrixArg> coef;
    for (int k = 1; k < count; ++k) {
        const MatrixArg b = matrix_arg(args, k);
        if (!(b.r == 1 && b.c == 1) && (b.r != c || b.c != c)) arg_size_error(k, args[k], c, c);
        coef.push_back(b);
    }
    double** y = copy_of(*result, a);
    if (!y) return;
    if (coef.empty()) {
        for (int t = 1; t < a.r; ++t) add_scaled(y[t], y[t - 1], 1.0, c);
        return;
    }
    for (int t = 1; t < a.r; ++t)
        for (int i = 1; i <= std::min<int>(t, static_cast<int>(coef.size())); ++i) {
            const MatrixArg& b = coef[i - 1];
            const double* prev = y[t - i];
            if (b.r == 1 && b.c == 1) {
                add_scaled(y[t], prev, b.m[0][0], c);
                continue;
            }
            for (int row = 0; row < c; ++row) {
                double s = 0;
                for (int col = 0; col < c; ++col) s += b.m[row][col] * prev[col];
                y[t][row] += s;
            }
        }
}

// Shifts ma down by each lag of mlag (up for a negative lag), the copies side
// by side; rows shifted in from outside are dmiss.
void lagged(Value& result, Value* args, int count, double dmiss_default) {
    check_most(count, 3);
    const MatrixArg a = matrix_arg(args, 0);
    std::vector<int> lags{1};
    if (count > 1) {
        const std::vector<double> given = elements_arg(args, 1);
        lags.resize(given.size());
        std::transform(given.begin(), given.end(), lags.begin(), [](double x) {
            return std::isnan(x) ? 0 : static_cast<int>(std::clamp(x, -2147483647.0, 2147483647.0));
        });
    }
    const double dmiss = count > 2 ? double_arg(args, 2) : dmiss_default;
    const long long width = static_cast<long long>(a.c) * static_cast<long long>(lags.size());
    if (width > 2147483647) arg_error(1);
    double** y = new_matrix(result, a.r, static_cast<int>(width));
    if (!y) return;
    for (std::size_t k = 0; k < lags.size(); ++k) {
        const long long lag = lags[k];
        for (int t = 0; t < a.r; ++t) {
            double* out = y[t] + k * a.c;
            const long long from = t - lag;
            if (from >= 0 && from < a.r)
                std::memcpy(out, a.m[from], sizeof(double) * a.c);
            else
                std::fill_n(out, a.c, dmiss);
        }
    }
}

void fn_lag(Value* result, Value* args, int count) { lagged(*result, args, count, k_nan); }
void fn_lag0(Value* result, Value* args, int count) { lagged(*result, args, count, 0.0); }

// y[t] = ma[t] - ma[t - ilag]; rows without a partner (the first ilag, or
// the last |ilag| for a lead) are dmiss.
void differenced(Value& result, Value* args, int count, double dmiss_default) {
    check_most(count, 3);
    const MatrixArg a = matrix_arg(args, 0);
    const long long lag = count > 1 ? int_arg(args, 1) : 1;
    const double dmiss = count > 2 ? double_arg(args, 2) : dmiss_default;
    double** y = new_matrix(result, a.r, a.c);
    for (int t = 0; y && t < a.r; ++t) {
        const long long from = t - lag;
        if (from < 0 || from >= a.r) {
            std::fill_n(y[t], a.c, dmiss);
            continue;
        }
        for (int j = 0; j < a.c; ++j) y[t][j] = a.m[t][j] - a.m[from][j];
    }
}

void fn_diff(Value* result, Value* args, int count) { differenced(*result, args, count, k_nan); }
void fn_diff0(Value* result, Value* args, int count) { differenced(*result, args, count, 0.0); }

const DescriptorRow k_cumulate_rows[] = {
    {"c$cumprod", fn_cumprod, 1}, {"cc$cumsum", fn_cumsum, 1}, {"c$cumulate", fn_cumulate, 1},
    {"c$diff", fn_diff, 1},       {"c$diff0", fn_diff0, 1},    {"c$lag", fn_lag, 1},
    {"c$lag0", fn_lag0, 1},
};

}  // namespace

std::span<const DescriptorRow> cumulate_rows() { return k_cumulate_rows; }

}  // namespace kj::lib
