// Time-series built-ins: autocorrelations, spectral estimates, Fourier
// transforms and turning points.
#include <algorithm>
#include <bit>
#include <cmath>
#include <vector>

#include "lib/arg_checks.h"
#include "lib/library_rows.h"
#include "lib/args.h"
#include "num/timeseries/autocorrelation.h"
#include "num/timeseries/fourier.h"
#include "num/timeseries/smoothing_spline.h"
#include "num/timeseries/density_estimate.h"
#include "value/value.h"
#include "runtime/run_error.h"

namespace kj::lib {

namespace {
using value::Value;

void fn_acf(Value* r, Value* a, int) {
    Value& x = matrix_value_arg(a, 0);
    const int lags = int_arg(a, 1);
    if (lags < 0) arg_error(1);
    const int T = x.u.mat.r, n = x.u.mat.c;
    if (lags >= T) {
        value::set_int(*r, 0);
        return;
    }
    value::set_matrix(*r, lags + 1, n);
    num::acf_columns(r->u.mat.m, x.u.mat.m, T, n, lags);
}

void fn_periodogram(Value* r, Value* a, int count) {
    Value& x = matrix_value_arg(a, 0);
    const int T = x.u.mat.r, n = x.u.mat.c;
    const int trunc = optional_int_arg(a, count, 1, T - 1);
    const int points = optional_int_arg(a, count, 2, 0);
    const int mode = optional_int_arg(a, count, 3, 0);
    if (mode < 0 || mode > 3) arg_error(3);
    if (T < 2) {
        value::set_int(*r, 0);
        return;
    }
    const int N = num::density_points(T, points);
    value::set_matrix(*r, N, n);
    std::vector<double> col(static_cast<std::size_t>(T)), out(static_cast<std::size_t>(N));
    for (int j = 0; j < n; ++j) {
        for (int t = 0; t < T; ++t) col[t] = x.u.mat.m[t][j];
        if (!num::density_estimate(col.data(), T, trunc, points, out.data(), mode))
            for (double& v : out) v = NAN;
        for (int k = 0; k < N; ++k) r->u.mat.m[k][j] = out[k];
    }
}

// The shared front of fft, fft1d and dfft: a 1 x n real or 2 x n complex row
// and the transform type (0 forward, 1 inverse, 2 inverse real part).
struct FourierArgs {
    double* rows[2] = {nullptr, nullptr};
    int n = 0;
    bool complex = false;
    int type = 0;
};

FourierArgs fourier_args(Value* a, int count) {
    Value& z = matrix_value_arg(a, 0);
    if (z.u.mat.r > 2) arg_error(0);
    FourierArgs f;
    f.type = optional_int_arg(a, count, 1, 0);
    if (f.type < 0 || f.type > 2) arg_error(1);
    f.n = z.u.mat.r > 0 ? z.u.mat.c : 0;
    f.complex = z.u.mat.r == 2;
    if (f.n > 0) f.rows[0] = z.u.mat.m[0], f.rows[1] = f.complex ? z.u.mat.m[1] : nullptr;
    return f;
}

// Keeps only the real row of a 2 x n result for type 2.
void finish_fourier(Value* r, int type, int n) {
    if (type != 2 || n == 0) return;
    Value out = value::make_int(0);
    value::set_matrix(out, 1, n);
    for (int k = 0; k < n; ++k) out.u.mat.m[0][k] = r->u.mat.m[0][k];
    value::release(*r);
    *r = out;
}

template <int (*Transform)(double**, double**, int, int, int)>
void any_length_transform(Value* r, Value* a, int count) {
    const FourierArgs f = fourier_args(a, count);
    if (f.n == 0) {
        value::set_matrix(*r, 0, 0);
        return;
    }
    value::set_matrix(*r, 2, f.n);
    double* in[2] = {f.rows[0], f.rows[1]};
    if (!Transform(r->u.mat.m, in, f.n, f.type == 0 ? 1 : 0, f.complex ? 1 : 0))
        runtime::raise_run_error(runtime::E_OutOfMemory);
    finish_fourier(r, f.type, f.n);
}

// Padded with zeros to the next power of two; an unpadded input is read in
// place, the result written straight into the returned matrix.
void fn_fft(Value* r, Value* a, int count) {
    const FourierArgs f = fourier_args(a, count);
    if (f.n == 0) {
        value::set_matrix(*r, 0, 0);
        return;
    }
    const unsigned m = std::bit_ceil(static_cast<unsigned>(f.n));
    if (m > (1u << 30)) arg_error(0);
    const int n = static_cast<int>(m);
    std::vector<double> padded;
    double* in[2] = {f.rows[0], f.rows[1]};
    if (n != f.n) {
        padded.assign(static_cast<std::size_t>(2 * n), 0.0);
        std::copy(f.rows[0], f.rows[0] + f.n, padded.begin());
        if (f.complex) std::copy(f.rows[1], f.rows[1] + f.n, padded.begin() + n);
        in[0] = padded.data(), in[1] = padded.data() + n;
    }
    value::set_matrix(*r, 2, n);
    if (!num::fft1d(r->u.mat.m, in, n, f.type == 0 ? 1 : 0, f.complex ? 1 : 0))
        runtime::raise_run_error(runtime::E_OutOfMemory);
    finish_fourier(r, f.type, n);
}

void fn_peak(Value* r, Value* a, int) {
    Value& x = matrix_value_arg(a, 0);
    const int T = x.u.mat.r, n = x.u.mat.c;
    value::set_matrix_zero(*r, T, n);
    double** m = x.u.mat.m;
    for (int t = 1; t + 1 < T; ++t)
        for (int j = 0; j < n; ++j) {
            const double v = m[t][j], up = m[t - 1][j], down = m[t + 1][j];
            r->u.mat.m[t][j] = v > up && v > down ? 1 : (v < up && v < down ? -1 : 0);
        }
}

void fn_spline(Value* r, Value* a, int count) {
    if (count > 4) arg_error(4);
    Value& y = matrix_value_arg(a, 0);
    const int T = y.u.mat.r, n = y.u.mat.c;
    Value& xv = matrix_value_arg(a, 1);
    const bool default_x = xv.u.mat.r == 0 || xv.u.mat.c == 0 ||
                           (xv.u.mat.r == 1 && xv.u.mat.c == 1 && T != 1 && xv.u.mat.m[0][0] == 0);
    if (!default_x && (xv.u.mat.r != T || xv.u.mat.c != 1)) arg_size_error(1, xv, T, 1);
    check_type(value::T_Double, a, 2, 2);
    const double alpha = a[2].u.dval;
    std::vector<double> x(static_cast<std::size_t>(T)), col(x.size()), fitted(x.size());
    for (int t = 0; t < T; ++t) x[t] = default_x ? t : xv.u.mat.m[t][0];
    Value criteria = value::make_int(0);
    value::set_matrix(criteria, 2, n);
    value::set_matrix(*r, T, n);
    for (int j = 0; j < n; ++j) {
        for (int t = 0; t < T; ++t) col[t] = y.u.mat.m[t][j];
        const num::SplineFit f = num::smoothing_spline(x.data(), col.data(), T, alpha, fitted.data());
        for (int t = 0; t < T; ++t) r->u.mat.m[t][j] = fitted[t];
        criteria.u.mat.m[0][j] = f.ok ? f.alpha : NAN;
        criteria.u.mat.m[1][j] = f.ok ? f.trace : NAN;
    }
    if (count > 3 && is_reference(a[3]))
        value::assign(*a[3].u.arr.v, criteria);
    value::release(criteria);
}

const DescriptorRow k_rows[] = {
    {"cc$acf", fn_acf},
    {"c$dfft", any_length_transform<num::fft_discrete>, 1},
    {"c$fft", fn_fft, 1},
    {"c$fft1d", any_length_transform<num::fft1d>, 1},
    {"c$peak", fn_peak},
    {"c$periodogram", fn_periodogram, 1},
    {"ccc$spline", fn_spline, 1},
};

}  // namespace

std::span<const DescriptorRow> timeseries_rows() { return k_rows; }

}  // namespace kj::lib
