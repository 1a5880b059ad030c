/* A host that registers native functions and drives them through the exported
 * accessors, setters and element-wise wrappers; output is captured through an
 * output pipe. Exits 0 when every check holds. */
#include <stdio.h>
#include <string.h>

#include <kj80x.h>

#include "check.h"

static char messages[1024];
static void on_message(const char *text) {
    strncat(messages, text, sizeof messages - strlen(messages) - 2);
    strcat(messages, "\n");
}

static char output[256];
static void on_puts(const char *text) { strncat(output, text, sizeof output - strlen(output) - 1); }

static double weigh(double x, double y) { return 10 * x + y; }

/* scale(x, k): every element of x times k; the result is always a matrix. */
static void fn_scale(KjValue *result, KjValue *args, int count) {
    double k = 0;
    double **m;
    int i, n;
    (void)count;
    KjValGetDouble(&args[1], &k);
    m = KjValGetMat(&args[0]);
    n = KjValGetMatrc(&args[0]);
    KjLibValMatDup(result, m, KjValGetMatr(&args[0]), KjValGetMatc(&args[0]));
    m = KjValGetMat(result);
    for (i = 0; i < n; ++i) m[0][i] *= k;
}

/* weigh(x, y): 10 x + y element-wise through the wrapper. */
static void fn_weigh(KjValue *result, KjValue *args, int count) {
    (void)count;
    KjFnDouble2(result, args, weigh);
}

/* label(s): "<s>" as a new string. */
static void fn_label(KjValue *result, KjValue *args, int count) {
    int len = KjValGetStringLen(&args[0]);
    char *s = KjLibValStrMalloc(result, len + 2);
    (void)count;
    s[0] = '<';
    KjValGetStringCopy(&args[0], s + 1, len + 1);
    s[len + 1] = '>';
}

static void test_registration(void) {
    messages[0] = '\0';
    CHECK(FKjLibAddFunction("cc$scale", fn_scale, 0) == 1);
    CHECK(FKjLibAddFunction("cc$weigh", fn_weigh, 0) == 1);
    CHECK(FKjLibAddFunctionEx("label", fn_label, 1, KJ_FLAG_SERIAL) == 1);
    CHECK(FKjLibAddFunction("c$acos", fn_label, 0) == 1); /* replaces the built-in */
    CHECK(messages[0] == '\0');

    CHECK(FKjLibAddFunction("cx$broken", fn_scale, 0) == 0);
    CHECK(FKjLibAddFunctionEx("ccc$broken", fn_scale, 2, 0) == 0);
    CHECK(strcmp(messages, "Link error: 'cx$broken' $ expected\n"
                           "Link error: 'ccc$broken' $ expected\n") == 0);
}

static void test_calls(void) {
    KjValue *args = KjStoreCreate(2);
    KjValue result;
    const double x[4] = {3, 0, 6, 8}; /* row by row */
    double out[4];
    int i;

    CHECK(args != NULL);
    CHECK(KjValHasType(&args[0], KJ_TYPE_INT));

    KjValSetVecr(&args[0], x, 2, 2);
    KjValSetInt(&args[1], 2);
    KjValSetZero(&result);
    fn_scale(&result, args, 2);
    CHECK(KjValHasType(&result, KJ_TYPE_MATRIX) && KjValHasFlag(&result, KJ_FLAG_OWNS));
    CHECK(KjValGetVecr(&result, out) == 1);
    CHECK(out[0] == 6 && out[1] == 0 && out[2] == 12 && out[3] == 16);
    CHECK(KjValHasType(&args[1], KJ_TYPE_DOUBLE)); /* converted in place */
    KjFreeByValue(&result);

    KjValSetMatZero(&args[1], 1, 1);
    KjValGetMat(&args[1])[0][0] = 4;
    KjValSetZero(&result);
    fn_weigh(&result, args, 2);
    CHECK(KjValSizer(&result) == 2 && KjValSizec(&result) == 2);
    KjValGetVecc(&result, out);
    CHECK(out[0] == 34 && out[1] == 64 && out[2] == 4 && out[3] == 84); /* by column */
    KjFreeByValue(&result);

    KjValSetString(&args[0], "kj");
    KjValSetZero(&result);
    fn_label(&result, args, 1);
    CHECK(strcmp(KjValGetString(&result), "<kj>") == 0);
    CHECK(KjValGetStringLen(&result) == 4);
    CHECK(KjValSizerc(&result) == 4);
    KjFreeByValue(&result);

    KjValSetArray(&args[1], 3);
    for (i = 0; i < 3; ++i) KjValSetDouble(KjValGetArrayVal(&args[1], i), i + 0.5);
    CHECK(KjValGetArrayLen(&args[1]) == 3 && KjValGetArrayVal(&args[1], 3) == NULL);
    KjValDuplicate(&result, &args[1]);
    CHECK(KjValGetArray(&result) != KjValGetArray(&args[1]));
    CHECK(KjValGetArrayVal(&result, 2)->u.dval == 2.5);
    KjFreeByValue(&result);
    CHECK(strcmp(SKjGetTypeName(KjValType(&args[1])), "array") == 0);

    KjStoreDelete(args, 2);
}

static void test_output(void) {
    output[0] = '\0';
    SetKjPipe(1024);
    SetKjPuts(on_puts);
    KjPuts("hello ");
    KjPuts("host\n");
    CHECK(strcmp(output, "hello host\n") == 0);
    SetKjPipe(-1);
}

int main(void) {
    CHECK(KjMainInit() == 1);
    SetKjMessage(on_message);
    test_registration();
    test_calls();
    test_output();
    KjMainExit();
    if (failures == 0) printf("native_host: all checks passed\n");
    return failures == 0 ? 0 : 1;
}
