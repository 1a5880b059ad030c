// Continuous draws. Where the method is part of the reproducibility contract
// (exponential, gamma and those built from it) it is followed step by step;
// the others name their published method.
#include "num/random/continuous_draws.h"

#include <cmath>
#include <limits>
#include <numbers>

#include "num/random/generator_state.h"

namespace kj::num {
namespace {

constexpr double k_nan = std::numeric_limits<double>::quiet_NaN();
constexpr double k_pi = std::numbers::pi;

// Shape r < 1: Ahrens and Dieter's GS algorithm (Computing 12, 1974).
double gamma_small(KjRanState& s, double r) {
    const double b = (std::numbers::e + r) / std::numbers::e;
    for (;;) {
        const double p = b * ran_u(s);
        const double u2 = ran_u(s);
        if (p > 1) {
            const double x = -std::log((b - p) / r);
            if (u2 <= std::pow(x, r - 1)) return x;
        } else {
            const double x = std::pow(p, 1 / r);
            if (-std::log(u2) >= x) return x;
        }
    }
}

// Shape r > 1: Cheng and Feast's GKM algorithms (Appl. Stat. 28, 1979), with
// the parallelogram of GKM2 above shape 2.5.
double gamma_large(KjRanState& s, double r) {
    const double a = r - 1;
    const double b = (r - 1 / (6 * r)) / a;
    const double m = 2 / a;
    const double sr = std::sqrt(r);
    for (;;) {
        double u1 = ran_u(s);
        const double u2 = ran_u(s);
        if (r > 2.5) {
            u1 = u2 + (1 - 1.86 * u1) / sr;
            if (!(u1 > 0 && u1 < 1)) continue;
        }
        const double w = b * u2 / u1;
        if (m * u1 + w + 1 / w < m + 2) return a * w;
        if (m * std::log(u1) - std::log(w) + w < 1) return a * w;
    }
}

}  // namespace

double ran_exp(KjRanState& s, double lambda) {
    if (!(lambda > 0)) return k_nan;
    return -std::log(ran_u(s)) / lambda;
}

double ran_gamma(KjRanState& s, double r, double a) {
    if (!(r > 0) || !(a > 0) || !std::isfinite(r)) return k_nan;
    if (r < 1) return gamma_small(s, r) / a;
    if (r == 1) return -std::log(ran_u(s)) / a;
    return gamma_large(s, r) / a;
}

double ran_beta(KjRanState& s, double a, double b) {
    if (!(a > 0) || !(b > 0)) return k_nan;
    const double g1 = ran_gamma(s, a, 1);
    const double g2 = ran_gamma(s, b, 1);
    return g1 / (g1 + g2);
}

double ran_chi(KjRanState& s, double nu) {
    if (!(nu > 0)) return k_nan;
    return ran_gamma(s, nu / 2, 0.5);
}

double ran_f(KjRanState& s, double nu1, double nu2) {
    if (!(nu1 > 0) || !(nu2 > 0)) return k_nan;
    const double c1 = ran_chi(s, nu1) / nu1;
    const double c2 = ran_chi(s, nu2) / nu2;
    return c1 / c2;
}

double ran_student_t(KjRanState& s, double nu) {
    if (!(nu > 0)) return k_nan;
    const double z = ran_n(s);
    return z / std::sqrt(ran_gamma(s, nu / 2, 0.5) / nu);
}

double ran_t(KjRanState& s, double nu) { return nu >= 1 ? ran_student_t(s, nu) : k_nan; }

double ran_lognormal(KjRanState& s) { return std::exp(ran_n(s)); }

double ran_cauchy(KjRanState& s) { return std::tan(k_pi * (ran_u(s) - 0.5)); }

double ran_logistic(KjRanState& s) {
    const double u = ran_u(s);
    return std::log(u / (1 - u));
}

double ran_extreme_value(KjRanState& s, double alpha, double beta) {
    if (!(beta > 0)) return k_nan;
    return alpha - beta * std::log(-std::log(ran_u(s)));
}

double ran_pareto(KjRanState& s, double k, double a) {
    if (!(k > 0) || !(a > 0)) return k_nan;
    return k * std::pow(ran_u(s), -1 / a);
}

double ran_weibull(KjRanState& s, double a, double b) {
    if (!(a > 0) || !(b > 0)) return k_nan;
    return std::pow(-std::log(ran_u(s)) / a, 1 / b);
}

// Chambers, Mallows and Stuck (JASA 71, 1976) in Weron's form (Stat. Prob.
// Letters 28, 1996): one uniform angle, then one standard exponential.
double ran_stable(KjRanState& s, double alpha, double beta) {
    if (!(alpha > 0 && alpha <= 2) || !(beta >= -1 && beta <= 1)) return k_nan;
    const double v = k_pi * (ran_u(s) - 0.5);
    const double w = -std::log(ran_u(s));
    if (alpha == 1) {
        const double h = k_pi / 2 + beta * v;
        return 2 / k_pi * (h * std::tan(v) - beta * std::log(k_pi / 2 * w * std::cos(v) / h));
    }
    const double t = beta * std::tan(k_pi * alpha / 2);
    const double b = std::atan(t) / alpha;
    const double scale = std::pow(1 + t * t, 1 / (2 * alpha));
    const double av = alpha * (v + b);
    return scale * std::sin(av) / std::pow(std::cos(v), 1 / alpha) *
           std::pow(std::cos(v - av) / w, (1 - alpha) / alpha);
}

// Best and Fisher's wrapped-Cauchy rejection (Appl. Stat. 28, 1979).
double ran_mises(KjRanState& s, double kappa) {
    if (!(kappa >= 0) || !std::isfinite(kappa)) return k_nan;
    if (kappa < 1e-7) return k_pi * (2 * ran_u(s) - 1);
    const double tau = 1 + std::sqrt(1 + 4 * kappa * kappa);
    const double rho = (tau - std::sqrt(2 * tau)) / (2 * kappa);
    const double r = (1 + rho * rho) / (2 * rho);
    double f;
    for (;;) {
        const double z = std::cos(k_pi * ran_u(s));
        f = (1 + r * z) / (r + z);
        const double c = kappa * (r - f);
        const double u2 = ran_u(s);
        if (c * (2 - c) - u2 > 0 || std::log(c / u2) + 1 - c >= 0) break;
    }
    f = std::fmin(1.0, std::fmax(-1.0, f));
    return ran_u(s) > 0.5 ? std::acos(f) : -std::acos(f);
}

// Michael, Schucany and Haas (Am. Stat. 30, 1976): one normal, one uniform.
double ran_inv_gaussian(KjRanState& s, double mu, double lambda) {
    if (!(mu > 0) || !(lambda > 0)) return k_nan;
    const double z = ran_n(s);
    const double y = z * z;
    const double x = mu + mu * mu * y / (2 * lambda) - mu / (2 * lambda) * std::sqrt(4 * mu * lambda * y + mu * mu * y * y);
    return ran_u(s) <= mu / (mu + x) ? x : mu * mu / x;
}

namespace {

// The standardised GIG law y^(l-1) exp(-w (y + 1/y) / 2), l >= 0, w > 0, by
// Kinderman and Monahan's ratio of uniforms without mode shift (the bounding
// rectangle from the modes of f and of y^2 f).
double gig_standard(KjRanState& s, double l, double w) {
    auto log_f = [l, w](double y) { return (l - 1) * std::log(y) - w * (y + 1 / y) / 2; };
    const double mode = (l - 1 + std::sqrt((l - 1) * (l - 1) + w * w)) / w;
    const double top = log_f(mode);
    const double ym = (l + 1 + std::sqrt((l + 1) * (l + 1) + w * w)) / w;
    const double vmax = ym * std::exp((log_f(ym) - top) / 2);
    if (!std::isfinite(top) || !std::isfinite(vmax)) return k_nan;  // beyond double range
    for (;;) {
        const double u = ran_u(s);
        const double v = ran_u(s) * vmax;
        const double y = v / u;
        if (2 * std::log(u) <= log_f(y) - top) return y;
    }
}

}  // namespace

double ran_gig(KjRanState& s, double nu, double delta, double gamma) {
    if (delta == 0 && gamma > 0 && nu > 0) return ran_gamma(s, nu, gamma * gamma / 2);
    if (gamma == 0 && delta > 0 && nu < 0) return 1 / ran_gamma(s, -nu, delta * delta / 2);
    if (!(delta > 0) || !(gamma > 0) || !std::isfinite(nu)) return k_nan;
    const double y = gig_standard(s, std::fabs(nu), delta * gamma);
    return delta / gamma * (nu < 0 ? 1 / y : y);
}

double ran_gh(KjRanState& s, double nu, double delta, double gamma, double beta) {
    if (!(delta > 0) || !(gamma > 0) || !std::isfinite(beta)) return k_nan;
    const double w = ran_gig(s, nu, delta, gamma);
    return beta * w + std::sqrt(w) * ran_n(s);
}

}  // namespace kj::num
