#include "num/tall_product.h"

#include <algorithm>
#include <array>
#include <cstddef>

#include "num/instruction_sets.h"
#include "num/split_in_two.h"
#include "num/tall_product_kernels.h"

namespace kj::num {

namespace {

// Rows per half below which one thread does it all.
constexpr std::size_t k_split_rows = 16384;

using Sums = std::array<double, k_tall_max_columns * k_tall_max_columns>;

}  // namespace

bool tall_transposed_product(double* y, const double* a, int ca, const double* b, int cb, long r) {
    if (ca < 1 || cb < 1 || ca > k_tall_max_columns || cb > k_tall_max_columns || r < k_tall_min_rows ||
        instruction_set() == InstructionSet::Scalar)
        return false;
    const int stride = 4 * ((cb + 3) / 4);
    // Each half of the rows sums into its own block; the halves are added.
    Sums first{}, second{};
    split_in_two(static_cast<std::size_t>(r), 2 * k_split_rows, [&](std::size_t lo, std::size_t hi) {
        double* acc = lo == 0 ? first.data() : second.data();
        const auto from = static_cast<long>(lo);
        kernels::tall_product_avx2(acc, a + from * ca, ca, b + from * cb, cb, static_cast<long>(hi - lo));
    });
    for (int i = 0; i < ca; ++i)
        for (int j = 0; j < cb; ++j) y[i * cb + j] = first[i * stride + j] + second[i * stride + j];
    return true;
}

}  // namespace kj::num
