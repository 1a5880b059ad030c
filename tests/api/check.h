/* The check macros of the C host tests: a failed check prints its place and
 * condition and is counted; main returns the count's verdict. */
#ifndef KJ_TESTS_API_CHECK_H
#define KJ_TESTS_API_CHECK_H

#include <math.h>
#include <stdio.h>

static int failures = 0;
#define CHECK(cond)                                                             \
    do {                                                                        \
        if (!(cond)) {                                                          \
            fprintf(stderr, "%s:%d: failed: %s\n", __FILE__, __LINE__, #cond); \
            ++failures;                                                         \
        }                                                                       \
    } while (0)
#define CHECK_NEAR(a, b, tol) CHECK(fabs((a) - (b)) <= (tol))

#endif
