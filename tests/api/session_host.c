/* A host that hands over whole texts, as a notebook does: state kept from one
 * text to the next, statements over several lines, the value of a final
 * expression, errors that end a text, #new, an abort from another thread,
 * declarations, member completion and the current graph in memory. */
#define _POSIX_C_SOURCE 200809L
#include <pthread.h>
#include <stdio.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#include <kj80x.h>

#include "check.h"

static char output[8192];
static char messages[8192];

static void on_puts(const char *text) { strncat(output, text, sizeof output - strlen(output) - 1); }
static void on_message(const char *text) {
    strncat(messages, text, sizeof messages - strlen(messages) - 2);
    strcat(messages, "\n");
}

/* Runs text with fresh output; returns KjSessionRun's result. */
static int run(const char *text, const char **value) {
    output[0] = messages[0] = '\0';
    return KjSessionRun(text, value);
}

static void *abort_soon(void *arg) {
    (void)arg;
    struct timespec pause = {0, 200 * 1000 * 1000};
    nanosleep(&pause, NULL);
    KjRunAbort();
    return NULL;
}

static int has_completion(const char *prefix, const char *name) {
    const char *s;
    int state = 0;
    while ((s = SKjCompletionName(prefix, state++)) != NULL)
        if (strcmp(s, name) == 0) return 1;
    return 0;
}

int main(void) {
    const char *value = "unset";
    const char *image, *declaration;
    int size = -1;
    FILE *f;

    KjMainInit();
    SetKjPipe(0);
    SetKjPuts(on_puts);
    SetKjMessage(on_message);
    SetKjRunMessage(on_message);
    CHECK(KjSessionRun("x = 1;", &value) == -1);

    CHECK(KjSessionStart() == 1);
    /* Variables stay; only a final bare expression is kept, not printed. */
    CHECK(run("x = 6;\ny = x * 7;", &value) == 1);
    CHECK(value == NULL);
    CHECK(run("println(\"x is \", x);\ny", &value) == 1);
    CHECK(strcmp(output, "x is 6\n") == 0);
    CHECK(value && strcmp(value, "42") == 0);
    /* Without a place for the value the expression prints as at the prompt. */
    CHECK(run("y + 1", NULL) == 1);
    CHECK(strcmp(output, "43\n") == 0);

    /* A statement open over several lines, blank lines and CR LF line ends. */
    CHECK(run("s = 0;\r\nfor (i = 1; i <= 4; ++i)\n{\n    s += i;\n}\n\ns\n\n", &value) == 1);
    CHECK(value && strcmp(value, "10") == 0);

    /* A run-time error ends the text and is reported with its place; the
     * session goes on with what ran before it. */
    CHECK(run("println(\"before\");\nm = <1, 2>;\nm[5]\nprintln(\"after\");", &value) == 0);
    CHECK(strcmp(output, "before\n") == 0);
    CHECK(strstr(messages, "Runtime error") != NULL);
    CHECK(value == NULL);
    CHECK(run("m", &value) == 1 && value && strstr(value, "2") != NULL);
    /* A compile error runs nothing of its command. */
    CHECK(run("q = (1 + ;", &value) == 0);
    CHECK(messages[0] != '\0');

    /* An endless loop stopped from another thread. */
    {
        pthread_t t;
        struct timespec a, b;
        clock_gettime(CLOCK_MONOTONIC, &a);
        pthread_create(&t, NULL, abort_soon, NULL);
        CHECK(run("while (1) {}\nprintln(\"not reached\");", &value) == 0);
        pthread_join(t, NULL);
        clock_gettime(CLOCK_MONOTONIC, &b);
        CHECK((b.tv_sec - a.tv_sec) + (b.tv_nsec - a.tv_nsec) / 1e9 < 2.0);
        CHECK(strstr(output, "not reached") == NULL);
        CHECK(run("x", &value) == 1 && value && strcmp(value, "6") == 0);
    }

    /* Functions and classes from an included file: declarations, members. */
    f = fopen("session_host_lib.kj", "w");
    fputs("class Point {\n  decl m_x, m_y;\n  Point(const x, const y);\n  Norm();\n};\n"
          "Point::Point(const x, const y) { m_x = x; m_y = y; }\n"
          "Point::Norm() { return sqrt(m_x ^ 2 + m_y ^ 2); }\n"
          "scaled(a, const b, ...) { return a * b; }\n",
          f);
    fclose(f);
    CHECK(run("#include \"session_host_lib.kj\"\np = new Point(3, 4);\np.Norm()", &value) == 1);
    CHECK(value && strcmp(value, "5") == 0);
    CHECK(SKjDeclaration("scaled") && strcmp(SKjDeclaration("scaled"), "scaled(a, const b, ...)") == 0);
    CHECK(SKjDeclaration("Point") && strcmp(SKjDeclaration("Point"), "class Point") == 0);
    declaration = SKjDeclaration("sqrt");
    CHECK(declaration && strncmp(declaration, "sqrt(const a1)", 14) == 0);
    CHECK(SKjDeclaration("no_such_name") == NULL);
    CHECK(has_completion("p.m_", "p.m_x") && has_completion("p.m_", "p.m_y") && !has_completion("p.m_", "p.Norm"));
    CHECK(has_completion("p.N", "p.Norm"));
    CHECK(!has_completion("p.", "p.Point") && !has_completion("x.", "x.m_x"));
    CHECK(has_completion("scal", "scaled") && !has_completion("__kj", "__kj_session_value"));
    remove("session_host_lib.kj");

    /* The graph drawn so far, in memory. */
    CHECK(SKjGraphImage("svg", &size) == NULL && size == 0);
    CHECK(run("Draw(0, <1, 3, 2, 5>);", NULL) == 1);
    image = SKjGraphImage("svg", &size);
    CHECK(image && size > 200 && strstr(image, "<svg") && strstr(image, "</svg>"));
    image = SKjGraphImage("png", &size);
    CHECK(image && size > 1000 && memcmp(image, "\x89PNG\r\n\x1a\n", 8) == 0);
    CHECK(SKjGraphImage("bmp", &size) == NULL && size == 0);
    KjGraphShown();
    /* A shown graph can still be saved until the next drawing. */
    CHECK(run("SaveDrawWindow(\"session_host.svg\");", NULL) == 1);
    CHECK(access("session_host.svg", R_OK) == 0);
    remove("session_host.svg");
    remove("session_host.gwg");

    /* #new forgets everything. */
    CHECK(run("#new", &value) == 1);
    CHECK(run("x", &value) == 0);
    CHECK(SKjDeclaration("scaled") == NULL);
    CHECK(run("x = 5;\nx", &value) == 1 && value && strcmp(value, "5") == 0);

    KjSessionEnd();
    CHECK(KjSessionRun("x", &value) == -1);
    /* A second session starts empty. */
    CHECK(KjSessionStart() == 1);
    CHECK(run("x", &value) == 0);
    KjSessionEnd();
    KjMainExit();
    return failures ? 1 : 0;
}
