// The distribution group's dens/prob/quan functions, element by element
// over int, double and matrix arguments, and the bivariate and multivariate
// normal probabilities.
#include <cctype>
#include <vector>

#include "lib/args.h"
#include "lib/elementwise.h"
#include "lib/library_rows.h"
#include "num/distributions/distributions.h"
#include "num/distributions/families.h"
#include "num/distributions/multivariate_normal.h"

namespace kj::lib {

namespace {
using value::Value;

double prob_beta(double x, double a, double b) { return num::beta_probability(x, a, b, false); }
double prob_gamma(double x, double r, double a) { return num::gamma_probability(x, r, a, false); }

void fn_densbeta(Value* r, Value* a, int) { fn_double3(*r, a, num::beta_density); }
void fn_probbeta(Value* r, Value* a, int) { fn_double3(*r, a, prob_beta); }
void fn_quanbeta(Value* r, Value* a, int) { fn_double3(*r, a, num::beta_quantile); }
void fn_densbinomial(Value* r, Value* a, int) { fn_double3(*r, a, num::binomial_density); }
void fn_probbinomial(Value* r, Value* a, int) { fn_double3(*r, a, num::binomial_probability); }
void fn_quanbinomial(Value* r, Value* a, int) { fn_double3(*r, a, num::binomial_quantile); }
void fn_denscauchy(Value* r, Value* a, int) { fn_double(*r, a, num::cauchy_density); }
void fn_probcauchy(Value* r, Value* a, int) { fn_double(*r, a, num::cauchy_probability); }
void fn_quancauchy(Value* r, Value* a, int) { fn_double(*r, a, num::cauchy_quantile); }
void fn_densexp(Value* r, Value* a, int) { fn_double2(*r, a, num::exponential_density); }
void fn_probexp(Value* r, Value* a, int) { fn_double2(*r, a, num::exponential_probability); }
void fn_quanexp(Value* r, Value* a, int) { fn_double2(*r, a, num::exponential_quantile); }
void fn_densextremevalue(Value* r, Value* a, int) { fn_double3(*r, a, num::extreme_value_density); }
void fn_probextremevalue(Value* r, Value* a, int) { fn_double3(*r, a, num::extreme_value_probability); }
void fn_quanextremevalue(Value* r, Value* a, int) { fn_double3(*r, a, num::extreme_value_quantile); }
void fn_densgamma(Value* r, Value* a, int) { fn_double3(*r, a, num::gamma_density); }
void fn_probgamma(Value* r, Value* a, int) { fn_double3(*r, a, prob_gamma); }
void fn_quangamma(Value* r, Value* a, int) { fn_double3(*r, a, num::gamma_quantile); }
void fn_densgeometric(Value* r, Value* a, int) { fn_double2(*r, a, num::geometric_density); }
void fn_probgeometric(Value* r, Value* a, int) { fn_double2(*r, a, num::geometric_probability); }
void fn_quangeometric(Value* r, Value* a, int) { fn_double2(*r, a, num::geometric_quantile); }
void fn_densgh(Value* r, Value* a, int) {
    // Five element-wise arguments, by the shape rules of the four-argument form.
    const ElementShape s = element_shape(a, 5);
    auto at = [&](int k, long e) {
        const Value& v = a[k];
        switch (value::type_of(v)) {
            case value::T_Int: return static_cast<double>(v.u.ival);
            case value::T_Double: return v.u.dval;
            default: return v.u.mat.r == 1 && v.u.mat.c == 1 ? v.u.mat.m[0][0] : v.u.mat.m[0][e];
        }
    };
    auto eval = [&](long e) { return num::gh_density(at(0, e), at(1, e), at(2, e), at(3, e), at(4, e)); };
    if (!s.matrix) {
        value::set_double(*r, eval(0));
        return;
    }
    Value out = value::make_int(0);
    value::set_matrix(out, s.r, s.c);
    const long n = static_cast<long>(s.r) * s.c;
    for (long e = 0; e < n; ++e) out.u.mat.m[0][e] = eval(e);
    value::release(*r);
    *r = out;
}
void fn_densgig(Value* r, Value* a, int) { fn_double4(*r, a, num::gig_density); }
void fn_denshypergeometric(Value* r, Value* a, int) { fn_double4(*r, a, num::hypergeometric_density); }
void fn_probhypergeometric(Value* r, Value* a, int) { fn_double4(*r, a, num::hypergeometric_probability); }
void fn_quanhypergeometric(Value* r, Value* a, int) { fn_double4(*r, a, num::hypergeometric_quantile); }
void fn_densinvgaussian(Value* r, Value* a, int) { fn_double3(*r, a, num::inverse_gaussian_density); }
void fn_probinvgaussian(Value* r, Value* a, int) { fn_double3(*r, a, num::inverse_gaussian_probability); }
void fn_quaninvgaussian(Value* r, Value* a, int) { fn_double3(*r, a, num::inverse_gaussian_quantile); }
void fn_denslogarithmic(Value* r, Value* a, int) { fn_double2(*r, a, num::logarithmic_density); }
void fn_problogarithmic(Value* r, Value* a, int) { fn_double2(*r, a, num::logarithmic_probability); }
void fn_quanlogarithmic(Value* r, Value* a, int) { fn_double2(*r, a, num::logarithmic_quantile); }
void fn_denslogistic(Value* r, Value* a, int) { fn_double3(*r, a, num::logistic_density); }
void fn_problogistic(Value* r, Value* a, int) { fn_double3(*r, a, num::logistic_probability); }
void fn_quanlogistic(Value* r, Value* a, int) { fn_double3(*r, a, num::logistic_quantile); }
void fn_denslogn(Value* r, Value* a, int) { fn_double(*r, a, num::lognormal_density); }
void fn_problogn(Value* r, Value* a, int) { fn_double(*r, a, num::lognormal_probability); }
void fn_quanlogn(Value* r, Value* a, int) { fn_double(*r, a, num::lognormal_quantile); }
void fn_densmises(Value* r, Value* a, int) { fn_double3(*r, a, num::mises_density); }
void fn_probmises(Value* r, Value* a, int) { fn_double3(*r, a, num::mises_probability); }
void fn_quanmises(Value* r, Value* a, int) { fn_double3(*r, a, num::mises_quantile); }
void fn_densnegbin(Value* r, Value* a, int) { fn_double3(*r, a, num::negbin_density); }
void fn_probnegbin(Value* r, Value* a, int) { fn_double3(*r, a, num::negbin_probability); }
void fn_quannegbin(Value* r, Value* a, int) { fn_double3(*r, a, num::negbin_quantile); }
void fn_denspareto(Value* r, Value* a, int) { fn_double3(*r, a, num::pareto_density); }
void fn_probpareto(Value* r, Value* a, int) { fn_double3(*r, a, num::pareto_probability); }
void fn_quanpareto(Value* r, Value* a, int) { fn_double3(*r, a, num::pareto_quantile); }
void fn_denspoisson(Value* r, Value* a, int) { fn_double2(*r, a, num::poisson_density); }
void fn_probpoisson(Value* r, Value* a, int) { fn_double2(*r, a, num::poisson_probability); }
void fn_quanpoisson(Value* r, Value* a, int) { fn_double2(*r, a, num::poisson_quantile); }
void fn_densweibull(Value* r, Value* a, int) { fn_double3(*r, a, num::weibull_density); }
void fn_probweibull(Value* r, Value* a, int) { fn_double3(*r, a, num::weibull_probability); }
void fn_quanweibull(Value* r, Value* a, int) { fn_double3(*r, a, num::weibull_quantile); }
void fn_probbvn(Value* r, Value* a, int) { fn_double3(*r, a, num::bvn_probability); }

// The kernel by the first letter of a string, case ignored.
void fn_denskernel(Value* r, Value* a, int) {
    if (!is_string(a[1]) || a[1].u.str.len < 1) arg_error(1);
    const char kind = static_cast<char>(std::tolower(static_cast<unsigned char>(a[1].u.str.s[0])));
    if (kind != 'n' && kind != 'e' && kind != 'b' && kind != 't' && kind != 'u') arg_error(1);
    switch (kind) {
        case 'n': fn_double(*r, a, [](double x) { return num::kernel_density(x, 'n'); }); break;
        case 'e': fn_double(*r, a, [](double x) { return num::kernel_density(x, 'e'); }); break;
        case 'b': fn_double(*r, a, [](double x) { return num::kernel_density(x, 'b'); }); break;
        case 't': fn_double(*r, a, [](double x) { return num::kernel_density(x, 't'); }); break;
        default: fn_double(*r, a, [](double x) { return num::kernel_density(x, 'u'); }); break;
    }
}

// probmvn(x, sigma): one probability per row of x (n x k) under N(0, sigma).
void fn_probmvn(Value* r, Value* a, int) {
    matrix_value_arg(a, 0);
    check_square_matrix(a, 1, 1);
    const int k = a[1].u.mat.r;
    if (a[0].u.mat.c != k) arg_size_error(0, a[0], a[0].u.mat.r, k);
    const int n = a[0].u.mat.r;
    std::vector<double> sigma(elements_of(a[1]), elements_of(a[1]) + count_of(a[1]));
    Value out = value::make_int(0);
    value::set_matrix(out, n, 1);
    for (int i = 0; i < n; ++i) out.u.mat.m[0][i] = num::mvn_probability(a[0].u.mat.m[i], sigma.data(), k);
    value::release(*r);
    *r = out;
}

const DescriptorRow k_distributions[] = {
    {"ccc$densbeta", fn_densbeta},
    {"ccc$densbinomial", fn_densbinomial},
    {"c$denscauchy", fn_denscauchy},
    {"cc$densexp", fn_densexp},
    {"ccc$densextremevalue", fn_densextremevalue},
    {"ccc$densgamma", fn_densgamma},
    {"cc$densgeometric", fn_densgeometric},
    {"ccccc$densgh", fn_densgh},
    {"cccc$densgig", fn_densgig},
    {"cccc$denshypergeometric", fn_denshypergeometric},
    {"ccc$densinvgaussian", fn_densinvgaussian},
    {"cc$denskernel", fn_denskernel},
    {"cc$denslogarithmic", fn_denslogarithmic},
    {"ccc$denslogistic", fn_denslogistic},
    {"c$denslogn", fn_denslogn},
    {"ccc$densmises", fn_densmises},
    {"ccc$densnegbin", fn_densnegbin},
    {"ccc$denspareto", fn_denspareto},
    {"cc$denspoisson", fn_denspoisson},
    {"ccc$densweibull", fn_densweibull},
    {"ccc$probbeta", fn_probbeta},
    {"ccc$probbinomial", fn_probbinomial},
    {"ccc$probbvn", fn_probbvn},
    {"c$probcauchy", fn_probcauchy},
    {"cc$probexp", fn_probexp},
    {"ccc$probextremevalue", fn_probextremevalue},
    {"ccc$probgamma", fn_probgamma},
    {"cc$probgeometric", fn_probgeometric},
    {"cccc$probhypergeometric", fn_probhypergeometric},
    {"ccc$probinvgaussian", fn_probinvgaussian},
    {"cc$problogarithmic", fn_problogarithmic},
    {"ccc$problogistic", fn_problogistic},
    {"c$problogn", fn_problogn},
    {"ccc$probmises", fn_probmises},
    {"cc$probmvn", fn_probmvn},
    {"ccc$probnegbin", fn_probnegbin},
    {"ccc$probpareto", fn_probpareto},
    {"cc$probpoisson", fn_probpoisson},
    {"ccc$probweibull", fn_probweibull},
    {"ccc$quanbeta", fn_quanbeta},
    {"ccc$quanbinomial", fn_quanbinomial},
    {"c$quancauchy", fn_quancauchy},
    {"cc$quanexp", fn_quanexp},
    {"ccc$quanextremevalue", fn_quanextremevalue},
    {"ccc$quangamma", fn_quangamma},
    {"cc$quangeometric", fn_quangeometric},
    {"cccc$quanhypergeometric", fn_quanhypergeometric},
    {"ccc$quaninvgaussian", fn_quaninvgaussian},
    {"cc$quanlogarithmic", fn_quanlogarithmic},
    {"ccc$quanlogistic", fn_quanlogistic},
    {"c$quanlogn", fn_quanlogn},
    {"ccc$quanmises", fn_quanmises},
    {"ccc$quannegbin", fn_quannegbin},
    {"ccc$quanpareto", fn_quanpareto},
    {"cc$quanpoisson", fn_quanpoisson},
    {"ccc$quanweibull", fn_quanweibull},
};

}  // namespace

std::span<const DescriptorRow> distribution_family_rows() { return k_distributions; }

}  // namespace kj::lib
