// Inverses and determinants: invert, invertsym, invertgen, inverteps,
// determinant, logdet and their GAUSS aliases.
#include <cmath>
#include <limits>
#include <vector>

#include "lib/library_rows.h"
#include "lib/linalg_results.h"
#include "num/linalg_eps.h"
#include "num/linalg_ldl.h"
#include "num/linalg_lu.h"
#include "num/linalg_ols.h"
#include "num/linalg_rank.h"
#include "runtime/run_error.h"

namespace kj::lib {

namespace {
using value::Value;

constexpr double k_nan = std::numeric_limits<double>::quiet_NaN();

void fn_invert(Value* r, Value* a, int count) {
    check_most(count, 3);
    if (count == 2) arg_error(1);
    const MatrixArg m = square_arg(a, 0);
    double** x = result_copy(*r, m);
    double logdet = 0;
    int sign = 1;
    if (m.r > 0 && num::invert(x, m.r, &logdet, &sign) != 0) {
        runtime::run_warning("invert", runtime::W_Decomposition);
        value::set_int(*r, 0);
        store_double(a, count, 1, k_nan);
        store_int(a, count, 2, 0);
        return;
    }
    store_double(a, count, 1, logdet);
    store_int(a, count, 2, sign);
}

void fn_invertsym(Value* r, Value* a, int count) {
    check_most(count, 2);
    const MatrixArg m = square_arg(a, 0);
    double** x = result_copy(*r, m);
    double logdet = 0;
    if (m.r > 0 && num::invertsym(x, m.r, &logdet) != 0) {
        runtime::run_warning("invertsym", runtime::W_Decomposition);
        value::set_int(*r, 0);
        store_double(a, count, 1, k_nan);
        return;
    }
    store_double(a, count, 1, logdet);
}

void fn_inverteps(Value* r, Value* a, int) {
    const double eps = double_arg(a, 0);
    if (eps != 0) num::set_invert_eps(eps);
    value::set_double(*r, num::invert_eps());
}

// (X'X)^-1 of a tall X by its QR decomposition; the code of ols_qr.
int inverse_cross_product(const MatrixArg& m, num::WorkBlock& out) {
    num::WorkBlock xt(m.c, m.r);
    for (int i = 0; i < m.r; ++i)
        for (int j = 0; j < m.c; ++j) xt[j][i] = m.m[i][j];
    out.resize(m.c, m.c);
    return num::ols_qr(xt.rows(), m.c, m.r, nullptr, 0, nullptr, out.rows(), nullptr);
}

void fn_invertgen(Value* r, Value* a, int count) {
    check_most(count, 2);
    const int mode = count > 1 ? int_arg(a, 1) : 0;
    const bool square = (mode >= 1 && mode <= 3) || mode == 10 || mode == 20 || mode == 30;
    const MatrixArg m = square ? square_arg(a, 0) : matrix_arg(a, 0);
    if (m.empty()) {
        set_empty(*r);
        return;
    }
    num::WorkBlock x;
    bool ok = false;
    switch (mode) {
        case 0:
            x.resize(m.c, m.r);
            ok = num::generalized_inverse(m.m, m.r, m.c, x.rows()) != 0;
            break;
        case 1: case 10:
            x.resize(m.r, m.r);
            ok = num::generalized_inverse_sym(m.m, m.r, x.rows()) != 0;
            break;
        case 2: case 20:
            x = copy_of(m);
            ok = num::invert(x.rows(), m.r) == 0;
            if (!ok) {
                if (mode == 20) runtime::run_warning_message("invertgen", "invert failed, proceeding with generalized inverse");
                ok = num::generalized_inverse(m.m, m.r, m.c, x.rows()) != 0;
            }
            break;
        case 3: case 30:
            x = copy_of(m);
            ok = num::invertsym(x.rows(), m.r) == 0;
            if (!ok) {
                if (mode == 30)
                    runtime::run_warning_message("invertgen", "invertsym failed, proceeding with generalized p.s.d. inverse");
                ok = num::generalized_inverse_sym(m.m, m.r, x.rows()) != 0;
            }
            break;
        case 4: case 40: {
            if (m.r < m.c) break;
            const int code = inverse_cross_product(m, x);
            ok = code != 0;
            if (code < 0 && mode == 40) runtime::run_warning_message("invertgen", "matrix has reduced rank");
            break;
        }
        default: break;
    }
    if (!ok) {
        runtime::run_warning("invertgen", runtime::W_Decomposition);
        value::set_int(*r, 0);
        return;
    }
    set_block(*r, x);
}

// The log-determinant pair of a square argument (0 x 0: 0 and sign 1).
int logdet_of(const MatrixArg& m, double* logdet) {
    *logdet = 0;
    if (m.r == 0) return 1;
    num::WorkBlock x = copy_of(m);
    int sign = 0;
    num::lup_logdet(x.rows(), m.r, nullptr, logdet, &sign);
    return sign;
}

void fn_determinant(Value* r, Value* a, int) {
    const MatrixArg m = square_arg(a, 0);
    if (m.r <= 1) {
        value::set_double(*r, m.r == 0 ? 0.0 : m.m[0][0]);
        return;
    }
    double logdet = 0;
    const int sign = logdet_of(m, &logdet);
    double result = 0;
    if (sign == 0) {
        runtime::run_warning("determinant(): matrix is singular", runtime::W_Named);
    } else {
        if (sign == 2 || sign == -2) runtime::run_warning("determinant(): unreliable", runtime::W_Named);
        if (logdet > 709) {
            runtime::run_warning("determinant(): overflow", runtime::W_Named);
            logdet = 709;
        }
        if (logdet < -706)
            runtime::run_warning("determinant(): underflow", runtime::W_Named);
        else
            result = (sign > 0 ? 1.0 : -1.0) * std::exp(logdet);
    }
    value::set_double(*r, result);
}

void fn_logdet(Value* r, Value* a, int count) {
    const MatrixArg m = square_arg(a, 0);
    double logdet = 0;
    const int sign = logdet_of(m, &logdet);
    value::set_double(*r, sign == 0 ? -HUGE_VAL : logdet);
    store_int(a, count, 1, sign);
}

const DescriptorRow k_general[] = {
    {"c$invert", fn_invert, 1},           {"c$invertsym", fn_invertsym, 1}, {"c$inverteps", fn_inverteps},
    {"c$invertgen", fn_invertgen, 1},     {"c$determinant", fn_determinant}, {"cc$logdet", fn_logdet},
};
const DescriptorRow k_gauss[] = {
    {"c$gauss::det", fn_determinant}, {"c$gauss::inv", fn_invert}, {"c$gauss::invpd", fn_invertsym},
};

}  // namespace

std::span<const DescriptorRow> linalg_inverse_rows() { return k_general; }
std::span<const DescriptorRow> linalg_inverse_gauss_rows() { return k_gauss; }

}  // namespace kj::lib
