// Exported scalar and vector draws of the common distributions.
#include <kj80x.h>

#include <cmath>
#include <vector>

#include "num/random/continuous_draws.h"
#include "num/random/discrete_draws.h"
#include "num/random/generator_state.h"
#include "num/random/multivariate_draws.h"
#include "num/random/sampling.h"
#include "runtime/random_record.h"

using kj::runtime::RanLock;

namespace {

template <class F>
double locked(F f) {
    RanLock lock;
    return f(lock.state());
}

// A count draw as an int; NaN (invalid parameters) gives 0.
int as_int(double x) { return std::isfinite(x) && std::fabs(x) < 2147483647.0 ? static_cast<int>(x) : 0; }

}  // namespace

extern "C" {

double DRanExp(double lambda) { return locked([&](KjRanState& s) { return kj::num::ran_exp(s, lambda); }); }
double DRanGamma(double r, double a) { return locked([&](KjRanState& s) { return kj::num::ran_gamma(s, r, a); }); }
double DRanBeta(double a, double b) { return locked([&](KjRanState& s) { return kj::num::ran_beta(s, a, b); }); }
double DRanChi(double nu) { return locked([&](KjRanState& s) { return kj::num::ran_chi(s, nu); }); }
double DRanF(double nu1, double nu2) { return locked([&](KjRanState& s) { return kj::num::ran_f(s, nu1, nu2); }); }
double DRanT(double nu) { return locked([&](KjRanState& s) { return kj::num::ran_t(s, nu); }); }
double DRanStudentT(double nu) { return locked([&](KjRanState& s) { return kj::num::ran_student_t(s, nu); }); }
double DRanLogNormal(void) { return locked([](KjRanState& s) { return kj::num::ran_lognormal(s); }); }
double DRanLogistic(void) { return locked([](KjRanState& s) { return kj::num::ran_logistic(s); }); }
double DRanStable(double alpha, double beta) {
    return locked([&](KjRanState& s) { return kj::num::ran_stable(s, alpha, beta); });
}
double DRanMises(double kappa) { return locked([&](KjRanState& s) { return kj::num::ran_mises(s, kappa); }); }
double DRanInvGaussian(double mu, double lambda) {
    return locked([&](KjRanState& s) { return kj::num::ran_inv_gaussian(s, mu, lambda); });
}
double DRanGIG(double nu, double delta, double gamma) {
    return locked([&](KjRanState& s) { return kj::num::ran_gig(s, nu, delta, gamma); });
}

int IRanPoisson(double mu) { return as_int(locked([&](KjRanState& s) { return kj::num::ran_poisson(s, mu); })); }
int IRanBinomial(int n, double p) {
    return as_int(locked([&](KjRanState& s) { return kj::num::ran_binomial(s, n, p); }));
}
int IRanNegBin(int n, double p) { return as_int(locked([&](KjRanState& s) { return kj::num::ran_negbin(s, n, p); })); }
int IRanLogarithmic(double p) { return as_int(locked([&](KjRanState& s) { return kj::num::ran_logarithmic(s, p); })); }

int* RanSubSample(int* out, int k, int n) {
    if (!out || k < 0 || k > n) return out;
    RanLock lock;
    kj::num::ran_subsample(lock.state(), out, k, n);
    return out;
}

double* RanDirichlet(double* out, const double* alpha, int k) {
    if (!out || !alpha || k <= 0) return out;
    RanLock lock;
    kj::num::ran_dirichlet(lock.state(), out, alpha, k);
    return out;
}

double** RanWishart(double** out, double n, double** factor, int p) {
    if (!out || !factor || p <= 0) return out;
    const std::size_t pp = static_cast<std::size_t>(p) * p;
    std::vector<double> l(pp), w(pp);
    for (int i = 0; i < p; ++i)
        for (int j = 0; j < p; ++j) l[static_cast<std::size_t>(i * p + j)] = j <= i ? factor[i][j] : 0;
    RanLock lock;
    kj::num::ran_wishart(lock.state(), w.data(), n, l.data(), p);
    for (int i = 0; i < p; ++i)
        for (int j = 0; j < p; ++j) out[i][j] = w[static_cast<std::size_t>(i * p + j)];
    return out;
}

double* RanUorder(double* out, int n) {
    if (!out || n <= 0) return out;
    RanLock lock;
    kj::num::ran_uorder(lock.state(), out, n);
    return out;
}

}  // extern "C"
