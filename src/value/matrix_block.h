// Matrix blocks: an array of row pointers over one contiguous row-major block.
// A hidden slot before m[0] holds the element block, which is what is freed.
#pragma once

#include <kj80x.h>

#include <cstddef>

namespace kj::value {

// Generic block of elements of `elem_size` bytes with the same layout.
void** block_alloc(int r, int c, std::size_t elem_size);
void block_free(void** m);
// The same element block as r x c (r * c elements, r >= 1, c >= 1, the block's
// element count): a new row-pointer array replaces m's, which is freed.
// Null when the new array cannot be had; m is then unchanged.
double** relabel_rows(double** m, int r, int c);

// Pointer arrays.
void** ptr_array_alloc(int n);                      // zeroed
char** str_array_dup(char** src, int n);            // null entries stay null
void ptr_array_free(void** a, int n);               // frees entries, then the array

// Data equality: both NaN, or neither NaN and numerically equal.
bool data_equal(double a, double b);

}  // namespace kj::value
