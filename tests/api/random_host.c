/* A native package's view of the random numbers: the default sequence, a
 * record of its own handed out by a locker, a generator of its own, and the
 * vector draws. Exits 0 when every check holds. */
#include <math.h>
#include <stdio.h>
#include <string.h>

#include <kj80x.h>

#include "check.h"

static KjRanState own;
static int lock_calls = 0;
static KjRanState *locker(int lock) {
    lock_calls += lock;
    return &own;
}

/* A generator that counts in steps of 2^28. */
static uint32_t counter = 0;
static uint32_t count_draw(KjRanState *s) {
    (void)s;
    return counter += 0x10000000u;
}
static void count_seed(KjRanState *s, const int *seed, int n) {
    (void)s;
    counter = n > 0 ? (uint32_t)seed[0] : 0;
}
static int count_get(KjRanState *s, int *seed, int n) {
    (void)s;
    if (seed && n > 0) seed[0] = (int)counter;
    return 1;
}

int main(void) {
    double **m;
    int idx[3], i;
    char buf[32];

    RanInit(NULL);
    RanSetSeed(NULL, 0);
    snprintf(buf, sizeof buf, "%.17g", DRanU());
    CHECK(strcmp(buf, "0.56444303693402798") == 0);
    CHECK(RanGetSeed(NULL, 0) == 258);

    /* Draws through a locker use its record and leave the global one alone. */
    RanInit(&own);
    SetRanLocker(locker);
    RanSetRan("PM");
    CHECK(IRanU() == 43361907u);
    CHECK(lock_calls == 2);
    SetRanLocker(NULL);
    snprintf(buf, sizeof buf, "%.17g", DRanU());
    CHECK(strcmp(buf, "0.76993547210078195") == 0);

    RanNewRNG(count_draw, count_seed, count_get, NULL);
    RanSetSeed(NULL, 0);
    CHECK(DRanU() == 0.0625);
    m = MatAllocBlock(2, 2);
    MatRan(m, 2, 2);
    CHECK(m[0][0] == 0.125 && m[1][1] == 0.3125);
    RanSetRan("MWC_52");

    RanSubSample(idx, 3, 5);
    CHECK(idx[0] < idx[1] && idx[1] < idx[2] && idx[2] < 5 && idx[0] >= 0);
    m[0][0] = 1, m[1][0] = 0, m[1][1] = 1;
    RanWishart(m, 3, m, 2);
    CHECK(m[0][1] == m[1][0] && m[0][0] > 0 && m[1][1] > 0);
    MatFreeBlock(m);
    CHECK(isnan(DRanGamma(-1, 1)) && IRanPoisson(-1) == 0 && IRanBinomial(5, 1) == 5);
    for (i = 0; i < 100; ++i) CHECK(DRanBeta(2, 3) > 0);
    RanInit(NULL);
    return failures == 0 ? 0 : 1;
}
