// r x c matrices of draws from the common distributions, with scalar
// parameters; a 1 x 1 request gives a double.
#include <cstddef>

#include "lib/fn_random.h"
#include "lib/library_rows.h"
#include "lib/args.h"
#include "num/random/continuous_draws.h"
#include "num/random/discrete_draws.h"
#include "num/random/generator_state.h"
#include "runtime/random_record.h"

namespace kj::lib {
namespace {

using value::Value;

// Reads r, c and the n parameters after them, then fills with f(state, p).
template <int N, class F>
void draws(Value& result, Value* args, F f) {
    const int r = size_arg(args, 0);
    const int c = size_arg(args, 1);
    double p[N > 0 ? N : 1] = {};
    for (int k = 0; k < N; ++k) p[k] = double_arg(args, 2 + k);
    double** m = new_draws(result, r, c);
    runtime::RanLock lock;
    KjRanState& s = lock.state();
    if (!m) {
        if (r == 1 && c == 1) result.u.dval = f(s, p);
        return;
    }
    const std::size_t n = static_cast<std::size_t>(r) * c;
    double* x = m[0];
    for (std::size_t j = 0; j < n; ++j) x[j] = f(s, p);
}

#define KJ_DRAWS(fn, n, expr)                                                          \
    void fn(Value* result, Value* args, int) {                                     \
        draws<n>(*result, args, [](KjRanState& s, const double* p) { (void)p; return (expr); }); \
    }

KJ_DRAWS(fn_ranbeta, 2, num::ran_beta(s, p[0], p[1]))
KJ_DRAWS(fn_ranbinomial, 2, num::ran_binomial(s, p[0], p[1]))
KJ_DRAWS(fn_rancauchy, 0, num::ran_cauchy(s))
KJ_DRAWS(fn_ranchi, 1, num::ran_chi(s, p[0]))
KJ_DRAWS(fn_ranexp, 1, num::ran_exp(s, p[0]))
KJ_DRAWS(fn_ranextremevalue, 2, num::ran_extreme_value(s, p[0], p[1]))
KJ_DRAWS(fn_ranf, 2, num::ran_f(s, p[0], p[1]))
KJ_DRAWS(fn_rangamma, 2, num::ran_gamma(s, p[0], p[1]))
KJ_DRAWS(fn_rangeometric, 1, num::ran_geometric(s, p[0]))
KJ_DRAWS(fn_rangh, 4, num::ran_gh(s, p[0], p[1], p[2], p[3]))
KJ_DRAWS(fn_rangig, 3, num::ran_gig(s, p[0], p[1], p[2]))
KJ_DRAWS(fn_ranhypergeometric, 3, num::ran_hypergeometric(s, p[0], p[1], p[2]))
KJ_DRAWS(fn_raninvgaussian, 2, num::ran_inv_gaussian(s, p[0], p[1]))
KJ_DRAWS(fn_ranlogarithmic, 1, num::ran_logarithmic(s, p[0]))
KJ_DRAWS(fn_ranlogistic, 0, num::ran_logistic(s))
KJ_DRAWS(fn_ranlogn, 0, num::ran_lognormal(s))
KJ_DRAWS(fn_ranmises, 1, num::ran_mises(s, p[0]))
KJ_DRAWS(fn_rannegbin, 2, num::ran_negbin(s, p[0], p[1]))
KJ_DRAWS(fn_ranpareto, 2, num::ran_pareto(s, p[0], p[1]))
KJ_DRAWS(fn_ranpoisson, 1, num::ran_poisson(s, p[0]))
KJ_DRAWS(fn_ranstable, 2, num::ran_stable(s, p[0], p[1]))
KJ_DRAWS(fn_rant, 1, num::ran_t(s, p[0]))
KJ_DRAWS(fn_ranweibull, 2, num::ran_weibull(s, p[0], p[1]))

#undef KJ_DRAWS

const DescriptorRow k_draw_rows[] = {
    {"cccc$ranbeta", fn_ranbeta},
    {"cccc$ranbinomial", fn_ranbinomial},
    {"cc$rancauchy", fn_rancauchy},
    {"ccc$ranchi", fn_ranchi},
    {"ccc$ranexp", fn_ranexp},
    {"cccc$ranextremevalue", fn_ranextremevalue},
    {"cccc$ranf", fn_ranf},
    {"cccc$rangamma", fn_rangamma},
    {"ccc$rangeometric", fn_rangeometric},
    {"cccccc$rangh", fn_rangh},
    {"ccccc$rangig", fn_rangig},
    {"ccccc$ranhypergeometric", fn_ranhypergeometric},
    {"cccc$raninvgaussian", fn_raninvgaussian},
    {"ccc$ranlogarithmic", fn_ranlogarithmic},
    {"cc$ranlogistic", fn_ranlogistic},
    {"cc$ranlogn", fn_ranlogn},
    {"ccc$ranmises", fn_ranmises},
    {"cccc$rannegbin", fn_rannegbin},
    {"cccc$ranpareto", fn_ranpareto},
    {"ccc$ranpoisson", fn_ranpoisson},
    {"cccc$ranstable", fn_ranstable},
    {"ccc$rant", fn_rant},
    {"cccc$ranweibull", fn_ranweibull},
};

}  // namespace

std::span<const DescriptorRow> random_draw_rows() { return k_draw_rows; }

}  // namespace kj::lib
