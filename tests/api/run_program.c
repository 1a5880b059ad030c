/* A host written in C: registers its own function, runs Kj programs through
 * KjMainCmd with pipes and its own callbacks, and checks what arrives. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <kj80x.h>

#include "check.h"
#include "host_run.h"

static char output[8192];
static char messages[8192];

static void on_puts(const char *text) { strncat(output, text, sizeof output - strlen(output) - 1); }
static void on_message(const char *text) {
    strncat(messages, text, sizeof messages - strlen(messages) - 1);
    strncat(messages, "\n", sizeof messages - strlen(messages) - 1);
}

/* hostsum(a, b): a + b + 1000, computed by the host. */
static void fn_hostsum(KjValue *result, KjValue *args, int count) {
    double a = 0, b = 0;
    (void)count;
    KjValGetDouble(&args[0], &a);
    KjValGetDouble(&args[1], &b);
    KjValSetDouble(result, a + b + 1000);
}

static int run_source(const char *name, const char *source) {
    output[0] = messages[0] = '\0';
    return run_source_file(name, source, "-b", on_puts, NULL);
}

int main(void) {
    CHECK(KjMainInit() == 1);
    SetKjMessage(on_message);
    SetKjRunMessage(on_message);
    CHECK(FKjLibAddFunction("cc$hostsum", fn_hostsum, 0) == 1);

    /* The host's function is called from a program; output arrives through puts. */
    CHECK(run_source("host_call.kj",
                     "hostsum(const a, const b);\n"
                     "main() { println(\"sum \", hostsum(1, 2)); return 7; }\n") > 0);
    CHECK(strcmp(output, "sum 1003\n") == 0);
    CHECK(KjGetUserExitCode() == 7);

    /* Argument counts are checked against the standard header at compile time. */
    CHECK(run_source("counts.kj",
                     "#include <kjstd.kjh>\n"
                     "main() { println(max(1, 5, 3)); acos(1, 2); }\n") == 0);
    CHECK(strstr(messages, "'acos' wrong number of arguments") != NULL);
    CHECK(run_source("max3.kj", "#include <kjstd.kjh>\nmain() { println(max(1, 5, 3)); }\n") > 0);
    CHECK(strcmp(output, "5\n") == 0);

    /* A run-time error reaches the host as a message; the host keeps running. */
    CHECK(run_source("fails.kj", "main() { decl x; x = x + 1; }\n") > 0);
    CHECK(strstr(messages, "Runtime error: ") != NULL);

    KjMainExit();
    remove("host_call.kj");
    remove("counts.kj");
    remove("max3.kj");
    remove("fails.kj");
    if (failures) {
        fprintf(stderr, "output: [%s]\nmessages: [%s]\n", output, messages);
        return 1;
    }
    return 0;
}
