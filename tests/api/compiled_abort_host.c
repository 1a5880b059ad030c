/* KjRunAbort from another thread while a loop body or a recursive function
 * runs compiled: the run stops within 100 ms with the user abort, and the
 * next run works normally. */
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
static int started; /* the program says so before its long part */

static void on_puts(const char *text) { strncat(output, text, sizeof output - strlen(output) - 1); }
static void on_message(const char *text) {
    strncat(messages, text, sizeof messages - strlen(messages) - 2);
    strcat(messages, "\n");
}

static void fn_started(KjValue *result, KjValue *args, int count) {
    (void)args;
    (void)count;
    __atomic_store_n(&started, 1, __ATOMIC_RELEASE);
    KjValSetInt(result, 1);
}

static double seconds_since(const struct timespec *t) {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (double)(now.tv_sec - t->tv_sec) + (double)(now.tv_nsec - t->tv_nsec) * 1e-9;
}

/* Aborts 200 ms after the program has started its long part. */
static void *abort_later(void *arg) {
    struct timespec pause = {0, 200L * 1000 * 1000}, poll = {0, 1000 * 1000};
    (void)arg;
    while (!__atomic_load_n(&started, __ATOMIC_ACQUIRE)) nanosleep(&poll, NULL);
    nanosleep(&pause, NULL);
    clock_gettime(CLOCK_MONOTONIC, &aborted_at);
    KjRunAbort();
    return NULL;
}

static const char *k_long_loop =
    "main()\n{\n"
    "    decl i, s = 0.0;\n"
    "    hoststarted();\n"
    "    for (i = 0; i < 2000000000; ++i)\n"
    "        s += double(i) * 0.5;\n"
    "    println(\"finished \", s);\n}\n";

static const char *k_long_recursion =
    "fib(const n)\n{\n    if (n < 2)\n        return n;\n    return fib(n - 1) + fib(n - 2);\n}\n"
    "main()\n{\n"
    "    hoststarted();\n"
    "    println(\"finished \", fib(60));\n}\n";

static const char *k_short =
    "fib(const n)\n{\n    if (n < 2)\n        return n;\n    return fib(n - 1) + fib(n - 2);\n}\n"
    "main()\n{\n    decl i, s = 0;\n    for (i = 0; i < 100; ++i)\n        s = s + i;\n"
    "    println(\"sum \", s, \" fib \", fib(20));\n}\n";

static void abort_run(const char *what, const char *source) {
    pthread_t thread;
    double stop;
    output[0] = messages[0] = '\0';
    __atomic_store_n(&started, 0, __ATOMIC_RELEASE);
    /* A run ends with the runtime shut down: the function is added again. */
    CHECK(KjMainInit() == 1);
    CHECK(FKjLibAddFunction("$hoststarted", fn_started, 0) == 1);
    pthread_create(&thread, NULL, abort_later, NULL);
    run_source_file("compiled_abort_prog.kj", source, "-b", on_puts, on_message);
    stop = seconds_since(&aborted_at);
    pthread_join(thread, NULL);
    printf("%s stopped %.1f ms after the abort\n", what, stop * 1000);
    CHECK(stop < 0.1);
    CHECK(strstr(messages, "user abort") != NULL);
    CHECK(strstr(output, "finished") == NULL);
}

int main(void) {
    abort_run("a compiled loop", k_long_loop);
    abort_run("a compiled recursion", k_long_recursion);

    output[0] = messages[0] = '\0';
    CHECK(run_source_file("compiled_abort_prog.kj", k_short, "-b", on_puts, on_message) > 0);
    CHECK(strstr(output, "sum 4950 fib 6765") != NULL);
    KjMainExit();
    return failures ? 1 : 0;
}
