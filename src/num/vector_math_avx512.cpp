// AVX-512 kernels of the vector math functions. This file alone is built for
// AVX-512; vector_math.cpp calls it only on processors that have it.
#define KJ_VEC_WIDTH 8
#define KJ_VEC_TYPE __m512d
#define KJ_VEC(op) _mm512_##op
#define KJ_VEC_SLEEF(fn) Sleef_##fn##d8_u10avx512f
#define KJ_VEC_ANY_GT(x, y) (_mm512_cmp_pd_mask((x), (y), _CMP_GT_OQ) != 0)
#define KJ_VEC_OUTSIDE(x, lo, hi)                                      \
    static_cast<unsigned>(_mm512_cmp_pd_mask(_mm512_abs_pd(x), (lo), _CMP_NGE_UQ) | \
                          _mm512_cmp_pd_mask(_mm512_abs_pd(x), (hi), _CMP_NLT_UQ))
#define KJ_VEC_NAME(fn) fn##_avx512
#include "num/vector_math_body.h"
