// AVX2 kernels of the vector math functions. This file alone is built for
// AVX2 with FMA; vector_math.cpp calls it only on processors that have both.
#define KJ_VEC_WIDTH 4
#define KJ_VEC_TYPE __m256d
#define KJ_VEC(op) _mm256_##op
#define KJ_VEC_SLEEF(fn) Sleef_##fn##d4_u10avx2
#define KJ_VEC_ANY_GT(x, y) (_mm256_movemask_pd(_mm256_cmp_pd((x), (y), _CMP_GT_OQ)) != 0)
#define KJ_VEC_OUTSIDE(x, lo, hi)                                                                  \
    static_cast<unsigned>(_mm256_movemask_pd(                                                     \
        _mm256_or_pd(_mm256_cmp_pd(_mm256_andnot_pd(_mm256_set1_pd(-0.0), (x)), (lo), _CMP_NGE_UQ), \
                     _mm256_cmp_pd(_mm256_andnot_pd(_mm256_set1_pd(-0.0), (x)), (hi), _CMP_NLT_UQ))))
#define KJ_VEC_NAME(fn) fn##_avx2
#include "num/vector_math_body.h"
