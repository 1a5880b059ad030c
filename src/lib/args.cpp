#include "lib/args.h"

#include <algorithm>

#include "lib/arg_checks.h"
#include "lib/conversions.h"

namespace kj::lib {

using value::Value;

MatrixArg matrix_arg(Value* args, int k) {
    check_type(value::T_Matrix, args, k, k);
    const Value& v = args[k];
    return MatrixArg{v.u.mat.m, v.u.mat.r, v.u.mat.c};
}

int int_arg(Value* args, int k) {
    int32_t i = 0;
    if (!try_convert_to_int(args[k], &i)) arg_type_error(k, value::T_Int, &args[k]);
    return i;
}

double double_arg(Value* args, int k) {
    double d = 0;
    if (!try_convert_to_double(args[k], &d)) arg_type_error(k, value::T_Double, &args[k]);
    return d;
}

std::string string_arg(Value* args, int k) {
    if (!is_string(args[k])) arg_type_error(k, value::T_String, &args[k]);
    return std::string(string_of(args[k]));
}

std::vector<double> elements_arg(Value* args, int k) {
    const MatrixArg a = matrix_arg(args, k);
    if (a.empty()) return {};
    return std::vector<double>(a.data(), a.data() + a.count());
}

void check_most(int count, int most) {
    if (count > most) arg_error(most);
}

double** new_matrix(Value& result, long long r, long long c) {
    if ((r == 0 && c >= 0) || (c == 0 && r >= 0)) r = c = 0;
    value::set_matrix(result, r, c);
    return result.u.mat.m;
}

double** new_matrix_zero(Value& result, long long r, long long c) {
    return new_matrix_filled(result, r, c, 0.0);
}

double** new_matrix_filled(Value& result, long long r, long long c, double x) {
    double** m = new_matrix(result, r, c);
    if (m) std::fill_n(m[0], r * c, x);
    return m;
}

}  // namespace kj::lib
