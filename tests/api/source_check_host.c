/* An editor's view of a source: KjCheckSource compiles a text without running
 * it and reports each message and declaration with its file, line, column and
 * length; includes, GAUSS sources, a unit that stops at the error limit, and
 * checks that do not see each other's declarations. */
#define _POSIX_C_SOURCE 200809L
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <kj80x.h>

#include "check.h"

typedef struct {
    char file[256];
    char text[256];
    int line, column, length, kind, defined;
} Item;

static Item messages[64], declarations[64];
static int message_count, declaration_count;

static void keep(Item *list, int *count, const char *file, const char *text, int line, int column, int length,
                 int kind, int defined) {
    if (*count >= 64) return;
    Item *item = &list[(*count)++];
    snprintf(item->file, sizeof item->file, "%s", file);
    snprintf(item->text, sizeof item->text, "%s", text);
    item->line = line;
    item->column = column;
    item->length = length;
    item->kind = kind;
    item->defined = defined;
}

static void on_message(void *data, const char *file, int line, int column, int length, int kind,
                       const char *text) {
    (void)data;
    keep(messages, &message_count, file, text, line, column, length, kind, 1);
}

static void on_declaration(void *data, const char *name, int kind, int defined, const char *file, int line,
                           int column, int length) {
    (void)data;
    keep(declarations, &declaration_count, file, name, line, column, length, kind, defined);
}

static int check(const char *name, const char *text) {
    message_count = declaration_count = 0;
    return KjCheckSource(name, text, 0, on_message, on_declaration, NULL);
}

static const Item *declared(const char *name) {
    for (int i = 0; i < declaration_count; ++i)
        if (strcmp(declarations[i].text, name) == 0) return &declarations[i];
    return NULL;
}

static void quiet(const char *text) { (void)text; }

int main(void) {
    char dir[] = "/tmp/kj_check_XXXXXX";
    char path[512], main_path[512];
    const Item *d;

    CHECK(KjCheckSource("a.kj", "main() {}", 0, NULL, NULL, NULL) == -1);  /* before KjMainInit */
    KjMainInit();
    SetKjMessage(quiet);
    CHECK(KjCheckSource(NULL, "main() {}", 0, NULL, NULL, NULL) == -1);

    /* An undeclared name: the place of the name itself. */
    CHECK(check("prog.kj", "#include <kjstd.kjh>\n\nmain() {\n    decl y = 2 * xx + 1;\n}\n") == 1);
    CHECK(message_count == 1);
    CHECK(strcmp(messages[0].file, "prog.kj") == 0);
    CHECK(strcmp(messages[0].text, "'xx' undeclared identifier") == 0);
    CHECK(messages[0].line == 4 && messages[0].column == 17 && messages[0].length == 2);
    CHECK(messages[0].kind == KJ_CHECK_ERROR);

    /* A missing ';': the message names the kind of token found instead, and points at it. */
    CHECK(check("prog.kj", "main() {\n    decl a = 1\n    print(a);\n}\n") >= 1);
    CHECK(message_count >= 1);
    CHECK(strcmp(messages[0].text, "';' expected but found '<identifier>'") == 0);
    CHECK(messages[0].line == 3 && messages[0].column == 4 && messages[0].length == 5);

    /* A warning does not count as an error; a scanner error is located by its text. */
    CHECK(check("prog.kj", "main() {\n    decl a = 1;\n    if (a) ;\n}\n") == 0);
    CHECK(message_count == 1 && messages[0].kind == KJ_CHECK_WARNING && messages[0].line == 3);
    CHECK(strcmp(messages[0].text, "Warning: isolated ; is empty statement") == 0);
    CHECK(check("prog.kj", "main() {\n    decl x = 0xFFFFFFFFF;\n}\n") == 1);
    CHECK(message_count == 1 && messages[0].line == 2);
    CHECK(strstr(messages[0].text, "hexadecimal constant truncated") != NULL);

    /* Declarations of every kind, at their names. */
    CHECK(check("decl.kj",
                "const decl LIMIT = 10;\n"
                "enum { RED, GREEN };\n"
                "decl counter;\n"
                "class Point {\n"
                "    decl x, y;\n"
                "    Point(a, b);\n"
                "    norm();\n"
                "};\n"
                "Point::Point(a, b) { x = a; y = b; }\n"
                "Point::norm() { return sqrt(x^2 + y^2); }\n"
                "twice(v);\n"
                "twice(v) { return 2 * v; }\n"
                "main() { print(twice(LIMIT)); }\n") == 0);
    CHECK((d = declared("LIMIT")) && d->kind == KJ_DECL_CONSTANT && d->line == 1 && d->column == 11 && d->length == 5);
    CHECK((d = declared("GREEN")) && d->kind == KJ_DECL_CONSTANT && d->line == 2 && d->column == 12);
    CHECK((d = declared("counter")) && d->kind == KJ_DECL_VARIABLE && d->line == 3 && d->column == 5);
    CHECK((d = declared("Point")) && d->kind == KJ_DECL_CLASS && d->line == 4 && d->column == 6);
    CHECK((d = declared("Point::y")) && d->kind == KJ_DECL_DATA_MEMBER && d->line == 5 && d->column == 12);
    CHECK((d = declared("Point::norm")) && d->kind == KJ_DECL_MEMBER_FUNCTION && !d->defined && d->line == 7);
    /* The definition outside the class is reported too, as defined. */
    int norm_definitions = 0, twice_lines = 0;
    for (int i = 0; i < declaration_count; ++i) {
        if (strcmp(declarations[i].text, "Point::norm") == 0 && declarations[i].defined) {
            ++norm_definitions;
            CHECK(declarations[i].kind == KJ_DECL_MEMBER_FUNCTION && declarations[i].line == 10);
            CHECK(declarations[i].column == 7 && declarations[i].length == 4);
        }
        if (strcmp(declarations[i].text, "twice") == 0)
            twice_lines += declarations[i].defined ? 100 * declarations[i].line : declarations[i].line;
    }
    CHECK(norm_definitions == 1);
    CHECK(twice_lines == 1211);  /* declared on line 11, defined on line 12 */
    /* What the check declared is what hosts look up afterwards. */
    CHECK(SKjDeclaration("twice") && strcmp(SKjDeclaration("twice"), "twice(v)") == 0);
    CHECK(SKjCompletionName("Point.n", 0) && strcmp(SKjCompletionName("Point.n", 0), "Point.norm") == 0);

    /* A later check does not see it. */
    CHECK(check("other.kj", "main() { twice(1); }\n") == 1);
    CHECK(SKjDeclaration("twice") == NULL);

    /* Includes: places in the included file carry its path. */
    CHECK(mkdtemp(dir) != NULL);
    snprintf(path, sizeof path, "%s/helpers.kj", dir);
    FILE *f = fopen(path, "w");
    CHECK(f != NULL);
    fputs("// helpers\nsquare(x) {\n    return x .* x;\n}\nbroken() { return nothere; }\n", f);
    fclose(f);
    snprintf(main_path, sizeof main_path, "%s/main.kj", dir);
    CHECK(check(main_path, "#include \"helpers.kj\"\nmain() { print(square(3)); }\n") == 1);
    CHECK((d = declared("square")) && d->defined && strcmp(d->file, path) == 0 && d->line == 2 && d->column == 0);
    CHECK((d = declared("main")) && strcmp(d->file, main_path) == 0 && d->line == 2);
    CHECK(message_count == 1 && strcmp(messages[0].file, path) == 0 && messages[0].line == 5);
    CHECK(messages[0].column == 18 && messages[0].length == 7);
    unlink(path);
    rmdir(dir);

    /* GAUSS: by extension; procedures live in the gauss namespace. */
    CHECK(check("prog.g", "proc (1) = sq(x);\n    retp(x^2);\nendp;\nprint sq(3);\n") == 0);
    CHECK((d = declared("gauss::sq")) && d->kind == KJ_DECL_FUNCTION && d->line == 1 && d->column == 11);

    /* A unit that reaches the error limit ends there; the next check is whole again. */
    char many[4096] = "main() {\n";
    for (int i = 0; i < 30; ++i) sprintf(many + strlen(many), "    undefined_%d;\n", i);
    strcat(many, "}\n");
    CHECK(check("many.kj", many) == 25);
    CHECK(message_count == 25 && messages[24].line == 26);
    CHECK(check("prog.kj", "main() { print(1); }\n") == 0 && message_count == 0);

    /* Not while a session holds a program. */
    CHECK(KjSessionStart() == 1);
    CHECK(KjCheckSource("prog.kj", "main() {}", 0, on_message, on_declaration, NULL) == -1);
    KjSessionEnd();
    CHECK(check("prog.kj", "main() {}\n") == 0);

    KjMainExit();
    if (failures) fprintf(stderr, "%d check(s) failed\n", failures);
    return failures ? 1 : 0;
}
