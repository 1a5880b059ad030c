// The standard families of the general group: normal, Student t, chi-squared
// and F densities, probabilities, tails and quantiles, and the error
// function; with their GAUSS-dialect names.
#include <climits>
#include <cmath>

#include "lib/elementwise.h"
#include "lib/fn_math.h"
#include "lib/library_rows.h"
#include "num/distributions/distributions.h"
#include "num/distributions/normal.h"

namespace kj::lib {

namespace {
using value::Value;

// The normal four share the inline instructions' code.
void fn_densn(Value* r, Value* a, int) { apply_as_inline("densn", *r, a); }
void fn_probn(Value* r, Value* a, int) { apply_as_inline("probn", *r, a); }
void fn_quann(Value* r, Value* a, int) { apply_as_inline("quann", *r, a); }
void fn_tailn(Value* r, Value* a, int) { apply_as_inline("tailn", *r, a); }
void fn_erf(Value* r, Value* a, int) { fn_double(*r, a, num::normal_erf); }

// Whole degrees of freedom use the integer routines (the finite series);
// others, and those beyond the int range, the incomplete beta form.
bool whole_df(double nu) { return nu == std::floor(nu) && std::fabs(nu) <= INT_MAX; }

double prob_t(double x, double nu) {
    return whole_df(nu) ? num::t_cdf(x, static_cast<int>(nu)) : num::t_nc_probability(x, nu, 0, false);
}
double tail_t(double x, double nu) {
    return whole_df(nu) ? num::t_tail(x, static_cast<int>(nu)) : num::t_nc_probability(x, nu, 0, true);
}
double quan_t(double p, double nu) {
    return whole_df(nu) ? num::t_quantile(p, static_cast<int>(nu)) : num::t_quantile_real(p, nu);
}
double prob_t_nc(double x, double nu, double delta) { return num::t_nc_probability(x, nu, delta, false); }

double prob_chi(double x, double nu) { return num::chi_probability(x, nu, false); }
double tail_chi(double x, double nu) { return num::chi_probability(x, nu, true); }
double prob_chi_nc(double x, double nu, double lambda) { return num::chi_nc_probability(x, nu, lambda, false); }

double prob_f(double x, double nu1, double nu2) { return num::f_probability(x, nu1, nu2, false); }
double tail_f(double x, double nu1, double nu2) { return num::f_probability(x, nu1, nu2, true); }
double prob_f_nc(double x, double nu1, double nu2, double lambda) {
    return num::f_nc_probability(x, nu1, nu2, lambda, false);
}

void fn_denst(Value* r, Value* a, int) { fn_double2(*r, a, num::t_density); }
void fn_probt(Value* r, Value* a, int n) {
    if (n > 3) arg_error(3);
    if (n == 3) fn_double3(*r, a, prob_t_nc);
    else fn_double2(*r, a, prob_t);
}
void fn_tailt(Value* r, Value* a, int) { fn_double2(*r, a, tail_t); }
void fn_quant(Value* r, Value* a, int) { fn_double2(*r, a, quan_t); }

void fn_denschi(Value* r, Value* a, int) { fn_double2(*r, a, num::chi_density); }
void fn_probchi(Value* r, Value* a, int n) {
    if (n > 3) arg_error(3);
    if (n == 3) fn_double3(*r, a, prob_chi_nc);
    else fn_double2(*r, a, prob_chi);
}
void fn_tailchi(Value* r, Value* a, int) { fn_double2(*r, a, tail_chi); }
void fn_quanchi(Value* r, Value* a, int) { fn_double2(*r, a, num::chi_quantile); }

void fn_densf(Value* r, Value* a, int) { fn_double3(*r, a, num::f_density); }
void fn_probf(Value* r, Value* a, int n) {
    if (n > 4) arg_error(4);
    if (n == 4) fn_double4(*r, a, prob_f_nc);
    else fn_double3(*r, a, prob_f);
}
void fn_tailf(Value* r, Value* a, int) { fn_double3(*r, a, tail_f); }
void fn_quanf(Value* r, Value* a, int) { fn_double3(*r, a, num::f_quantile); }

const DescriptorRow k_general[] = {
    {"c$densn", fn_densn},       {"c$probn", fn_probn},       {"c$quann", fn_quann},     {"c$tailn", fn_tailn},
    {"c$erf", fn_erf},           {"cc$denst", fn_denst},      {"cc$probt", fn_probt, 1}, {"cc$tailt", fn_tailt},
    {"cc$quant", fn_quant},      {"cc$denschi", fn_denschi},  {"cc$probchi", fn_probchi, 1},
    {"cc$tailchi", fn_tailchi},  {"cc$quanchi", fn_quanchi},  {"ccc$densf", fn_densf},   {"ccc$probf", fn_probf, 1},
    {"ccc$tailf", fn_tailf},     {"ccc$quanf", fn_quanf},
};
const DescriptorRow k_gauss[] = {
    {"cc$gauss::cdfchic", fn_tailchi}, {"cc$gauss::cdfchii", fn_quanchi}, {"ccc$gauss::cdffc", fn_tailf},
    {"c$gauss::cdfn", fn_probn},       {"c$gauss::cdfnc", fn_tailn},      {"c$gauss::cdfni", fn_quann},
    {"cc$gauss::cdftc", fn_tailt},     {"c$gauss::pdfn", fn_densn},       {"c$gauss::erf", fn_erf},
};

}  // namespace

std::span<const DescriptorRow> distribution_rows() { return k_general; }
std::span<const DescriptorRow> distribution_gauss_rows() { return k_gauss; }

}  // namespace kj::lib
