// Parameter restrictions for estimation code: compiling restriction and test
// texts, mapping between the full parameter vector and the free parameters,
// test values and exact Jacobians. The compiled sets are process-wide.
#include <algorithm>
#include <string>

#include "data/restriction_evaluator.h"
#include "lib/args.h"
#include "lib/library_rows.h"
#include "link/function_table.h"
#include "runtime/messages.h"

namespace kj::lib {

namespace {
using value::Value;

std::u16string text_arg(Value* args, int i) {
    check_type(value::T_String, args, i, i);
    return data::utf16_from_utf8(string_of(args[i]));
}

// The message of the last compile through a reference: "" after success,
// else the collected messages ("Error" when there are none).
void store_message(Value& ref, bool ok) {
    const std::string& text = data::compile_messages().text();
    Value out = value::make_int(0);
    value::set_string(out, ok ? std::string() : text.empty() ? std::string("Error") : text);
    store_reference(ref, out);
}

// A 1 x n row (n may be 0: the empty matrix) whose elements fill() writes.
template <class Fill>
void set_row(Value& result, int n, Fill fill) {
    double** m = new_matrix(result, n > 0 ? 1 : 0, n);
    if (m) fill(m[0]);
}

// The elements of args[0] when there are exactly `expected` of them; else
// the result becomes int 0 and the answer is null.
const double* elements_if_count(Value* args, Value& result, long long expected) {
    const MatrixArg a = matrix_arg(args, 0);
    if (a.count() != expected) {
        value::set_int(result, 0);
        return nullptr;
    }
    static const double none = 0;
    return a.empty() ? &none : a.data();
}

void fn_res_compile_param(Value* result, Value* args, int count) {
    check_most(count, 4);
    const std::u16string text = text_arg(args, 0);
    const int n = int_arg(args, 1);
    data::ParameterRestrictions& set = data::parameter_restrictions();
    const int free_count = data::compile_parameter_restrictions(text, n, set, data::compile_messages());
    store_message(args[2], free_count >= 0);
    if (count > 3) {
        Value start = value::make_int(0);
        if (set.has_start) set_row(start, static_cast<int>(set.start.size()), [&](double* row) {
            std::copy(set.start.begin(), set.start.end(), row);
        });
        store_reference(args[3], start);
    }
    value::set_int(*result, free_count);
}

void fn_res_compile_test(Value* result, Value* args, int) {
    const std::u16string text = text_arg(args, 0);
    const int n = int_arg(args, 1);
    const int m = data::compile_test_restrictions(text, n, data::test_restrictions(), data::compile_messages());
    store_message(args[2], m > 0 || data::compile_messages().text().empty());
    value::set_int(*result, m);
}

void fn_res_is_restricted(Value* result, Value*, int) {
    const data::ParameterRestrictions& set = data::parameter_restrictions();
    set_row(*result, set.n, [&](double* row) {
        for (int i = 0; i < set.n; ++i) row[i] = set.restricted(i) ? 1.0 : 0.0;
    });
}

void fn_res_map_to_constrained(Value* result, Value* args, int) {
    const data::ParameterRestrictions& set = data::parameter_restrictions();
    const double* theta = elements_if_count(args, *result, set.n);
    if (!theta) return;
    set_row(*result, set.free_count, [&](double* row) { data::map_to_constrained(set, theta, row); });
}

void fn_res_map_to_unconstrained(Value* result, Value* args, int) {
    const data::ParameterRestrictions& set = data::parameter_restrictions();
    const double* phi = elements_if_count(args, *result, set.free_count);
    if (!phi) return;
    set_row(*result, set.n, [&](double* row) { data::map_to_unconstrained(set, phi, row); });
}

void fn_res_analytical_jacobian(Value* result, Value* args, int) {
    const data::ParameterRestrictions& set = data::parameter_restrictions();
    const double* phi = set.n > 0 ? elements_if_count(args, *result, set.free_count) : nullptr;
    if (!phi) return value::set_int(*result, 0);
    double** m = new_matrix(*result, set.free_count, set.n);
    if (m) data::restriction_jacobian(set, phi, m[0]);
}

void fn_res_map_test_restrictions(Value* result, Value* args, int) {
    const data::TestRestrictions& set = data::test_restrictions();
    const double* theta = elements_if_count(args, *result, set.n);
    if (!theta) return;
    set_row(*result, set.count(), [&](double* row) { data::test_values(set, theta, row); });
}

void fn_res_test_analytical_jacobian(Value* result, Value* args, int) {
    const data::TestRestrictions& set = data::test_restrictions();
    const double* theta = set.count() > 0 ? elements_if_count(args, *result, set.n) : nullptr;
    if (!theta) return value::set_int(*result, 0);
    double** m = new_matrix(*result, set.count(), set.n);
    if (m) data::test_jacobian(set, theta, m[0]);
}

const NamedRow k_restriction_rows[] = {
    {"ResAnalyticalJacobian", fn_res_analytical_jacobian, 1, k_serial},
    {"ResCompileParam", fn_res_compile_param, 3, k_varargs | k_serial},
    {"ResCompileTest", fn_res_compile_test, 3, k_serial},
    {"ResIsRestricted", fn_res_is_restricted, 0, k_serial},
    {"ResMapTestRestrictions", fn_res_map_test_restrictions, 1, k_serial},
    {"ResMapToConstrained", fn_res_map_to_constrained, 1, k_serial},
    {"ResMapToUnConstrained", fn_res_map_to_unconstrained, 1, k_serial},
    {"ResTestAnalyticalJacobian", fn_res_test_analytical_jacobian, 1, k_serial},
};
}  // namespace

std::span<const NamedRow> restriction_rows() { return k_restriction_rows; }

}  // namespace kj::lib
