// Creation and shape built-ins (zeros ... aggregater): their registration
// rows, for the general group and for the GAUSS-dialect aliases that share the
// native functions.
#pragma once

#include <span>

#include "lib/library_groups.h"

namespace kj::lib {

std::span<const DescriptorRow> shape_rows();
std::span<const DescriptorRow> shape_gauss_rows();

}  // namespace kj::lib
