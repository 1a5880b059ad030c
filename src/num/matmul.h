// The matrix product: every product of the interpreter and of the product
// routines goes through the KjKnlMatmul slot of the kernel table
// (num/linalg_kernels.h), which a kernel library may replace; null restores
// the default.
#pragma once

namespace kj::num {

// y = op(a) * op(b), op transposing its operand when the flag is 1.
// a is ra x ca and b is rb x cb as stored; the inner dimensions of op(a) and
// op(b) must agree. y must have room for the product and must not be a or b.
// Blocks are row-pointer arrays (value/matrix_block.h); empty products write
// zeros (an inner dimension of 0) or nothing (an outer dimension of 0).
using MatmulKernel = void (*)(double** y, double** a, int ra, int ca, double** b, int rb, int cb,
                              int transpose_a, int transpose_b);

void set_matmul_kernel(MatmulKernel kernel);
MatmulKernel matmul_kernel();

// Through the installed kernel.
void matmul(double** y, double** a, int ra, int ca, double** b, int rb, int cb, int transpose_a = 0,
            int transpose_b = 0);
// The same for blocks whose rows are known to lie one after the other (as
// the rows of every value's block do): the default kernel then skips reading
// all row pointers to find that out, which costs a noticeable part of a
// product of a tall matrix with few columns.
void matmul_contiguous(double** y, double** a, int ra, int ca, double** b, int rb, int cb, int transpose_a = 0,
                       int transpose_b = 0);

// The default kernel. Contiguous blocks of useful size go to the optimised
// BLAS (dsyrk for a'a, ddot for row times column, dgemm otherwise), which is
// loaded on the first such product; small products, blocks whose row
// pointers were rearranged and a system without BLAS use the blocked loops
// of matmul_rows.
void matmul_default(double** y, double** a, int ra, int ca, double** b, int rb, int cb,
                    int transpose_a, int transpose_b);
// The portable kernel: row-pointer loops, blocked for the cache.
void matmul_rows(double** y, double** a, int ra, int ca, double** b, int rb, int cb,
                 int transpose_a, int transpose_b);

}  // namespace kj::num
