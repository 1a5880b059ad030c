/* Fatal stops never end the host's process: a host that set pipes but no
 * puts callback, or reports a run-time error with no run active, is told
 * through its exit callback and keeps running. */
#include <stdio.h>
#include <string.h>

#include <kj80x.h>

#include "check.h"

static char messages[4096];
static int exit_codes[16];
static int exit_count = 0;

static void on_message(const char *text) {
    strncat(messages, text, sizeof messages - strlen(messages) - 1);
}
static void on_exit_code(int code) {
    if (exit_count < 16) exit_codes[exit_count] = code;
    ++exit_count;
}
static int saw_exit_code(int code) {
    for (int i = 0; i < exit_count && i < 16; ++i)
        if (exit_codes[i] == code) return 1;
    return 0;
}
static void reset(void) {
    messages[0] = '\0';
    exit_count = 0;
}

int main(void) {
    FILE *f = fopen("fatal_print.kj", "w");
    if (!f) return 2;
    fputs("main() { println(\"lost\"); return 3; }\n", f);
    fclose(f);

    /* Pipes without a puts callback: printing stops the run fatally. */
    CHECK(KjMainInit() == 1);
    SetKjMessage(on_message);
    SetKjRunMessage(on_message);
    SetKjExit(on_exit_code);
    SetKjPipe(0);
    reset();
    KjMainCmd("-b fatal_print.kj");
    CHECK(strstr(messages, "No output pipe") != NULL);
    CHECK(saw_exit_code(1));
    CHECK(KjGetUserExitCode() != 3);

    /* Run-time errors reported by a host outside any run return to it. */
    CHECK(KjMainInit() == 1);
    SetKjMessage(on_message);
    SetKjRunMessage(on_message);
    SetKjExit(on_exit_code);
    reset();
    KjRunErrorMessage("host-side failure");
    CHECK(strstr(messages, "host-side failure") != NULL);
    CHECK(saw_exit_code(1));
    reset();
    KjRunError(1, "second failure");
    CHECK(saw_exit_code(1));

    /* And the library still works afterwards. */
    f = fopen("fatal_after.kj", "w");
    if (!f) return 2;
    fputs("main() { return 5; }\n", f);
    fclose(f);
    CHECK(KjMainCmd("-b fatal_after.kj") > 0);
    CHECK(KjGetUserExitCode() == 5);

    KjMainExit();
    remove("fatal_print.kj");
    remove("fatal_after.kj");
    if (failures == 0) printf("fatal_stop: all checks passed\n");
    return failures == 0 ? 0 : 1;
}
