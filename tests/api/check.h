/* The one assertion of the C host tests: reports the failed condition with its
 * place and counts it; main returns failures != 0. */
#ifndef KJ_TESTS_API_CHECK_H
#define KJ_TESTS_API_CHECK_H

#include <stdio.h>

static int failures = 0;
#define CHECK(cond)                                                              \
    do {                                                                         \
        if (!(cond)) {                                                           \
            fprintf(stderr, "%s:%d: failed: %s\n", __FILE__, __LINE__, #cond);   \
            ++failures;                                                          \
        }                                                                        \
    } while (0)

#endif
