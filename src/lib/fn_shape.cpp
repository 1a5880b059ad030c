// Creation and shape built-ins. Matrix arguments are read through views of
// the converted argument records (an int or double is 1 x 1); every result
// is a fresh matrix from the matrix cache, and an empty result is <> (0 x 0).
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "lib/arg_checks.h"
#include "lib/args.h"
#include "lib/dimension_arg.h"
#include "lib/library_rows.h"
#include "num/split_in_two.h"
#include "value/matrix_block.h"
#include "value/value.h"
#include "runtime/run_error.h"

namespace kj::lib {

namespace {
using value::Value;

constexpr double k_nan = std::numeric_limits<double>::quiet_NaN();

// --- creation ---

// zeros, ones, nans and constant: a matrix of x shaped by args[first] and
// args[first + 1] (ir, ic), or by args[first] alone (ma's shape); no further
// argument is allowed.
void filled(Value& result, Value* args, int count, int first, double x) {
    check_most(count, first + 2);
    if (count == first + 1) {
        const MatrixArg a = matrix_arg(args, first);
        new_matrix_filled(result, a.r, a.c, x);
        return;
    }
    const int r = dimension_arg(args, first), c = dimension_arg(args, first + 1);
    new_matrix_filled(result, r, c, x);
}

void fn_zeros(Value* result, Value* args, int count) { filled(*result, args, count, 0, 0.0); }
void fn_ones(Value* result, Value* args, int count) { filled(*result, args, count, 0, 1.0); }
void fn_nans(Value* result, Value* args, int count) { filled(*result, args, count, 0, k_nan); }
void fn_constant(Value* result, Value* args, int count) {
    filled(*result, args, count, 1, double_arg(args, 0));
}

void fn_unit(Value* result, Value* args, int count) {
    check_most(count, 2);
    const int r = dimension_arg(args, 0);
    const int c = count > 1 ? dimension_arg(args, 1) : r;
    double** m = new_matrix_zero(*result, r, c);
    for (int i = 0; m && i < std::min(r, c); ++i) m[i][i] = 1;
}

// range(dmin, dmax [, dstep]): dmin + i * dstep for i < n. The quotient that
// counts the steps is raised by a relative 1e-10 so that a step which does
// not divide the span exactly in binary (0.1) still reaches dmax.
void fn_range(Value* result, Value* args, int count) {
    check_most(count, 3);
    const double lo = double_arg(args, 0), hi = double_arg(args, 1);
    double step = hi >= lo ? 1.0 : -1.0;
    if (count > 2) {
        step = double_arg(args, 2);
        if (step == 0) arg_error(2);
    }
    const double q = (hi - lo) / step * (1 + 1e-10);
    if (!(q >= 0)) return void(new_matrix(*result, 0, 0));  // wrong sign or NaN
    if (q >= 2147483646.0) runtime::raise_run_error(runtime::E_OutOfMemory);
    const int n = static_cast<int>(std::floor(q)) + 1;
    double** m = new_matrix(*result, 1, n);
    for (int i = 0; i < n; ++i) m[0][i] = lo + i * step;
}

// --- size queries (the same answers as the inline size instructions) ---

void fn_rows(Value* result, Value* args, int) { value::set_int(*result, value::rows(args[0])); }
void fn_columns(Value* result, Value* args, int) { value::set_int(*result, value::columns(args[0])); }
void fn_sizer(Value* result, Value* args, int) { value::set_int(*result, value::size_r(args[0])); }
void fn_sizec(Value* result, Value* args, int) { value::set_int(*result, value::size_c(args[0])); }
void fn_sizerc(Value* result, Value* args, int) {
    value::set_int(*result, value::size_r(args[0]) * value::size_c(args[0]));
}

// --- re-arranging elements ---

// An argument nobody else holds (a temporary, or a variable's value handed
// to the call) becomes the result under the shape r x c when the element
// count allows, keeping its block.
bool relabel_into(Value& result, Value& x, int r, int c) {
    if (!value::relabel_owned(x, r, c)) return false;
    value::release(result);
    result = x;
    x = value::make_int(0);
    return true;
}

// reshape: the result row by row from ma's elements row by row, cycling.
// A matrix argument nobody else holds (a temporary) of the result's size is
// re-labelled instead of copied.
void fn_reshape(Value* result, Value* args, int) {
    const MatrixArg a = matrix_arg(args, 0);
    const int r = dimension_arg(args, 1), c = dimension_arg(args, 2);
    if (relabel_into(*result, args[0], r, c)) return;
    if (a.empty()) return void(new_matrix_zero(*result, r, c));
    double** m = new_matrix(*result, r, c);
    if (!m) return;
    const long long n = static_cast<long long>(r) * c, have = a.count();
    if (have >= n) {
        // One large copy, split between two threads.
        const double* from = a.data();
        double* to = m[0];
        num::split_in_two(static_cast<std::size_t>(n), std::size_t{1} << 18, [&](std::size_t lo, std::size_t hi) {
            std::memcpy(to + lo, from + lo, sizeof(double) * (hi - lo));
        });
        return;
    }
    for (long long k = 0; k < n; k += have) std::memcpy(m[0] + k, a.data(), sizeof(double) * std::min(have, n - k));
}

// shape: the result column by column from ma's elements column by column,
// zero-padded. Element k of the vec order is ma[k % r][k / r].
void fn_shape(Value* result, Value* args, int) {
    const MatrixArg a = matrix_arg(args, 0);
    const int r = dimension_arg(args, 1), c = dimension_arg(args, 2);
    double** m = new_matrix(*result, r, c);
    if (!m) return;
    const long long have = a.count();
    for (int j = 0; j < c; ++j)
        for (int i = 0; i < r; ++i) {
            const long long k = static_cast<long long>(j) * r + i;
            m[i][j] = k < have ? a.m[k % a.r][k / a.r] : 0.0;
        }
}

// vec: the transpose of the block, written in strips of rows so that the
// cache lines read from a strip serve the following columns too.
void fn_vec(Value* result, Value* args, int) {
    constexpr int k_strip = 16;
    const Value& x = args[0];
    // A row or column nobody else holds is already in vec order.
    if (value::type_of(x) == value::T_Matrix && (x.u.mat.r == 1 || x.u.mat.c == 1) &&
        relabel_into(*result, args[0], x.u.mat.r * x.u.mat.c, 1))
        return;
    const MatrixArg a = matrix_arg(args, 0);
    double** m = new_matrix(*result, a.count(), 1);
    if (!m) return;
    double* out = m[0];
    for (int i0 = 0; i0 < a.r; i0 += k_strip) {
        const int i1 = std::min(a.r, i0 + k_strip);
        for (int j = 0; j < a.c; ++j) {
            double* column = out + static_cast<std::ptrdiff_t>(j) * a.r;
            for (int i = i0; i < i1; ++i) column[i] = a.m[i][j];
        }
    }
}

void fn_vecr(Value* result, Value* args, int) {
    const Value& x = args[0];
    if (value::type_of(x) == value::T_Matrix &&
        relabel_into(*result, args[0], static_cast<int>(static_cast<long long>(x.u.mat.r) * x.u.mat.c), 1))
        return;
    const MatrixArg a = matrix_arg(args, 0);
    double** m = new_matrix(*result, a.count(), 1);
    if (m) std::memcpy(m[0], a.data(), sizeof(double) * a.count());
}

// vech: the lower triangle, diagonal included, column after column.
void fn_vech(Value* result, Value* args, int) {
    check_square_matrix(args, 0, 0);
    const MatrixArg a = matrix_arg(args, 0);
    const int n = a.r;
    double** m = new_matrix(*result, static_cast<long long>(n) * (n + 1) / 2, 1);
    for (int j = 0, k = 0; m && j < n; ++j)
        for (int i = j; i < n; ++i) m[k++][0] = a.m[i][j];
}

// unvech: the inverse of vech, mirrored into a symmetric matrix.
void fn_unvech(Value* result, Value* args, int) {
    const std::vector<double> x = elements_arg(args, 0);
    const long long count = static_cast<long long>(x.size());
    const int n = static_cast<int>(std::lround((std::sqrt(8.0 * count + 1) - 1) / 2));
    if (static_cast<long long>(n) * (n + 1) / 2 != count) arg_error(0);
    double** m = new_matrix(*result, n, n);
    std::size_t k = 0;
    for (int j = 0; j < n; ++j)
        for (int i = j; i < n; ++i) m[i][j] = m[j][i] = x[k++];
}

void reverse_string_or_array(Value& result, const Value& a) {
    if (value::type_of(a) == value::T_String) {
        value::set_string(result, a.u.str.s, a.u.str.len);
        std::reverse(result.u.str.s, result.u.str.s + result.u.str.len);
        return;
    }
    Value out = value::make_int(0);
    value::set_array(out, a.u.arr.n);
    for (int i = 0; i < a.u.arr.n; ++i) value::duplicate(out.u.arr.v[i], a.u.arr.v[a.u.arr.n - 1 - i]);
    value::release(result);
    result = out;  // result takes ownership of the new array
}

bool is_string_or_array(const Value& a) {
    const uint32_t t = value::type_of(a);
    return !value::is_null(a) && (t == value::T_String || t == value::T_Array);
}

void fn_reversec(Value* result, Value* args, int) {
    if (is_string_or_array(args[0])) return reverse_string_or_array(*result, args[0]);
    const MatrixArg a = matrix_arg(args, 0);
    double** m = new_matrix(*result, a.r, a.c);
    for (int i = 0; m && i < a.r; ++i) std::memcpy(m[i], a.m[a.r - 1 - i], sizeof(double) * a.c);
}

void fn_reverser(Value* result, Value* args, int) {
    if (is_string_or_array(args[0])) return reverse_string_or_array(*result, args[0]);
    const MatrixArg a = matrix_arg(args, 0);
    double** m = new_matrix(*result, a.r, a.c);
    for (int i = 0; m && i < a.r; ++i) std::reverse_copy(a.m[i], a.m[i] + a.c, m[i]);
}

// Index k of n picks spread evenly over 0 .. have - 1, first and last kept.
int thin_index(int k, int n, int have) {
    return n == 1 ? 0 : static_cast<int>(static_cast<long long>(k) * (have - 1) / (n - 1));
}

void fn_thinc(Value* result, Value* args, int) {
    const MatrixArg a = matrix_arg(args, 0);
    const int n = std::min(int_arg(args, 1), a.c);
    double** m = new_matrix(*result, a.r, std::max(n, 0));
    for (int i = 0; m && i < a.r; ++i)
        for (int k = 0; k < n; ++k) m[i][k] = a.m[i][thin_index(k, n, a.c)];
}

void fn_thinr(Value* result, Value* args, int) {
    const MatrixArg a = matrix_arg(args, 0);
    const int n = std::min(int_arg(args, 1), a.r);
    double** m = new_matrix(*result, std::max(n, 0), a.c);
    for (int k = 0; m && k < n; ++k) std::memcpy(m[k], a.m[thin_index(k, n, a.r)], sizeof(double) * a.c);
}

// --- diagonals and triangles ---

void fn_diag(Value* result, Value* args, int) {
    const std::vector<double> x = elements_arg(args, 0);
    const int n = static_cast<int>(x.size());
    double** m = new_matrix_zero(*result, n, n);
    for (int i = 0; i < n; ++i) m[i][i] = x[i];
}

// diagonal(ma): the 1 x min(r, c) diagonal. diagonal(ma, iupper [, ilower]):
// the band form, row k holding ma[j + k - iupper][j] in column j.
void fn_diagonal(Value* result, Value* args, int count) {
    check_most(count, 3);
    const MatrixArg a = matrix_arg(args, 0);
    if (count == 1) {
        const int n = std::min(a.r, a.c);
        double** m = new_matrix(*result, 1, n);
        for (int i = 0; i < n; ++i) m[0][i] = a.m[i][i];
        return;
    }
    const int up = int_arg(args, 1);
    if (up < 0) arg_error(1);
    const int low = count > 2 ? int_arg(args, 2) : 0;
    if (low < 0) arg_error(2);
    double** m = new_matrix(*result, static_cast<long long>(up) + 1 + low, a.c);
    for (int k = 0; m && k <= up + low; ++k)
        for (int j = 0; j < a.c; ++j) {
            const long long i = static_cast<long long>(j) + k - up;
            m[k][j] = i >= 0 && i < a.r ? a.m[i][j] : 0.0;
        }
}

void fn_diagcat(Value* result, Value* args, int count) {
    std::vector<MatrixArg> parts;
    long long r = 0, c = 0;
    for (int k = 0; k < count; ++k) {
        const MatrixArg a = matrix_arg(args, k);
        if (a.empty()) continue;  // adds neither rows nor columns
        parts.push_back(a);
        r += a.r;
        c += a.c;
    }
    if (r > INT32_MAX || c > INT32_MAX) runtime::raise_run_error(runtime::E_OutOfMemory);
    double** m = new_matrix_zero(*result, static_cast<int>(r), static_cast<int>(c));
    int i0 = 0, j0 = 0;
    for (const MatrixArg& a : parts) {
        for (int i = 0; i < a.r; ++i) std::memcpy(m[i0 + i] + j0, a.m[i], sizeof(double) * a.c);
        i0 += a.r;
        j0 += a.c;
    }
}

// The new diagonal of an r x c matrix from args[k]: a scalar for all of its
// min(r, c) elements, a vector of that many elements, or the diagonal of an
// r x c matrix; anything else is an error in that argument.
std::vector<double> diagonal_values(Value* args, int k, int r, int c) {
    const int n = std::min(r, c);
    const MatrixArg d = matrix_arg(args, k);
    if (d.r == 1 && d.c == 1) return std::vector<double>(n, d.m[0][0]);
    std::vector<double> x(n);
    if (d.r == r && d.c == c) {
        for (int i = 0; i < n; ++i) x[i] = d.m[i][i];
    } else if ((d.r == 1 || d.c == 1) && d.count() == n) {
        std::copy_n(d.data(), n, x.begin());
    } else {
        arg_error(k);
    }
    return x;
}

void copy_of(Value& result, const MatrixArg& a) {
    double** m = new_matrix(result, a.r, a.c);
    if (m) std::memcpy(m[0], a.data(), sizeof(double) * a.count());
}

void set_diagonal(double** m, const std::vector<double>& x) {
    for (std::size_t i = 0; i < x.size(); ++i) m[i][i] = x[i];
}

void fn_setdiagonal(Value* result, Value* args, int) {
    const MatrixArg a = matrix_arg(args, 0);
    const std::vector<double> x = diagonal_values(args, 1, a.r, a.c);
    copy_of(*result, a);
    if (!a.empty()) set_diagonal(result->u.mat.m, x);
}

enum class Triangle { Lower, Upper };  // strictly below or above the diagonal

bool in_triangle(Triangle t, int i, int j) { return t == Triangle::Lower ? j < i : j > i; }

// Copy of ma with its strict triangle t taken from `fill` (a scalar, or an
// r x c matrix for the same part) and, when given, the diagonal from `diag`.
void set_triangle(Value& result, Value* args, int count, Triangle t) {
    check_most(count, 3);
    const MatrixArg a = matrix_arg(args, 0);
    const MatrixArg f = matrix_arg(args, 1);
    const bool scalar = f.r == 1 && f.c == 1;
    if (!scalar && (f.r != a.r || f.c != a.c)) arg_error(1);
    std::vector<double> d;
    if (count > 2) d = diagonal_values(args, 2, a.r, a.c);
    copy_of(result, a);
    if (a.empty()) return;
    double** m = result.u.mat.m;
    for (int i = 0; i < a.r; ++i)
        for (int j = 0; j < a.c; ++j)
            if (in_triangle(t, i, j)) m[i][j] = scalar ? f.m[0][0] : f.m[i][j];
    if (count > 2) set_diagonal(m, d);
}

void fn_setlower(Value* result, Value* args, int count) { set_triangle(*result, args, count, Triangle::Lower); }
void fn_setupper(Value* result, Value* args, int count) { set_triangle(*result, args, count, Triangle::Upper); }

// lower keeps the diagonal and what is below it (clears the strict upper part).
void keep_triangle(Value& result, Value* args, Triangle cleared) {
    const MatrixArg a = matrix_arg(args, 0);
    copy_of(result, a);
    for (int i = 0; i < a.r && a.c > 0; ++i)
        for (int j = 0; j < a.c; ++j)
            if (in_triangle(cleared, i, j)) result.u.mat.m[i][j] = 0;
}

void fn_lower(Value* result, Value* args, int) { keep_triangle(*result, args, Triangle::Upper); }
void fn_upper(Value* result, Value* args, int) { keep_triangle(*result, args, Triangle::Lower); }

// toeplitz(ma [, im [, mb]]): [i][j] = a[|i - j|], or with mb a[i - j] below
// and on the diagonal, b[j - i] above; elements past the vectors count 0.
void fn_toeplitz(Value* result, Value* args, int count) {
    check_most(count, 3);
    const std::vector<double> a = elements_arg(args, 0);
    const int n = count > 1 ? int_arg(args, 1) : static_cast<int>(a.size());
    const std::vector<double> b = count > 2 ? elements_arg(args, 2) : a;
    auto at = [](const std::vector<double>& v, int k) { return k < static_cast<int>(v.size()) ? v[k] : 0.0; };
    double** m = new_matrix(*result, n, n);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) m[i][j] = i >= j ? at(a, i - j) : at(b, j - i);
}

// --- products and sums over the shape ---

void fn_trace(Value* result, Value* args, int) {
    check_square_matrix(args, 0, 0);
    const MatrixArg a = matrix_arg(args, 0);
    double s = 0;
    for (int i = 0; i < a.r; ++i) s += a.m[i][i];
    value::set_double(*result, s);
}

// True when imode asks for the diagonal only: the character code of 'd' or
// the string "d".
bool diagonal_mode(Value* args, int count) {
    if (count < 3) return false;
    const Value& v = args[2];
    if (value::type_of(v) == value::T_String && !value::is_null(v))
        return v.u.str.len == 1 && v.u.str.s[0] == 'd';
    return int_arg(args, 2) == 'd';
}

// outer(mx, ms [, imode]): X S X' (S = I for an empty ms or int 0); with
// imode 'd' the m x 1 column of x_i' S x_i.
void fn_outer(Value* result, Value* args, int count) {
    check_most(count, 3);
    const MatrixArg x = matrix_arg(args, 0);
    const int m = x.r, n = x.c;
    const Value& s_arg = args[1];
    const bool identity = (value::type_of(s_arg) == value::T_Int && !value::is_null(s_arg) && s_arg.u.ival == 0) ||
                          (value::type_of(s_arg) == value::T_Matrix && s_arg.u.mat.r * s_arg.u.mat.c == 0);
    MatrixArg s;
    if (!identity) {
        s = matrix_arg(args, 1);
        if (s.r != n || s.c != n) arg_size_error(1, args[1], n, n);
    }
    const bool diagonal = diagonal_mode(args, count);
    // t = X S, row by row (t is X itself when S = I).
    std::vector<double> t_store;
    std::vector<const double*> t(m);
    for (int i = 0; i < m; ++i) t[i] = x.m[i];
    if (!identity && m > 0 && n > 0) {
        t_store.assign(static_cast<std::size_t>(m) * n, 0.0);
        for (int i = 0; i < m; ++i) {
            double* ti = t_store.data() + static_cast<std::size_t>(i) * n;
            for (int j = 0; j < n; ++j) {
                const double xij = x.m[i][j];
                for (int k = 0; k < n; ++k) ti[k] += xij * s.m[j][k];
            }
            t[i] = ti;
        }
    }
    auto dot = [n](const double* p, const double* q) {
        double sum = 0;
        for (int k = 0; k < n; ++k) sum += p[k] * q[k];
        return sum;
    };
    if (diagonal) {
        double** out = new_matrix(*result, m, 1);
        for (int i = 0; i < m; ++i) out[i][0] = n > 0 ? dot(t[i], x.m[i]) : 0.0;
        return;
    }
    double** out = new_matrix(*result, m, m);
    for (int i = 0; i < m; ++i)
        for (int l = 0; l < m; ++l) out[i][l] = n > 0 ? dot(t[i], x.m[l]) : 0.0;
}

// aggregatec: column sums over blocks of `step` rows; aggregater over blocks
// of `step` columns. A short last block is summed as it is.
void fn_aggregatec(Value* result, Value* args, int) {
    const MatrixArg a = matrix_arg(args, 0);
    const int step = int_arg(args, 1);
    if (step < 1) arg_error(1);
    const int n = a.r / step + (a.r % step != 0);
    double** m = new_matrix_zero(*result, n, a.c);
    for (int i = 0; m && i < a.r; ++i) {
        double* out = m[i / step];
        const double* row = a.m[i];
        for (int j = 0; j < a.c; ++j) out[j] += row[j];
    }
}

void fn_aggregater(Value* result, Value* args, int) {
    const MatrixArg a = matrix_arg(args, 0);
    const int step = int_arg(args, 1);
    if (step < 1) arg_error(1);
    const int n = a.c / step + (a.c % step != 0);
    double** m = new_matrix_zero(*result, a.r, n);
    for (int i = 0; m && i < a.r; ++i)
        for (int j = 0; j < a.c; ++j) m[i][j / step] += a.m[i][j];
}

// discretize(ma, dmin, dmax, im, itype): counts (itype 0, nearest grid point)
// or linear-binning weights (itype 1) of each row's observations on im grid
// points from dmin to dmax. With dmin >= dmax each row uses its own range;
// a row whose values are all equal puts them all on the first grid point.
void fn_discretize(Value* result, Value* args, int) {
    const MatrixArg a = matrix_arg(args, 0);
    const double lo_arg = double_arg(args, 1), hi_arg = double_arg(args, 2);
    const int im = int_arg(args, 3);
    if (im < 2) arg_error(3);
    const int type = int_arg(args, 4);
    if (type != 0 && type != 1) arg_error(4);
    // A column is one row of observations.
    const bool column = a.c == 1 && a.r > 1;
    const int rows = column ? 1 : a.r, obs = column ? a.r : a.c;
    auto x_at = [&](int i, int t) { return column ? a.m[t][0] : a.m[i][t]; };
    double** m = new_matrix_zero(*result, rows, im);
    for (int i = 0; i < rows; ++i) {
        double lo = lo_arg, hi = hi_arg;
        if (!(lo < hi)) {
            lo = std::numeric_limits<double>::infinity();
            hi = -lo;
            for (int t = 0; t < obs; ++t) {
                const double x = x_at(i, t);
                if (std::isnan(x)) continue;
                lo = std::min(lo, x);
                hi = std::max(hi, x);
            }
        }
        const double delta = (hi - lo) / (im - 1);
        for (int t = 0; t < obs; ++t) {
            const double x = x_at(i, t);
            if (!(x >= lo && x <= hi)) continue;  // outside, or NaN
            if (!(delta > 0)) {
                m[i][0] += 1;
                continue;
            }
            const double u = (x - lo) / delta;
            if (type == 0) {
                m[i][std::min(im - 1, static_cast<int>(std::lround(u)))] += 1;
                continue;
            }
            const int j = std::min(im - 1, static_cast<int>(u));
            const double w = u - j;
            m[i][j] += 1 - w;
            if (j + 1 < im) m[i][j + 1] += w;
        }
    }
}

const DescriptorRow k_shape_rows[] = {
    {"cc$aggregatec", fn_aggregatec},
    {"cc$aggregater", fn_aggregater},
    {"c$columns", fn_columns},
    {"cc$constant", fn_constant, 1},
    {"c$diag", fn_diag},
    {"cc$diagcat", fn_diagcat, 1},
    {"c$diagonal", fn_diagonal, 1},
    {"ccccc$discretize", fn_discretize},
    {"c$lower", fn_lower},
    {"c$nans", fn_nans, 1},
    {"c$ones", fn_ones, 1},
    {"cc$outer", fn_outer, 1},
    {"cc$range", fn_range, 1},
    {"ccc$reshape", fn_reshape},
    {"c$reversec", fn_reversec},
    {"c$reverser", fn_reverser},
    {"c$rows", fn_rows},
    {"cc$setdiagonal", fn_setdiagonal},
    {"cc$setlower", fn_setlower, 1},
    {"cc$setupper", fn_setupper, 1},
    {"ccc$shape", fn_shape},
    {"c$sizec", fn_sizec},
    {"c$sizeof", fn_sizerc},
    {"c$sizer", fn_sizer},
    {"c$sizerc", fn_sizerc},
    {"cc$thinc", fn_thinc},
    {"cc$thinr", fn_thinr},
    {"c$toeplitz", fn_toeplitz, 1},
    {"c$trace", fn_trace},
    {"c$unit", fn_unit, 1},
    {"c$unvech", fn_unvech},
    {"c$upper", fn_upper},
    {"c$vec", fn_vec},
    {"c$vech", fn_vech},
    {"c$vecr", fn_vecr},
    {"c$zeros", fn_zeros, 1},
};

const DescriptorRow k_shape_gauss_rows[] = {
    {"cc$gauss::diagrv", fn_setdiagonal}, {"c$gauss::eye", fn_unit},         {"c$gauss::lowmat", fn_lower},
    {"cc$gauss::ones", fn_ones},          {"c$gauss::rev", fn_reversec},     {"c$gauss::toeplitz", fn_toeplitz},
    {"c$gauss::upmat", fn_upper},         {"c$gauss::zeros", fn_zeros, 1},
};

}  // namespace

std::span<const DescriptorRow> shape_rows() { return k_shape_rows; }
std::span<const DescriptorRow> shape_gauss_rows() { return k_shape_gauss_rows; }

}  // namespace kj::lib
