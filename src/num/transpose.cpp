#include "num/transpose.h"

#include "num/split_in_two.h"

namespace kj::num {

namespace {
// An 8 x 8 tile: eight rows of a are read a cache line each, and each of the
// eight output rows gets one full cache line.
inline void tile8(double* out, std::size_t ro, const double* a, std::size_t ra) {
    for (int j = 0; j < 8; ++j) {
        double* o = out + j * ro;
        const double* p = a + j;
        for (int i = 0; i < 8; ++i) o[i] = p[i * ra];
    }
}
}  // namespace

namespace {
// Rows [row0, row1) of a into columns [row0, row1) of out.
void transpose_rows(double* out, const double* a, int r, int c, int row0, int row1) {
    const auto ra = static_cast<std::size_t>(c);  // row stride of a
    const auto ro = static_cast<std::size_t>(r);  // row stride of out
    // Blocks of 64 x 64 elements (32 KB each side) stay in the first-level
    // cache while their tiles are moved.
    constexpr int block = 64;
    for (int i0 = row0; i0 < row1; i0 += block) {
        const int i1 = i0 + block < row1 ? i0 + block : row1;
        for (int j0 = 0; j0 < c; j0 += block) {
            const int j1 = j0 + block < c ? j0 + block : c;
            int i = i0;
            for (; i + 8 <= i1; i += 8) {
                int j = j0;
                for (; j + 8 <= j1; j += 8) tile8(out + j * ro + i, ro, a + i * ra + j, ra);
                for (; j < j1; ++j)
                    for (int k = i; k < i + 8; ++k) out[j * ro + k] = a[k * ra + j];
            }
            for (; i < i1; ++i)
                for (int j = j0; j < j1; ++j) out[j * ro + i] = a[i * ra + j];
        }
    }
}

}  // namespace

void transpose_into(double* out, const double* a, int r, int c) {
    // A large transpose is split by rows of a between two threads.
    const std::size_t count = static_cast<std::size_t>(r) * static_cast<std::size_t>(c);
    if (count < (std::size_t{1} << 18) || r < 16) return transpose_rows(out, a, r, c, 0, r);
    split_in_two(static_cast<std::size_t>(r), 16, [&](std::size_t lo, std::size_t hi) {
        transpose_rows(out, a, r, c, static_cast<int>(lo), static_cast<int>(hi));
    });
}

}  // namespace kj::num
