// The registration rows of the built-in library. Each family file (fn_*.cpp)
// ends with its tables of rows and exports them through the functions below;
// lib/library_groups.cpp lists them, group by group, in registration order.
// The *_gauss_rows tables hold GAUSS-dialect aliases (gauss::name) of the
// family's native functions.
#pragma once

#include <kj80x.h>

#include <cstdint>
#include <span>

#include "link/function_table.h"

namespace kj::lib {

// Registered through add_function: all parameters const.
struct DescriptorRow {
    const char* descriptor;
    KjNativeFunction fn;
    int varargs = 0;
};

// The flags of a NamedRow.
using link::k_serial;
using link::k_varargs;

// Registered through add_function_ex: name, count and flags (k_varargs, k_serial).
struct NamedRow {
    const char* name;
    KjNativeFunction fn;
    int count;
    uint32_t flags = 0;
};

std::span<const DescriptorRow> arma_rows();
std::span<const DescriptorRow> calendar_rows();
std::span<const DescriptorRow> complex_rows();
std::span<const DescriptorRow> cumulate_rows();
std::span<const NamedRow> data_rows();
std::span<const DescriptorRow> distribution_family_rows();
std::span<const DescriptorRow> distribution_rows();
std::span<const DescriptorRow> distribution_gauss_rows();
std::span<const NamedRow> file_rows();
std::span<const DescriptorRow> gauss_builtin_rows();
std::span<const DescriptorRow> gauss_dll_rows();
std::span<const DescriptorRow> gauss_io_rows();
std::span<const NamedRow> gauss_file_rows();
std::span<const DescriptorRow> gauss_print_rows();
std::span<const DescriptorRow> higher_math_rows();
std::span<const DescriptorRow> higher_math_gauss_rows();
std::span<const DescriptorRow> linalg_decompose_rows();
std::span<const DescriptorRow> linalg_eigen_rows();
std::span<const DescriptorRow> linalg_inverse_rows();
std::span<const DescriptorRow> linalg_inverse_gauss_rows();
std::span<const DescriptorRow> linalg_qr_rows();
std::span<const DescriptorRow> linalg_rank_rows();
std::span<const DescriptorRow> linalg_rank_gauss_rows();
std::span<const DescriptorRow> linalg_reflect_rows();
std::span<const NamedRow> linalg_schur_rows();
std::span<const DescriptorRow> math_rows();
std::span<const DescriptorRow> math_gauss_rows();
std::span<const DescriptorRow> panel_rows();
std::span<const DescriptorRow> poly_rows();
std::span<const NamedRow> print_rows();
std::span<const DescriptorRow> random_rows();
std::span<const DescriptorRow> random_gauss_rows();
std::span<const DescriptorRow> random_draw_rows();
std::span<const DescriptorRow> random_sampling_rows();
std::span<const DescriptorRow> reduce_rows();
std::span<const DescriptorRow> reduce_gauss_rows();
std::span<const NamedRow> restriction_rows();
std::span<const DescriptorRow> select_rows();
std::span<const DescriptorRow> set_rows();
std::span<const DescriptorRow> shape_rows();
std::span<const DescriptorRow> shape_gauss_rows();
std::span<const DescriptorRow> sort_rows();
std::span<const DescriptorRow> string_rows();
std::span<const DescriptorRow> system_rows();
std::span<const DescriptorRow> timeseries_rows();
std::span<const DescriptorRow> trig_rows();
std::span<const DescriptorRow> trig_gauss_rows();
std::span<const DescriptorRow> type_rows();

// The GAUSS print format back to its defaults (/mb1 /ros 16,8, outwidth 80):
// a set-up step of the GAUSS input-output group.
void reset_gauss_format();

}  // namespace kj::lib
