/* A kernel library with plain methods: the matrix product as the textbook
 * triple loop and the symmetric eigenproblem by cyclic Jacobi rotations.
 * Slower than the library's own kernels; it shows how a kernel library is
 * written and gives the tests an independent second method.
 *
 * Built as kjkernelnaive_64.so (kj -knaive). With KJ_KERNEL_MATMUL_ONLY it is
 * kjkernelmatmul_64.so, which replaces the product only and has no info
 * function. Both also export the package function naive_calls, so that a
 * program can see which kernels ran:
 *     extern "kjkernelnaive,naive_calls" naive_calls();   // <matmul calls, eigensym calls>
 */
#include <math.h>
#include <stdlib.h>

#include <kj80x.h>

static double matmul_calls = 0, eigensym_calls = 0;

KJ_EXPORT void KjKnlMatmul(double **y, double **a, int ra, int ca, double **b, int rb, int cb,
                           int transpose_a, int transpose_b) {
    const int m = transpose_a ? ca : ra, inner = transpose_a ? ra : ca, n = transpose_b ? rb : cb;
    ++matmul_calls;
    for (int i = 0; i < m; ++i)
        for (int j = 0; j < n; ++j) {
            double sum = 0;
            for (int k = 0; k < inner; ++k)
                sum += (transpose_a ? a[k][i] : a[i][k]) * (transpose_b ? b[j][k] : b[k][j]);
            y[i][j] = sum;
        }
}

#ifndef KJ_KERNEL_MATMUL_ONLY

KJ_EXPORT void KjKnlInfo(int what, int level) {
    (void)what;
    if (level > 1) KjMessage("kjkernelnaive: triple-loop matrix product, Jacobi symmetric eigenproblem");
}

/* One rotation in the (p, q) plane that zeroes a[p][q]; v collects them. */
static void rotate(double **a, double **v, int n, int p, int q) {
    const double theta = (a[q][q] - a[p][p]) / (2 * a[p][q]);
    const double t = (theta >= 0 ? 1.0 : -1.0) / (fabs(theta) + sqrt(theta * theta + 1));
    const double c = 1 / sqrt(t * t + 1), s = t * c;
    for (int k = 0; k < n; ++k) {
        const double akp = a[k][p], akq = a[k][q];
        a[k][p] = c * akp - s * akq;
        a[k][q] = s * akp + c * akq;
        const double vkp = v[k][p], vkq = v[k][q];
        v[k][p] = c * vkp - s * vkq;
        v[k][q] = s * vkp + c * vkq;
    }
    for (int k = 0; k < n; ++k) {
        const double apk = a[p][k], aqk = a[q][k];
        a[p][k] = c * apk - s * aqk;
        a[q][k] = s * apk + c * aqk;
    }
}

static double off_diagonal(double **a, int n) {
    double sum = 0;
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
            if (i != j) sum += a[i][j] * a[i][j];
    return sum;
}

/* Eigenvalues in decreasing order; with vectors, the eigenvectors replace the
 * rows of a in the same order. 0 success, 1 no convergence, 2 bad argument or
 * out of memory. */
KJ_EXPORT int KjKnlEigensym(double **a, int n, double *eval, int vectors) {
    ++eigensym_calls;
    if (!a || !eval || n < 0) return 2;
    if (n == 0) return 0;
    double **w = MatAllocBlock(n, n), **v = MatAllocBlock(n, n);
    int *order = malloc(sizeof(int) * (size_t)n);
    if (!w || !v || !order) {
        if (w) MatFreeBlock(w);
        if (v) MatFreeBlock(v);
        free(order);
        return 2;
    }
    double norm = 0;
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            w[i][j] = a[i][j];
            v[i][j] = i == j;
            norm += a[i][j] * a[i][j];
        }
    int sweep = 0;
    for (; sweep < 100 && off_diagonal(w, n) > 1e-30 * norm; ++sweep)
        for (int p = 0; p < n - 1; ++p)
            for (int q = p + 1; q < n; ++q)
                if (w[p][q] != 0) rotate(w, v, n, p, q);
    const int status = sweep == 100 ? 1 : 0;
    for (int i = 0; i < n; ++i) order[i] = i;
    for (int i = 1; i < n; ++i)  /* insertion sort, decreasing */
        for (int j = i; j > 0 && w[order[j]][order[j]] > w[order[j - 1]][order[j - 1]]; --j) {
            const int t = order[j];
            order[j] = order[j - 1];
            order[j - 1] = t;
        }
    for (int i = 0; i < n; ++i) {
        eval[i] = w[order[i]][order[i]];
        if (vectors)
            for (int k = 0; k < n; ++k) a[i][k] = v[k][order[i]];
    }
    MatFreeBlock(w);
    MatFreeBlock(v);
    free(order);
    return status;
}

#endif

/* naive_calls(): the number of products and eigenproblems this library has
 * computed, as <matmul, eigensym>. */
KJ_EXPORT void naive_calls(KjValue *result, KjValue *args, int count) {
    double counts[2] = {matmul_calls, eigensym_calls};
    (void)args;
    (void)count;
    KjValSetVecr(result, counts, 1, 2);
}
