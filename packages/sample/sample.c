/* A sample package: the starting point for packages of your own.
 *
 * Every function that Kj calls has the signature of a built-in function:
 * the result record (an int 0 on entry), the arguments and their count. Read
 * arguments with the KjValGet... accessors, check them with KjLibArg...
 * (which report "name(): ..." and end the run), and leave the result with
 * KjValSet... . Mark each such function KJ_EXPORT and declare it in the
 * package's Kj header with its binding: extern "sample,sample_clip" ... .
 */
#include <string.h>

#include <kj80x.h>

/* clip(m, lo, hi): the elements of m limited to [lo, hi]. */
KJ_EXPORT void sample_clip(KjValue *result, KjValue *args, int count) {
    double lo, hi;
    (void)count;
    if (!KjValGetMat(&args[0])) KjLibArgError(0);
    if (!KjValGetDouble(&args[1], &lo)) KjLibArgError(1);
    if (!KjValGetDouble(&args[2], &hi) || hi < lo) KjLibArgError(2);
    const int r = KjValGetMatr(&args[0]), c = KjValGetMatc(&args[0]);
    double **y = KjLibValMatDup(result, KjValGetMat(&args[0]), r, c);
    for (int i = 0; i < r; ++i)
        for (int j = 0; j < c; ++j)
            y[i][j] = y[i][j] < lo ? lo : y[i][j] > hi ? hi : y[i][j];
}

/* words(s): an array of the blank-separated words of s. */
KJ_EXPORT void sample_words(KjValue *result, KjValue *args, int count) {
    const char *s = KjValGetString(&args[0]);
    int n = 0, len = KjValGetStringLen(&args[0]);
    (void)count;
    if (!s) KjLibArgTypeError(0, KJ_TYPE_STRING, &args[0]);
    for (int i = 0; i < len; ++i)
        if (s[i] != ' ' && (i == 0 || s[i - 1] == ' ')) ++n;
    KjValue *words = KjLibValArrayCalloc(result, n);
    for (int i = 0, k = 0; i < len; ++i) {
        if (s[i] == ' ' || (i > 0 && s[i - 1] != ' ')) continue;
        int end = i;
        while (end < len && s[end] != ' ') ++end;
        char *w = KjLibValStrMalloc(&words[k++], end - i);
        memcpy(w, s + i, (size_t)(end - i));
    }
}
