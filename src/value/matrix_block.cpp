#include "value/matrix_block.h"

#include <cstdint>
#include <cstring>

#include "runtime/alloc.h"
#include "value/big_blocks.h"

namespace kj::value {

using runtime::payload_bytes;
using runtime::raw_alloc;
using runtime::raw_calloc;
using runtime::raw_free;

void** block_alloc(int r, int c, std::size_t elem_size) {
    if (r < 1) return nullptr;
    // The element count is formed in 64 bits: r x c may exceed any 32-bit
    // count, and a block larger than the machine is refused before the
    // pointer array is made.
    const std::uint64_t bytes = c < 1 ? 0 : payload_bytes(static_cast<std::uint64_t>(r) * static_cast<std::uint64_t>(c), elem_size);
    if (c >= 1 && bytes == 0) return nullptr;
    // One hidden slot before row 0 keeps the element block. The row pointers
    // of a long column are as big as its elements, so they come from the same
    // store of reused blocks.
    auto** slots = static_cast<void**>(element_block_alloc((static_cast<std::size_t>(r) + 1) * sizeof(void*)));
    if (!slots) return nullptr;
    void** m = slots + 1;
    if (c < 1) {
        std::memset(slots, 0, (static_cast<std::size_t>(r) + 1) * sizeof(void*));
        return m;
    }
    auto* block = static_cast<char*>(element_block_alloc(bytes));
    if (!block) {
        element_block_free(slots);
        return nullptr;
    }
    slots[0] = block;
    const std::size_t row_bytes = static_cast<std::size_t>(c) * elem_size;
    for (int i = 0; i < r; ++i) m[i] = block + static_cast<std::size_t>(i) * row_bytes;
    return m;
}

void block_free(void** m) {
    if (!m) return;
    void** slots = m - 1;
    element_block_free(slots[0]);
    element_block_free(slots);
}

double** relabel_rows(double** m, int r, int c) {
    auto** slots = static_cast<double**>(element_block_alloc((static_cast<std::size_t>(r) + 1) * sizeof(double*)));
    if (!slots) return nullptr;
    double* block = m[-1];
    slots[0] = block;
    for (int i = 0; i < r; ++i) slots[i + 1] = block + static_cast<std::size_t>(i) * static_cast<std::size_t>(c);
    element_block_free(m - 1);
    return slots + 1;
}

void** ptr_array_alloc(int n) {
    if (n < 1) return nullptr;
    return static_cast<void**>(raw_calloc(static_cast<std::size_t>(n), sizeof(void*)));
}

char** str_array_dup(char** src, int n) {
    if (!src || n < 1) return nullptr;
    auto** dst = reinterpret_cast<char**>(ptr_array_alloc(n));
    if (!dst) return nullptr;
    for (int i = 0; i < n; ++i) {
        if (!src[i]) continue;
        std::size_t len = std::strlen(src[i]);
        dst[i] = static_cast<char*>(raw_alloc(len + 1));
        if (!dst[i]) {
            ptr_array_free(reinterpret_cast<void**>(dst), n);
            return nullptr;
        }
        std::memcpy(dst[i], src[i], len + 1);
    }
    return dst;
}

void ptr_array_free(void** a, int n) {
    if (!a) return;
    for (int i = 0; i < n; ++i) raw_free(a[i]);
    raw_free(a);
}

bool data_equal(double a, double b) {
    bool na = FIsNaN(a), nb = FIsNaN(b);
    if (na || nb) return na && nb;
    return a == b;
}

}  // namespace kj::value

// ---------------------------------------------------------------------------
// Exported block routines
// ---------------------------------------------------------------------------
using namespace kj::value;

extern "C" {

double** MatAllocBlock(int r, int c) {
    return reinterpret_cast<double**>(block_alloc(r, c, sizeof(double)));
}
void MatFreeBlock(double** m) { block_free(reinterpret_cast<void**>(m)); }
int** IntMatAllocBlock(int r, int c) {
    return reinterpret_cast<int**>(block_alloc(r, c, sizeof(int)));
}
void IntMatFreeBlock(int** m) { block_free(reinterpret_cast<void**>(m)); }

double** MatCopy(double** dst, double** src, int r, int c) {
    if (!dst || !src) return nullptr;
    if (r < 1 || c < 1) return dst;
    // Rows are contiguous in both blocks unless a caller swapped row pointers.
    for (int i = 0; i < r; ++i) std::memcpy(dst[i], src[i], static_cast<std::size_t>(c) * sizeof(double));
    return dst;
}
double** MatCpy(double** dst, double** src, int r, int c) { return MatCopy(dst, src, r, c); }

double** MatDup(double** src, int r, int c) {
    double** m = MatAllocBlock(r, c);
    if (m && src) MatCopy(m, src, r, c);
    return m;
}

double** MatCopyVecc(double** dst, const double* vec, int r, int c) {
    if (!dst || !vec) return dst;
    for (int j = 0; j < c; ++j)
        for (int i = 0; i < r; ++i) dst[i][j] = vec[static_cast<std::size_t>(j) * r + i];
    return dst;
}
double** MatCopyVecr(double** dst, const double* vec, int r, int c) {
    if (!dst || !vec) return dst;
    for (int i = 0; i < r; ++i)
        std::memcpy(dst[i], vec + static_cast<std::size_t>(i) * c, static_cast<std::size_t>(c) * sizeof(double));
    return dst;
}
double* VeccCopyMat(double* vec, double** src, int r, int c) {
    if (!vec || !src) return vec;
    for (int j = 0; j < c; ++j)
        for (int i = 0; i < r; ++i) vec[static_cast<std::size_t>(j) * r + i] = src[i][j];
    return vec;
}
double* VecrCopyMat(double* vec, double** src, int r, int c) {
    if (!vec || !src) return vec;
    for (int i = 0; i < r; ++i)
        std::memcpy(vec + static_cast<std::size_t>(i) * c, src[i], static_cast<std::size_t>(c) * sizeof(double));
    return vec;
}

double MatGetAt(double** m, int i, int j) { return m[i][j]; }
void MatSetAt(double** m, double x, int i, int j) { m[i][j] = x; }

double** MatZero(double** m, int r, int c) {
    if (!m || c < 1) return m;  // zero columns: the rows have no elements
    for (int i = 0; i < r; ++i) std::memset(m[i], 0, static_cast<std::size_t>(c) * sizeof(double));
    return m;
}
double** MatI(double** m, int n) {
    if (!m) return m;
    MatZero(m, n, n);
    for (int i = 0; i < n; ++i) m[i][i] = 1.0;
    return m;
}
double** MatNaN(double** m, int r, int c) {
    if (!m) return m;
    for (int i = 0; i < r; ++i)
        for (int j = 0; j < c; ++j) SetNaN(&m[i][j]);
    return m;
}

double* VecAllocBlock(int n) {
    if (n < 1) return nullptr;
    return static_cast<double*>(raw_alloc(static_cast<std::size_t>(n) * sizeof(double)));
}
void VecFreeBlock(double* v) { raw_free(v); }
double* VecCopy(double* dst, const double* src, int n) {
    if (!dst || n == 0) return nullptr;
    if (src && n > 0) std::memcpy(dst, src, static_cast<std::size_t>(n) * sizeof(double));
    return dst;
}
double* VecDupBlock(const double* src, int n) {
    if (n == 0) return nullptr;
    double* v = VecAllocBlock(n);
    if (v && src) std::memcpy(v, src, static_cast<std::size_t>(n) * sizeof(double));
    return v;
}

// The special-value tests look at the bit pattern only.
static inline uint64_t bits_of(double x) {
    uint64_t b;
    std::memcpy(&b, &x, sizeof b);
    return b;
}
void SetNaN(double* x) {
    const uint64_t b = 0x7FF8000000000000ull;
    std::memcpy(x, &b, sizeof b);
}
void SetInf(double* x) {
    const uint64_t b = 0x7FF0000000000000ull;
    std::memcpy(x, &b, sizeof b);
}
int FIsNaN(double x) {
    uint64_t b = bits_of(x);
    return (b & 0x7FF0000000000000ull) == 0x7FF0000000000000ull && (b & 0x000FFFFFFFFFFFFFull) != 0;
}
int FIsInf(double x) {
    uint64_t b = bits_of(x);
    return (b & 0x7FF0000000000000ull) == 0x7FF0000000000000ull && (b & 0x000FFFFFFFFFFFFFull) == 0;
}
int FIsInfOrNaN(double x) { return (bits_of(x) & 0x7FF0000000000000ull) == 0x7FF0000000000000ull; }
int IsDbMissing(double x) { return FIsNaN(x); }

}  // extern "C"
