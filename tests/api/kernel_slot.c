/* A host that replaces the general-inverse kernel through the C interface:
 * invert() in a program must go through the replacement, the exported
 * routine too, and installing null must bring the default back. */
#include <stdio.h>
#include <string.h>

#include <kj80x.h>

#include "check.h"

static char output[4096];
static void on_puts(const char *text) { strncat(output, text, sizeof output - strlen(output) - 1); }
static void on_message(const char *text) { (void)text; }

static KjKnlInvertFn default_invert;
static int calls = 0;

/* Counts, then delegates to the kernel that was installed before. */
static int counting_invert(double **a, int n, double *logdet, int *sign) {
    ++calls;
    return default_invert(a, n, logdet, sign);
}

static int run_program(void) {
    const char *source = "main() { println(\"inv \", invert(<4,3;6,3>)[0][1]); }\n";
    FILE *f = fopen("kernel_slot.kj", "w");
    if (!f) return -1;
    fputs(source, f);
    fclose(f);
    output[0] = '\0';
    KjMainInit();
    SetKjPipe(0);
    SetKjPuts(on_puts);
    SetKjMessage(on_message);
    return KjMainCmd("-b kernel_slot.kj");
}

int main(void) {
    double **a = MatAllocBlock(2, 2);
    CHECK(KjMainInit() == 1);
    default_invert = (KjKnlInvertFn)KjGetKernel("KjKnlInvert");
    CHECK(default_invert != NULL);
    CHECK(KjGetKernel("KjKnlNoSuchKernel") == NULL);
    CHECK(FKjSetKernel("KjKnlNoSuchKernel", (void *)counting_invert) == 0);

    CHECK(FKjSetKernel("KjKnlInvert", (void *)counting_invert) == 1);
    CHECK(KjGetKernel("KjKnlInvert") == (void *)counting_invert);
    CHECK(run_program() > 0);
    CHECK(calls == 1);
    CHECK(strstr(output, "inv 0.5") != NULL);

    /* The exported routine goes through the slot as well. */
    a[0][0] = 2; a[0][1] = 0; a[1][0] = 0; a[1][1] = 4;
    CHECK(IInvert(a, 2) == 0);
    CHECK(calls == 2);
    CHECK(a[0][0] == 0.5 && a[1][1] == 0.25);

    /* Null restores the default: no more calls arrive here. */
    CHECK(FKjSetKernel("KjKnlInvert", NULL) == 1);
    CHECK(KjGetKernel("KjKnlInvert") == (void *)default_invert);
    CHECK(run_program() > 0);
    CHECK(calls == 2);
    CHECK(strstr(output, "inv 0.5") != NULL);

    MatFreeBlock(a);
    KjMainExit();
    if (failures) fprintf(stderr, "%d check(s) failed\n", failures);
    return failures ? 1 : 0;
}
