#include "num/random/sampling.h"

#include <cmath>
#include <utility>

#include "num/random/generator_state.h"

namespace kj::num {

// Knuth's algorithm S: index i is taken when the number still needed exceeds
// u times the number of candidates left.
void ran_subsample(KjRanState& s, int* out, int k, int n) {
    int taken = 0;
    for (int i = 0; i < n && taken < k; ++i)
        if (k - taken > ran_u(s) * (n - i)) out[taken++] = i;
}

void ran_shuffle(KjRanState& s, double* x, std::size_t k, std::size_t n) {
    for (std::size_t i = 0; i < k; ++i) {
        std::size_t j = i + static_cast<std::size_t>(ran_u(s) * static_cast<double>(n - i));
        if (j >= n) j = n - 1;
        std::swap(x[i], x[j]);
    }
}

// Normalised cumulative sums of n + 1 standard exponentials.
void ran_uorder(KjRanState& s, double* out, int n) {
    double sum = 0;
    for (int i = 0; i < n; ++i) out[i] = sum += -std::log(ran_u(s));
    sum += -std::log(ran_u(s));
    for (int i = 0; i < n; ++i) out[i] /= sum;
}

}  // namespace kj::num
