// The state record as a whole.
#include "num/random/generator_state.h"

#include <cstring>
#include <string_view>

#include "num/random/generator.h"

namespace kj::num {
namespace {

void install(KjRanState& s, const Generator& g) {
    s.int_draw = g.int_draw;
    s.uniform = g.uniform;
    s.normal = g.normal;
    s.fill_uniform = g.fill_uniform;
    s.fill_normal = g.fill_normal;
    s.set_seed = g.set_seed;
    s.get_seed = g.get_seed;
    s.derive = g.derive;
}

const Generator& by_name(std::string_view name) {
    if (name == "PM" || name == "LCG31") return k_lcg31;
    if (name == "GM" || name == "MWC60") return k_mwc60;
    if (name == "LE" || name == "LFSR113") return k_lfsr113;
    if (name == "MWC_32" || name == "MWC8222" || name == "MWC32") return k_mwc32;
    return k_mwc52;
}

double user_uniform(KjRanState* s) { return s->int_draw(s) * 2.3283064365386963e-10; }

}  // namespace

void ran_reset(KjRanState& s) {
    s.lcg31_x = k_lcg31_default;
    s.mwc60_z = k_mwc60_default_z;
    s.mwc60_w = k_mwc60_default_w;
    std::memcpy(s.lfsr113_z, k_lfsr113_default, sizeof s.lfsr113_z);
    s.mwc_i = k_mwc_default_i;
    s.mwc_c = k_mwc_default_c;
    table_rule(0, s.mwc_q);
    ziggurat_tables(s);
    s.spare_flag = 0;
    s.spare = 0;
    install(s, k_mwc52);
}

void ran_select(KjRanState& s, const char* name) {
    if (s.lcg31_x == 0) ran_reset(s);
    install(s, by_name(name ? name : ""));
    s.spare_flag = 0;
}

const char* ran_name(const KjRanState& s) {
    for (const Generator* g : {&k_mwc52, &k_mwc32, &k_lcg31, &k_mwc60, &k_lfsr113})
        if (s.uniform == g->uniform) return g->name;
    return "?";
}

void ran_install(KjRanState& s, KjRanIntFn int_draw, KjRanSetSeedFn set_seed, KjRanGetSeedFn get_seed,
                 KjRanDeriveFn derive) {
    if (s.lcg31_x == 0) ran_reset(s);
    s.int_draw = int_draw;
    s.uniform = user_uniform;
    s.normal = polar_normal;
    s.fill_uniform = generic_fill_uniform;
    s.fill_normal = generic_fill_normal;
    s.set_seed = set_seed;
    s.get_seed = get_seed;
    s.derive = derive;
    s.spare_flag = 0;
}

bool ran_is_mwc(const KjRanState& s) { return s.int_draw == k_mwc52.int_draw; }

}  // namespace kj::num
