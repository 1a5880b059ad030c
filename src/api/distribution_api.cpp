// The exported scalar distribution routines.
#include <kj80x.h>

#include <vector>

#include "num/distributions/distributions.h"
#include "num/distributions/families.h"
#include "num/distributions/multivariate_normal.h"
#include "num/distributions/normal.h"

using namespace kj;

extern "C" {

double DDensNormal(double x) { return num::normal_density(x); }
double DProbNormal(double x) { return num::normal_cdf(x); }
double DTailProbNormal(double x) { return num::normal_tail(x); }
double DQuanNormal(double p) { return num::normal_quantile(p); }
double DErf(double x) { return num::normal_erf(x); }

double DDensT(double x, int df) { return num::t_density(x, df); }
double DProbT(double t, int df) { return num::t_cdf(t, df); }
double DTailProbT(double t, int df) { return num::t_tail(t, df); }
double DQuanT(double p, int df) { return num::t_quantile(p, df); }
double DQuanTD(double p, double df) { return num::t_quantile_real(p, df); }
double DProbTNc(double t, double df, double nc) { return num::t_nc_probability(t, df, nc, false); }

double DDensChi(double x, double df) { return num::chi_density(x, df); }
double DProbChi(double x, double df) { return num::chi_probability(x, df, false); }
double DTailProbChi(double x, double df) { return num::chi_probability(x, df, true); }
double DQuanChi(double p, double df) { return num::chi_quantile(p, df); }
double DProbChiNc(double x, double df, double nc) { return num::chi_nc_probability(x, df, nc, false); }

double DDensF(double x, double df1, double df2) { return num::f_density(x, df1, df2); }
double DProbF(double x, double df1, double df2) { return num::f_probability(x, df1, df2, false); }
double DTailProbF(double x, double df1, double df2) { return num::f_probability(x, df1, df2, true); }
double DQuanF(double p, double df1, double df2) { return num::f_quantile(p, df1, df2); }
double DProbFNc(double x, double df1, double df2, double nc) { return num::f_nc_probability(x, df1, df2, nc, false); }

double DDensGamma(double x, double r, double a) { return num::gamma_density(x, r, a); }
double DProbGamma(double x, double r, double a) { return num::gamma_probability(x, r, a, false); }
double DQuanGamma(double p, double r, double a) { return num::gamma_quantile(p, r, a); }

double DDensBeta(double x, double a, double b) { return num::beta_density(x, a, b); }
double DProbBeta(double x, double a, double b) { return num::beta_probability(x, a, b, false); }
double DQuanBeta(double p, double a, double b) { return num::beta_quantile(p, a, b); }

double DDensPoisson(double x, double mu) { return num::poisson_density(x, mu); }
double DProbPoisson(double x, double mu) { return num::poisson_probability(x, mu); }

double DDensMises(double x, double mu, double kappa) { return num::mises_density(x, mu, kappa); }
double DProbMises(double x, double mu, double kappa) { return num::mises_probability(x, mu, kappa); }
double DQuanMises(double p, double mu, double kappa) { return num::mises_quantile(p, mu, kappa); }

double DDensGH(double x, double nu, double delta, double gamma, double beta) {
    return num::gh_density(x, nu, delta, gamma, beta);
}
double DDensGIG(double x, double nu, double delta, double gamma) { return num::gig_density(x, nu, delta, gamma); }

double DProbBVN(double x, double y, double rho) { return num::bvn_probability(x, y, rho); }
double DProbMVN(const double* x, double** sigma, int k) {
    if (!x || !sigma || k <= 0) return num::mvn_probability(x, nullptr, 0);
    std::vector<double> s(static_cast<std::size_t>(k) * k);
    for (int i = 0; i < k; ++i)
        for (int j = 0; j < k; ++j) s[static_cast<std::size_t>(i) * k + j] = sigma[i][j];
    return num::mvn_probability(x, s.data(), k);
}

}  // extern "C"
