// Reductions per column, per row and over whole matrices (sumc ...
// correlation): their registration rows, for the general group and for the
// GAUSS-dialect aliases that share the native functions.
#pragma once

#include <span>

#include "lib/library_groups.h"

namespace kj::lib {

std::span<const DescriptorRow> reduce_rows();
std::span<const DescriptorRow> reduce_gauss_rows();

}  // namespace kj::lib
