// Reductions of matrices per column ("...c": a 1 x c row), per row ("...r":
// an r x 1 column) and over all arguments (max, min, any). Column reductions
// run down the rows of the contiguous block, updating one output row, so they
// stream the matrix once; row reductions keep four partial results to break
// the dependency chain. Sums, products and moments let NaN propagate; the
// extremes skip it.
#include <algorithm>
#include <cmath>
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

// --- the two traversals ---

// out[j] = step(out[j], x) for every element x of column j, starting at init.
template <class Step>
double* per_column(Value& result, const MatrixArg& a, double init, Step step) {
    double** m = new_matrix_filled(result, 1, a.c, init);
    if (!m) return nullptr;
    double* out = m[0];
    for (int i = 0; i < a.r; ++i) {
        const double* row = a.m[i];
        for (int j = 0; j < a.c; ++j) out[j] = step(out[j], row[j]);
    }
    return out;
}

// Folds n elements with step in four interleaved lanes, joined by join.
template <class Step, class Join>
double fold(const double* p, int n, double init, Step step, Join join) {
    double s0 = init, s1 = init, s2 = init, s3 = init;
    int j = 0;
    for (; j + 4 <= n; j += 4) {
        s0 = step(s0, p[j]);
        s1 = step(s1, p[j + 1]);
        s2 = step(s2, p[j + 2]);
        s3 = step(s3, p[j + 3]);
    }
    for (; j < n; ++j) s0 = step(s0, p[j]);
    return join(join(s0, s1), join(s2, s3));
}

// Column i of the result: the fold of row i.
template <class Step, class Join>
double* per_row(Value& result, const MatrixArg& a, double init, Step step, Join join) {
    double** m = new_matrix(result, a.r, 1);
    for (int i = 0; m && i < a.r; ++i) m[i][0] = fold(a.m[i], a.c, init, step, join);
    return m ? m[0] : nullptr;
}

constexpr auto add = [](double s, double x) { return s + x; };
constexpr auto add_square = [](double s, double x) { return s + x * x; };
constexpr auto multiply = [](double s, double x) { return s * x; };
// The extremes skip NaN: an accumulator that is still NaN takes any value.
constexpr auto larger = [](double s, double x) { return x > s || s != s ? x : s; };
constexpr auto smaller = [](double s, double x) { return x < s || s != s ? x : s; };

void fn_sumc(Value* result, Value* args, int) { per_column(*result, matrix_arg(args, 0), 0.0, add); }
void fn_sumr(Value* result, Value* args, int) { per_row(*result, matrix_arg(args, 0), 0.0, add, add); }
void fn_sumsqrc(Value* result, Value* args, int) {
    per_column(*result, matrix_arg(args, 0), 0.0, add_square);
}
void fn_sumsqrr(Value* result, Value* args, int) {
    per_row(*result, matrix_arg(args, 0), 0.0, add_square, add);
}
void fn_prodc(Value* result, Value* args, int) { per_column(*result, matrix_arg(args, 0), 1.0, multiply); }
void fn_prodr(Value* result, Value* args, int) {
    per_row(*result, matrix_arg(args, 0), 1.0, multiply, multiply);
}
void fn_maxc(Value* result, Value* args, int) { per_column(*result, matrix_arg(args, 0), k_nan, larger); }
void fn_minc(Value* result, Value* args, int) { per_column(*result, matrix_arg(args, 0), k_nan, smaller); }
void fn_maxr(Value* result, Value* args, int) { per_row(*result, matrix_arg(args, 0), k_nan, larger, larger); }
void fn_minr(Value* result, Value* args, int) {
    per_row(*result, matrix_arg(args, 0), k_nan, smaller, smaller);
}

void scale(double* p, int n, double by) {
    for (int j = 0; j < n; ++j) p[j] /= by;
}

void fn_meanc(Value* result, Value* args, int) {
    const MatrixArg a = matrix_arg(args, 0);
    if (double* out = per_column(*result, a, 0.0, add)) scale(out, a.c, a.r);
}

void fn_meanr(Value* result, Value* args, int) {
    const MatrixArg a = matrix_arg(args, 0);
    if (double* out = per_row(*result, a, 0.0, add, add)) scale(out, a.r, a.c);
}

// Column means of a (NaN for no rows).
std::vector<double> column_means(const MatrixArg& a) {
    std::vector<double> mean(a.c, 0.0);
    for (int i = 0; i < a.r; ++i)
        for (int j = 0; j < a.c; ++j) mean[j] += a.m[i][j];
    for (double& x : mean) x /= a.r;
    return mean;
}

// Column variances with divisor r, from the means (a second pass, which
// keeps the precision a one-pass sum of squares loses).
std::vector<double> column_variances(const MatrixArg& a, const std::vector<double>& mean) {
    std::vector<double> var(a.c, 0.0);
    for (int i = 0; i < a.r; ++i)
        for (int j = 0; j < a.c; ++j) {
            const double d = a.m[i][j] - mean[j];
            var[j] += d * d;
        }
    for (double& x : var) x /= a.r;
    return var;
}

void fn_varc(Value* result, Value* args, int) {
    const MatrixArg a = matrix_arg(args, 0);
    const std::vector<double> var = column_variances(a, column_means(a));
    double** m = new_matrix(*result, 1, a.c);
    if (m) std::copy(var.begin(), var.end(), m[0]);
}

void fn_varr(Value* result, Value* args, int) {
    const MatrixArg a = matrix_arg(args, 0);
    double** m = new_matrix(*result, a.r, 1);
    for (int i = 0; m && i < a.r; ++i) {
        const double* row = a.m[i];
        const double mean = fold(row, a.c, 0.0, add, add) / a.c;
        const auto centred_square = [mean](double s, double x) { return s + (x - mean) * (x - mean); };
        m[i][0] = fold(row, a.c, 0.0, centred_square, add) / a.c;
    }
}

void fn_standardize(Value* result, Value* args, int) {
    const MatrixArg a = matrix_arg(args, 0);
    const std::vector<double> mean = column_means(a);
    std::vector<double> sd = column_variances(a, mean);
    for (double& x : sd) x = std::sqrt(x);
    double** m = new_matrix(*result, a.r, a.c);
    for (int i = 0; m && i < a.r; ++i)
        for (int j = 0; j < a.c; ++j) m[i][j] = sd[j] == 0 ? 0.0 : (a.m[i][j] - mean[j]) / sd[j];
}

// The c x c cross products of the mean-corrected columns (upper triangle
// accumulated one row at a time, then mirrored), not yet divided.
void centred_cross_products(const MatrixArg& a, double** out) {
    const int c = a.c;
    const std::vector<double> mean = column_means(a);
    std::vector<double> d(c);
    for (int a_row = 0; a_row < c; ++a_row) std::fill_n(out[a_row], c, 0.0);
    for (int i = 0; i < a.r; ++i) {
        for (int j = 0; j < c; ++j) d[j] = a.m[i][j] - mean[j];
        for (int p = 0; p < c; ++p) {
            const double dp = d[p];
            double* row = out[p];
            for (int q = p; q < c; ++q) row[q] += dp * d[q];
        }
    }
    for (int p = 0; p < c; ++p)
        for (int q = 0; q < p; ++q) out[p][q] = out[q][p];
}

void fn_variance(Value* result, Value* args, int) {
    const MatrixArg a = matrix_arg(args, 0);
    double** m = new_matrix(*result, a.c, a.c);
    if (!m) return;
    centred_cross_products(a, m);
    for (int p = 0; p < a.c; ++p) scale(m[p], a.c, a.r);
}

// Correlations from the cross products (the divisor cancels). A column with
// zero variance correlates 0 with the others; a column holding NaN gives NaN
// in its row and column, its diagonal element included.
void fn_correlation(Value* result, Value* args, int) {
    const MatrixArg a = matrix_arg(args, 0);
    if (a.r == 0) return void(new_matrix(*result, 0, 0));
    double** m = new_matrix(*result, a.c, a.c);
    if (!m) return;
    centred_cross_products(a, m);
    std::vector<double> sd(a.c);
    for (int p = 0; p < a.c; ++p) sd[p] = std::sqrt(m[p][p]);
    for (int p = 0; p < a.c; ++p)
        for (int q = 0; q < a.c; ++q) {
            const double s = sd[p] * sd[q];
            if (std::isnan(m[p][q]) || std::isnan(s))
                m[p][q] = k_nan;
            else if (p == q)
                m[p][q] = 1;
            else
                m[p][q] = s == 0 ? 0.0 : m[p][q] / s;
        }
}

// Row index of the extreme of each column: first on ties, NaN skipped, -1
// for a column without values.
template <class Better>
void extreme_index(Value& result, const MatrixArg& a, Better better) {
    std::vector<double> best(a.c, k_nan);
    double** m = new_matrix_filled(result, 1, a.c, -1.0);
    if (!m) return;
    double* index = m[0];
    for (int i = 0; i < a.r; ++i)
        for (int j = 0; j < a.c; ++j) {
            const double x = a.m[i][j];
            if (!std::isnan(x) && (index[j] < 0 || better(x, best[j]))) {
                best[j] = x;
                index[j] = i;
            }
        }
}

void fn_maxcindex(Value* result, Value* args, int) {
    extreme_index(*result, matrix_arg(args, 0), [](double x, double y) { return x > y; });
}
void fn_mincindex(Value* result, Value* args, int) {
    extreme_index(*result, matrix_arg(args, 0), [](double x, double y) { return x < y; });
}

// max and min over every element of every argument; an int result when all
// arguments are ints. NaN is skipped; no value at all gives NaN.
template <class Step>
void extreme_of_all(Value& result, Value* args, int count, Step step) {
    bool all_int = true;
    double best = k_nan;
    for (int k = 0; k < count; ++k) {
        const Value& v = args[k];
        const uint32_t t = value::is_null(v) ? value::T_None : value::type_of(v);
        if (t == value::T_Int) {
            best = step(best, v.u.ival);
            continue;
        }
        all_int = false;
        if (t == value::T_Double) {
            best = step(best, v.u.dval);
        } else if (t == value::T_Matrix) {
            const MatrixArg a{v.u.mat.m, v.u.mat.r, v.u.mat.c};
            if (!a.empty()) best = step(best, fold(a.data(), static_cast<int>(a.count()), k_nan, step, step));
        } else {
            arg_type_error(k, value::T_Matrix, &v);
        }
    }
    if (all_int)
        value::set_int(result, static_cast<int32_t>(best));
    else
        value::set_double(result, best);
}

void fn_max(Value* result, Value* args, int count) { extreme_of_all(*result, args, count, larger); }
void fn_min(Value* result, Value* args, int count) { extreme_of_all(*result, args, count, smaller); }

void fn_any(Value* result, Value* args, int) {
    const Value& v = args[0];
    const uint32_t t = value::is_null(v) ? value::T_None : value::type_of(v);
    bool found = false;
    if (t == value::T_Int) {
        found = v.u.ival != 0;
    } else if (t == value::T_Double) {
        found = v.u.dval != 0;  // NaN != 0 holds
    } else if (t == value::T_Matrix) {
        const MatrixArg a{v.u.mat.m, v.u.mat.r, v.u.mat.c};
        const double* p = a.data();
        found = p && std::any_of(p, p + a.count(), [](double x) { return x != 0; });
    } else {
        arg_type_error(0, value::T_Matrix, &v);
    }
    value::set_int(*result, found);
}

// moments(ma [, ik [, ifl]]): per column T, the mean, then the central
// moments m_2 .. m_ik (divisor T); standardised (ifl != 0) row 2 holds
// sqrt(m_2) and row j >= 3 m_j / m_2^(j/2), which is 0 when m_2 is 0.
void fn_moments(Value* result, Value* args, int count) {
    check_most(count, 3);
    const MatrixArg a = matrix_arg(args, 0);
    const int k = count > 1 ? int_arg(args, 1) : 4;
    if (k < 0) arg_error(1);
    const bool standardised = count > 2 ? int_arg(args, 2) != 0 : true;
    const std::vector<double> mean = column_means(a);
    double** m = new_matrix_zero(*result, k + 1, a.c);
    if (!m) return;
    for (int i = 0; i < a.r; ++i)
        for (int j = 0; j < a.c; ++j) {
            const double d = a.m[i][j] - mean[j];
            double p = d;
            for (int row = 2; row <= k; ++row) {
                p *= d;
                m[row][j] += p;
            }
        }
    for (int j = 0; j < a.c; ++j) {
        m[0][j] = a.r;
        if (k >= 1) m[1][j] = mean[j];
        for (int row = 2; row <= k; ++row) m[row][j] /= a.r;
        if (!standardised || k < 2) continue;
        const double m2 = m[2][j];
        for (int row = 3; row <= k; ++row) m[row][j] = m2 == 0 ? 0.0 : m[row][j] / std::pow(m2, row / 2.0);
        m[2][j] = std::sqrt(m2);
    }
}

// --- quantiles ---

// The probabilities of args[k], each in [0, 1].
std::vector<double> probabilities(Value* args, int count, int k) {
    if (count <= k) return {0.5};
    std::vector<double> p = elements_arg(args, k);
    for (double x : p)
        if (!(x >= 0 && x <= 1)) arg_error(k);
    return p;
}

// Quantiles of the values in x (NaN removed first; x is reordered) at the
// probabilities p, written to out[0], out[step], ... Value h = p (n - 1) lies
// between the order statistics floor(h) and floor(h) + 1. A few quantiles
// select their order statistics in linear time; many sort once.
void quantiles(std::vector<double>& x, const std::vector<double>& p, double* out, std::ptrdiff_t step) {
    x.erase(std::remove_if(x.begin(), x.end(), [](double v) { return std::isnan(v); }), x.end());
    const std::size_t n = x.size();
    const bool sorted = p.size() > 4;
    if (sorted) std::sort(x.begin(), x.end());
    for (std::size_t q = 0; q < p.size(); ++q) {
        double& y = out[static_cast<std::ptrdiff_t>(q) * step];
        if (n == 0) {
            y = k_nan;
            continue;
        }
        const double h = p[q] * static_cast<double>(n - 1);
        const std::size_t lo = std::min(static_cast<std::size_t>(h), n - 1);
        if (!sorted) std::nth_element(x.begin(), x.begin() + static_cast<std::ptrdiff_t>(lo), x.end());
        const double below = x[lo];
        const double frac = h - static_cast<double>(lo);
        if (frac == 0 || lo + 1 >= n) {
            y = below;
            continue;
        }
        // Past nth_element every later element is at least x[lo]; the next
        // order statistic is their minimum.
        const auto next = x.begin() + static_cast<std::ptrdiff_t>(lo) + 1;
        const double above = sorted ? *next : *std::min_element(next, x.end());
        y = below + frac * (above - below);
    }
}

void fn_quantilec(Value* result, Value* args, int count) {
    check_most(count, 2);
    const MatrixArg a = matrix_arg(args, 0);
    const std::vector<double> p = probabilities(args, count, 1);
    double** m = new_matrix(*result, static_cast<int>(p.size()), a.c);
    if (!m) return;
    std::vector<double> column(a.r);
    for (int j = 0; j < a.c; ++j) {
        column.resize(a.r);
        for (int i = 0; i < a.r; ++i) column[i] = a.m[i][j];
        quantiles(column, p, m[0] + j, a.c);
    }
}

void fn_quantiler(Value* result, Value* args, int count) {
    check_most(count, 2);
    const MatrixArg a = matrix_arg(args, 0);
    const std::vector<double> p = probabilities(args, count, 1);
    double** m = new_matrix(*result, a.r, static_cast<int>(p.size()));
    if (!m) return;
    std::vector<double> row;
    for (int i = 0; i < a.r; ++i) {
        row.assign(a.m[i], a.m[i] + a.c);
        quantiles(row, p, m[i], 1);
    }
}

// --- counts in intervals ---

// The interval of x among the bounds v (sorted): 0 for x <= v[0], i for
// v[i-1] < x <= v[i], n past the last bound.
int interval_of(const std::vector<double>& v, double x) {
    return static_cast<int>(std::lower_bound(v.begin(), v.end(), x) - v.begin());
}

void fn_countc(Value* result, Value* args, int) {
    const MatrixArg a = matrix_arg(args, 0);
    const std::vector<double> v = elements_arg(args, 1);
    double** m = new_matrix_zero(*result, static_cast<int>(v.size()) + 1, a.c);
    for (int i = 0; m && i < a.r; ++i)
        for (int j = 0; j < a.c; ++j) {
            const double x = a.m[i][j];
            if (!std::isnan(x)) m[interval_of(v, x)][j] += 1;
        }
}

void fn_countr(Value* result, Value* args, int) {
    const MatrixArg a = matrix_arg(args, 0);
    const std::vector<double> v = elements_arg(args, 1);
    double** m = new_matrix_zero(*result, a.r, static_cast<int>(v.size()) + 1);
    for (int i = 0; m && i < a.r; ++i)
        for (int j = 0; j < a.c; ++j) {
            const double x = a.m[i][j];
            if (!std::isnan(x)) m[i][interval_of(v, x)] += 1;
        }
}

const DescriptorRow k_reduce_rows[] = {
    {"c$any", fn_any},
    {"c$correlation", fn_correlation},
    {"cc$countc", fn_countc},
    {"cc$countr", fn_countr},
    {"c$max", fn_max, 1},
    {"c$maxc", fn_maxc},
    {"c$maxcindex", fn_maxcindex},
    {"c$maxr", fn_maxr},
    {"c$meanc", fn_meanc},
    {"c$meanr", fn_meanr},
    {"c$min", fn_min, 1},
    {"c$minc", fn_minc},
    {"c$mincindex", fn_mincindex},
    {"c$minr", fn_minr},
    {"c$moments", fn_moments, 1},
    {"c$prodc", fn_prodc},
    {"c$prodr", fn_prodr},
    {"c$quantilec", fn_quantilec, 1},
    {"c$quantiler", fn_quantiler, 1},
    {"c$standardize", fn_standardize},
    {"c$sumc", fn_sumc},
    {"c$sumr", fn_sumr},
    {"c$sumsqrc", fn_sumsqrc},
    {"c$sumsqrr", fn_sumsqrr},
    {"c$varc", fn_varc},
    {"c$variance", fn_variance},
    {"c$varr", fn_varr},
};

const DescriptorRow k_reduce_gauss_rows[] = {
    {"c$gauss::meanc", fn_meanc},
    {"c$gauss::median", fn_quantilec},
};

}  // namespace

std::span<const DescriptorRow> reduce_rows() { return k_reduce_rows; }
std::span<const DescriptorRow> reduce_gauss_rows() { return k_reduce_gauss_rows; }

}  // namespace kj::lib
