/* A kernel library loaded with -k replaces exactly the slots it exports:
 * the product-only library leaves the other eight kernels as they were. */
#include <stdio.h>
#include <string.h>

#include <kj80x.h>

static const char *slots[] = {"KjKnlCholeski", "KjKnlInvertsym", "KjKnlInvert", "KjKnlEigensym", "KjKnlEigen",
                              "KjKnlDecqr", "KjKnlDecsvd", "KjKnlFFT1d", "KjKnlMatmul"};

static void quiet(const char *text) { (void)text; }

int main(void) {
    void *before[9];
    int failures = 0;
    FILE *f = fopen("kernel_library.kj", "w");
    if (!f) return 1;
    fputs("main() { println(<1,2;3,4> * <5,6;7,8>); }\n", f);
    fclose(f);
    KjMainInit();
    SetKjMessage(quiet);
    for (int k = 0; k < 9; ++k) before[k] = KjGetKernel(slots[k]);
    /* -r- keeps the runtime (and the slots) as the run left them. */
    if (KjMainCmd("-b -r- -kmatmul kernel_library.kj") <= 0) {
        fprintf(stderr, "the program did not link\n");
        ++failures;
    }
    for (int k = 0; k < 9; ++k) {
        const int replaced = KjGetKernel(slots[k]) != before[k];
        if (replaced != (strcmp(slots[k], "KjKnlMatmul") == 0)) {
            fprintf(stderr, "%s: %s\n", slots[k], replaced ? "replaced" : "kept");
            ++failures;
        }
    }
    /* Null brings the default back. */
    FKjSetKernel("KjKnlMatmul", NULL);
    if (KjGetKernel("KjKnlMatmul") != before[8]) {
        fprintf(stderr, "default product not restored\n");
        ++failures;
    }
    KjMainExit();
    return failures ? 1 : 0;
}
