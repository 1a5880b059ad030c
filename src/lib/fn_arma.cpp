// ARMA built-ins: residuals, generation, forecasts, autocovariances,
// fractional differencing, partial autocorrelations and the dynamic forecasts
// of a linear system. Each works on a copy of its first matrix argument.
#include <algorithm>
#include <cmath>
#include <vector>

#include "lib/arg_checks.h"
#include "lib/library_rows.h"
#include "lib/args.h"
#include "num/timeseries/arma.h"
#include "num/timeseries/autocorrelation.h"
#include "value/value.h"
#include "runtime/run_error.h"

namespace kj::lib {

namespace {
using value::Value;

// The model orders and the first row of vP (p + q coefficients at least).
struct Model {
    int p = 0, q = 0;
    const double* phi = nullptr;
    const double* theta = nullptr;
};

Model model_args(Value* a, int ivp, int ip) {
    Model m;
    m.p = int_arg(a, ip);
    m.q = int_arg(a, ip + 1);
    if (m.p < 0) arg_error(ip);
    if (m.q < 0) arg_error(ip + 1);
    Value& vp = matrix_value_arg(a, ivp);
    if (m.p + m.q > 0 && (vp.u.mat.r < 1 || vp.u.mat.c < m.p + m.q)) arg_error(ivp);
    if (m.p + m.q > 0) m.phi = vp.u.mat.m[0], m.theta = vp.u.mat.m[0] + m.p;
    return m;
}

// result := a copy of matrix argument i; returns its block.
double** copy_of(Value* r, Value* a, int i) {
    Value& x = matrix_value_arg(a, i);
    value::set_matrix_copy(*r, x.u.mat.m, x.u.mat.r, x.u.mat.c);
    return r->u.mat.m;
}

void fn_arma0(Value* r, Value* a, int) {
    matrix_value_arg(a, 0);
    const Model m = model_args(a, 1, 2);
    double** x = copy_of(r, a, 0);
    if (m.p + m.q > 0) num::arma_residuals(x, r->u.mat.r, r->u.mat.c, m.phi, m.p, m.theta, m.q);
}

void fn_armagen(Value* r, Value* a, int) {
    Value& x = matrix_value_arg(a, 0);
    Value& e = matrix_value_arg(a, 1);
    if (e.u.mat.r != x.u.mat.r || e.u.mat.c != x.u.mat.c) arg_size_error(1, e, x.u.mat.r, x.u.mat.c);
    const Model m = model_args(a, 2, 3);
    double** y = copy_of(r, a, 0);
    if (m.p + m.q > 0) num::arma_generate(y, e.u.mat.m, r->u.mat.r, r->u.mat.c, m.phi, m.p, m.theta, m.q);
}

void fn_armaforc(Value* r, Value* a, int count) {
    const Value& x = matrix_value_arg(a, 0);
    const int H = x.u.mat.r, n = x.u.mat.c;
    const Model m = model_args(a, 1, 2);
    // An empty matrix (or int 0) stands for a pre-sample block not given.
    auto presample = [&](int i, int need, int* rows) -> double** {
        *rows = 0;
        if (count <= i) return nullptr;
        Value& v = matrix_value_arg(a, i);
        if (v.u.mat.r == 0 || v.u.mat.c == 0) return nullptr;
        if (v.u.mat.r < need || v.u.mat.c != n) arg_size_error(i, v, std::max(need, 1), n);
        *rows = v.u.mat.r;
        return v.u.mat.m;
    };
    int ry = 0, re = 0;
    double** y = presample(4, m.p, &ry);
    double** e = presample(5, m.q, &re);
    double** f = copy_of(r, a, 0);
    if (m.p + m.q > 0) num::arma_forecast(f, H, n, m.phi, m.p, m.theta, m.q, y, ry, e, re);
}

void fn_armavar(Value* r, Value* a, int) {
    const Model m = model_args(a, 0, 1);
    const double s2 = double_arg(a, 3);
    const int T = int_arg(a, 4);
    if (T < 1) arg_error(4);
    if (m.p + m.q == 0) {
        value::set_matrix_zero(*r, 1, T);
        return;
    }
    std::vector<double> g(static_cast<std::size_t>(T));
    if (!num::arma_autocovariance(m.phi, m.p, m.theta, m.q, s2, T, g.data())) {
        value::set_int(*r, 0);
        return;
    }
    value::set_matrix(*r, 1, T);
    std::copy(g.begin(), g.end(), r->u.mat.m[0]);
}

void fn_diffpow(Value* r, Value* a, int) {
    matrix_value_arg(a, 0);
    const double d = double_arg(a, 1);
    if (!(std::fabs(d) <= 10000)) {
        value::set_int(*r, 0);
        return;
    }
    double** x = copy_of(r, a, 0);
    num::fractional_difference(x, r->u.mat.r, r->u.mat.c, d);
}

// The elements of a 1 x n row argument as ints, each in [lo, hi).
std::vector<int> index_row(Value* a, int i, int n, int lo, int hi) {
    Value& v = matrix_value_arg(a, i);
    if (v.u.mat.r != 1 || v.u.mat.c != n) arg_size_error(i, v, 1, n);
    std::vector<int> out(static_cast<std::size_t>(n));
    for (int k = 0; k < n; ++k) {
        const double x = v.u.mat.m[0][k];
        if (!(x >= lo && x < hi) || x != std::floor(x)) arg_error(i);
        out[k] = static_cast<int>(x);
    }
    return out;
}

void fn_modelforc(Value* r, Value* a, int) {
    Value& data = matrix_value_arg(a, 0);
    Value& pi = matrix_value_arg(a, 1);
    const int T = data.u.mat.r, k = data.u.mat.c;
    const int n = pi.u.mat.r, m = pi.u.mat.c;
    const std::vector<int> endo = index_row(a, 2, n, 0, k);
    const std::vector<int> rhs = index_row(a, 3, m, 0, k);
    const std::vector<int> lag = index_row(a, 4, m, 0, T + 1);
    for (int i = 0; i < m; ++i)
        if (lag[i] == 0 && std::find(endo.begin(), endo.end(), rhs[i]) != endo.end()) arg_error(4);
    Value& u = matrix_value_arg(a, 5);
    const bool shocks = u.u.mat.r > 0 && u.u.mat.c > 0;
    if (shocks && (u.u.mat.r != T || u.u.mat.c != n)) arg_size_error(5, u, T, n);
    const int t1 = int_arg(a, 6);
    const int max_lag = m > 0 ? *std::max_element(lag.begin(), lag.end()) : 0;
    if (t1 < max_lag || t1 > T) arg_error(6);
    Value work = value::make_int(0);
    value::set_matrix_copy(work, data.u.mat.m, T, k);
    num::model_forecast(work.u.mat.m, T, pi.u.mat.m, endo.data(), n, rhs.data(), lag.data(), m,
                        shocks ? u.u.mat.m : nullptr, t1);
    value::set_matrix(*r, T - t1, n);
    for (int t = t1; t < T; ++t)
        for (int j = 0; j < n; ++j) r->u.mat.m[t - t1][j] = work.u.mat.m[t][endo[j]];
    value::release(work);
}

void fn_pacf(Value* r, Value* a, int count) {
    if (count > 3) arg_error(3);
    Value& acf = matrix_value_arg(a, 0);
    const int T = acf.u.mat.r;
    if (T < 1 || acf.u.mat.c < 1) {
        value::set_int(*r, 0);
        return;
    }
    std::vector<double> r0(static_cast<std::size_t>(T));
    for (int t = 0; t < T; ++t) r0[t] = acf.u.mat.m[t][0];
    const bool reference = count > 1 && is_reference(a[1]);
    const int imat = reference ? (count > 2 ? 2 : -1) : (count > 1 ? 1 : -1);
    Value* mx = nullptr;
    if (imat >= 0) {
        mx = &matrix_value_arg(a, imat);
        if (mx->u.mat.r != T) arg_size_error(imat, *mx, T, mx->u.mat.c);
    }
    const int c = mx ? mx->u.mat.c : 0;
    const bool with_pacf = imat < 0 || reference;
    const int offset = with_pacf ? 1 : 0;
    Value out = value::make_int(0);
    value::set_matrix(out, T, offset + c);
    std::vector<double> pacf(static_cast<std::size_t>(T));
    for (int t = 0; t < T; ++t)
        for (int j = 0; j < c; ++j) out.u.mat.m[t][offset + j] = mx->u.mat.m[t][j];
    // Row pointers of the columns after the partial autocorrelations.
    std::vector<double*> rows(static_cast<std::size_t>(T));
    for (int t = 0; t < T; ++t) rows[t] = out.u.mat.m[t] + offset;
    double logdet = 0;
    const bool ok = num::partial_acf_solve(r0.data(), T, pacf.data(), c > 0 ? rows.data() : nullptr, c,
                                           reference ? &logdet : nullptr);
    if (reference) {
        Value d = value::make_double(ok ? logdet : 0);
        value::assign(*a[1].u.arr.v, d);
        value::release(d);
    }
    if (!ok) {
        value::release(out);
        value::set_int(*r, 0);
        return;
    }
    if (with_pacf)
        for (int t = 0; t < T; ++t) out.u.mat.m[t][0] = pacf[t];
    value::release(*r);
    *r = out;
}

const DescriptorRow k_rows[] = {
    {"cccc$arma0", fn_arma0},    {"cccc$armaforc", fn_armaforc, 1}, {"ccccc$armagen", fn_armagen},
    {"ccccc$armavar", fn_armavar}, {"cc$diffpow", fn_diffpow},       {"ccccccc$modelforc", fn_modelforc},
    {"c$pacf", fn_pacf, 1},
};

}  // namespace

std::span<const DescriptorRow> arma_rows() { return k_rows; }

}  // namespace kj::lib
