// Uniform and normal random matrices, generator selection and seeds, and the
// loop seeding of parallel loops.
#include "lib/fn_random.h"

#include <string>
#include <vector>

#include "lib/arg_checks.h"
#include "lib/args.h"
#include "lib/library_rows.h"
#include "num/random/generator_state.h"
#include "runtime/random_record.h"
#include "vm/conversions.h"

namespace kj::lib {

using value::Value;

int size_arg(Value* args, int k) {
    const double d = double_arg(args, k);
    if (d != static_cast<double>(static_cast<int>(d))) arg_error(k);
    return static_cast<int>(d);
}

double** new_draws(Value& result, int r, int c) {
    if (r == 1 && c == 1) {
        value::set_double(result, 0);
        return nullptr;
    }
    return new_matrix(result, r, c);
}

namespace {

void fill_draws(Value& result, Value* args, bool normal) {
    const int r = size_arg(args, 0);
    const int c = size_arg(args, 1);
    double** m = new_draws(result, r, c);
    runtime::RanLock lock;
    KjRanState& s = lock.state();
    if (!m && r == 1 && c == 1)
        result.u.dval = normal ? num::ran_n(s) : num::ran_u(s);
    else if (m)
        (normal ? s.fill_normal : s.fill_uniform)(&s, m[0], static_cast<std::size_t>(r) * c);
}

void fn_ranu(Value* result, Value* args, int) { fill_draws(*result, args, false); }
void fn_rann(Value* result, Value* args, int) { fill_draws(*result, args, true); }

int32_t seed_word(const Value& v, int32_t old) {
    if (is_type(v, value::T_Int)) return v.u.ival;
    if (is_type(v, value::T_Double)) return vm::truncate_to_int(v.u.dval);
    return old;
}

// The current seed: an int for a one-word seed, else an array of ints.
void seed_result(Value& result, KjRanState& s) {
    const int n = s.get_seed ? s.get_seed(&s, nullptr, 0) : 0;
    std::vector<int> w(static_cast<std::size_t>(n));
    if (n > 0) s.get_seed(&s, w.data(), n);
    if (n == 1) {
        value::set_int(result, w[0]);
        return;
    }
    value::set_array(result, n);
    for (int k = 0; k < n; ++k) result.u.arr.v[k] = value::make_int(w[static_cast<std::size_t>(k)]);
}

// New seed words from an array (int or double elements) or a matrix,
// replacing the first words of the current seed.
void set_seed_words(KjRanState& s, const Value& x) {
    const int n = s.get_seed ? s.get_seed(&s, nullptr, 0) : 0;
    std::vector<int> w(static_cast<std::size_t>(n));
    if (n > 0) s.get_seed(&s, w.data(), n);
    if (is_type(x, value::T_Array)) {
        for (int k = 0; k < n && k < x.u.arr.n; ++k) w[k] = seed_word(x.u.arr.v[k], w[k]);
    } else {
        const long m = count_of(x);
        for (int k = 0; k < n && k < m; ++k) w[k] = vm::truncate_to_int(elements_of(x)[k]);
    }
    if (s.set_seed) s.set_seed(&s, w.data(), n);
    s.spare_flag = 0;
}

void fn_ranseed(Value* result, Value* args, int) {
    Value& x = args[0];
    if (is_string(x)) {
        const std::string name(string_of(x));
        runtime::RanLock lock(false);
        if (!name.empty()) num::ran_select(lock.state(), name.c_str());
        value::set_string(*result, num::ran_name(lock.state()));
        return;
    }
    if (is_type(x, value::T_Array) || is_type(x, value::T_Matrix)) {
        runtime::RanLock lock;
        set_seed_words(lock.state(), x);
        seed_result(*result, lock.state());
        return;
    }
    const int32_t i = int_arg(args, 0);
    runtime::RanLock lock(i != 0);
    KjRanState& s = lock.state();
    if (i != 0 && s.set_seed) {
        s.set_seed(&s, i == -1 ? nullptr : &i, i == -1 ? 0 : 1);
        s.spare_flag = 0;
    }
    seed_result(*result, s);
}

void fn_ranloopseed(Value* result, Value* args, int) {
    const int i = int_arg(args, 0);
    const int mode = int_arg(args, 1);
    runtime::ran_loop_seed(i, mode);
    value::set_int(*result, 0);
}

const DescriptorRow k_random_rows[] = {
    {"cc$ranloopseed", fn_ranloopseed}, {"cc$rann", fn_rann}, {"c$ranseed", fn_ranseed}, {"cc$ranu", fn_ranu},
};
const DescriptorRow k_random_gauss_rows[] = {{"cc$gauss::rndn", fn_rann}, {"cc$gauss::rndu", fn_ranu}};

}  // namespace

std::span<const DescriptorRow> random_rows() { return k_random_rows; }
std::span<const DescriptorRow> random_gauss_rows() { return k_random_gauss_rows; }

}  // namespace kj::lib
