/* A host and parallel loops: the thread count it sets and reads back, and
 * KjRunAbort from another thread stopping every worker of a long loop
 * promptly, after which the next run works normally. */
#define _POSIX_C_SOURCE 200809L
#include <pthread.h>
#include <stdio.h>
#include <string.h>
#include <time.h>

#include <kj80x.h>

#include "check.h"
#include "host_run.h"

static char output[8192];
static char messages[8192];
static struct timespec aborted_at;

static int started;  /* the program says so before its loop */

static void on_puts(const char *text) { strncat(output, text, sizeof output - strlen(output) - 1); }

/* hoststarted(): called by the program before its loop. */
static void fn_started(KjValue *result, KjValue *args, int count) {
    (void)args;
    (void)count;
    __atomic_store_n(&started, 1, __ATOMIC_RELEASE);
    KjValSetInt(result, 1);
}
/* hostsquare(x): host code, registered two ways below. */
static void fn_square(KjValue *result, KjValue *args, int count) {
    double x = 0;
    (void)count;
    KjValGetDouble(&args[0], &x);
    KjValSetDouble(result, x * x);
}

static void on_message(const char *text) {
    strncat(messages, text, sizeof messages - strlen(messages) - 2);
    strcat(messages, "\n");
}

static double seconds_since(const struct timespec *t) {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (double)(now.tv_sec - t->tv_sec) + (double)(now.tv_nsec - t->tv_nsec) * 1e-9;
}

/* Aborts a while after the program has started its loop. */
static void *abort_later(void *arg) {
    struct timespec pause = {0, 0}, poll = {0, 1000 * 1000};
    pause.tv_nsec = *(const long *)arg;
    while (!__atomic_load_n(&started, __ATOMIC_ACQUIRE)) nanosleep(&poll, NULL);
    nanosleep(&pause, NULL);
    clock_gettime(CLOCK_MONOTONIC, &aborted_at);
    KjRunAbort();
    return NULL;
}

static int run_source(const char *source, const char *threads) {
    char switches[64];
    output[0] = messages[0] = '\0';
    snprintf(switches, sizeof switches, "-b %s", threads);
    return run_source_file("parallel_host_prog.kj", source, switches, on_puts, on_message);
}

static const char *k_long_loop =
    "#include <kjstd.kjh>\n"
    "main()\n{\n"
    "    decl i;\n"
    "    hoststarted();\n"
    "    parallel for (i = 0; i < 2000000000; ++i)\n"
    "    {\n"
    "        decl x = sqrt(i) + ranu(1, 1);\n"
    "    }\n"
    "    println(\"finished\");\n}\n";

static const char *k_host_function_loop =
    "#include <kjstd.kjh>\n"
    "main()\n{\n"
    "    decl i, res = zeros(100, 1);\n"
    "    parallel for (i = 0; i < 100; ++i)\n"
    "        res[i] = hostsquare(i);\n"
    "    println(\"squares \", double(sumc(res)));\n}\n";

static const char *k_short_loop =
    "#include <kjstd.kjh>\n"
    "main()\n{\n"
    "    decl i, res = zeros(100, 1);\n"
    "    parallel for (i = 0; i < 100; ++i)\n"
    "        res[i] = i * i;\n"
    "    println(\"sum \", double(sumc(res)));\n}\n";

int main(void) {
    pthread_t thread;
    long delay = 200L * 1000 * 1000;
    double stop;

    /* The count a host sets is the one in use; 0 goes back to one per core. */
    CHECK(KjSetParallelThreads(3) == 3);
    CHECK(KjSetParallelThreads(-1) == 3);
    CHECK(KjSetParallelThreads(0) >= 1);
    CHECK(KjMainInit() == 1);
    CHECK(FKjLibAddFunction("$hoststarted", fn_started, 0) == 1);

    /* An abort while four workers run a long loop ends the run within 100 ms. */
    pthread_create(&thread, NULL, abort_later, &delay);
    run_source(k_long_loop, "-rp4");
    stop = seconds_since(&aborted_at);
    pthread_join(thread, NULL);
    printf("stopped %.1f ms after the abort\n", stop * 1000);
    CHECK(stop < 0.1);
    CHECK(strstr(messages, "user abort") != NULL);
    CHECK(strstr(output, "finished") == NULL);

    /* A host's function runs on the host's thread only: a parallel body
     * that calls it is refused, unless the host said workers may call it. */
    CHECK(FKjLibAddFunction("c$hostsquare", fn_square, 0) == 1);
    run_source(k_host_function_loop, "-rp2");
    CHECK(strstr(messages, "'hostsquare' is serial: a parallel loop cannot call it") != NULL);
    CHECK(strstr(output, "squares") == NULL);
    CHECK(FKjLibAddFunctionEx("hostsquare", fn_square, 1, KJ_FLAG_WORKERS) == 1);
    CHECK(run_source(k_host_function_loop, "-rp2") > 0);
    CHECK(strstr(output, "squares 328350") != NULL);

    /* The pool is joined and started again: the next run is whole. */
    CHECK(run_source(k_short_loop, "-rp2") > 0);
    CHECK(strstr(output, "sum 328350") != NULL);
    KjMainExit();
    return failures ? 1 : 0;
}
