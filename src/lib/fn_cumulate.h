// Cumulation, lags and differences down the columns (cumsum, cumprod,
// cumulate, lag, lag0, diff, diff0): their registration rows.
#pragma once

#include <span>

#include "lib/library_groups.h"

namespace kj::lib {

std::span<const DescriptorRow> cumulate_rows();

}  // namespace kj::lib
