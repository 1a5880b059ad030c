/* A host with its own draw callback: runs a small program and checks the
 * drawing requests that arrive, slot by slot; then passes requests on to the
 * runtime's own callbacks and without any callback at all. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <kj80x.h>

#include "check.h"

typedef struct {
    char command[32];
    int area, n1, n2, i1, i2, niv, ndv;
    double x1[4], x2[4], dv[8];
    int iv[8];
    char label1[32], label2[32];
    int has_label1, has_label2;
} Request;

static Request requests[64];
static int count = 0;
static char output[4096];

static void on_puts(const char *text) { strncat(output, text, sizeof output - strlen(output) - 1); }
static void quiet(const char *text) { (void)text; }

static int record(const char *command, int area, const double *x1, int n1, const char *label1, const double *x2,
                  int n2, const char *label2, const double *x3, int n3, const char *label3, int i1, int i2,
                  const int *iv, int niv, const double *dv, int ndv) {
    Request *r;
    int k;
    (void)x3, (void)n3, (void)label3;
    if (count == 64) return -1;
    r = &requests[count++];
    memset(r, 0, sizeof *r);
    snprintf(r->command, sizeof r->command, "%s", command);
    r->area = area;
    r->n1 = n1;
    r->n2 = n2;
    for (k = 0; k < n1 && k < 4; ++k) r->x1[k] = x1[k];
    for (k = 0; k < n2 && k < 4; ++k) r->x2[k] = x2[k];
    if (label1) snprintf(r->label1, sizeof r->label1, "%s", label1), r->has_label1 = 1;
    if (label2) snprintf(r->label2, sizeof r->label2, "%s", label2), r->has_label2 = 1;
    r->i1 = i1;
    r->i2 = i2;
    r->niv = niv;
    r->ndv = ndv;
    for (k = 0; k < niv && k < 8; ++k) r->iv[k] = iv[k];
    for (k = 0; k < ndv && k < 8; ++k) r->dv[k] = dv[k];
    return 7;
}

static int forwarded = 0;
static int forward(const char *command, int area, const double *x1, int n1, const char *label1, const double *x2,
                   int n2, const char *label2, const double *x3, int n3, const char *label3, int i1, int i2,
                   const int *iv, int niv, const double *dv, int ndv) {
    ++forwarded;
    return KjDefaultDraw(command, area, x1, n1, label1, x2, n2, label2, x3, n3, label3, i1, i2, iv, niv, dv, ndv);
}

static int run(const char *name, const char *source, KjDrawFn draw) {
    FILE *f = fopen(name, "w");
    char cmd[256];
    if (!f) return -100;
    fputs(source, f);
    fclose(f);
    output[0] = '\0';
    KjMainInit();
    SetKjMessage(quiet);
    SetKjRunMessage(quiet);
    SetKjPipe(0);
    SetKjPuts(on_puts);
    SetKjDraw(draw);
    snprintf(cmd, sizeof cmd, "-b %s", name);
    return KjMainCmd(cmd);
}

static const char *k_program =
    "main()\n{\n"
    "    decl r1 = Draw(0, <1, 2, 3; 4, 5, 6>, 1990, 0.5);\n"
    "    decl r2 = DrawTMatrix(1, <7, 8>, {\"gdp\"}, 2000, 2, 4, 1, <5>);\n"
    "    decl r3 = DrawXMatrix(2, <1, 2, 3>, \"y\", <4, 5, 6, 7>, \"x\", <2>, 9);\n"
    "    decl r4 = DrawXMatrix(2, zeros(0, 0), \"y\", <4, 5>, \"x\");\n"
    "    decl r5 = SetDraw(1, 300, 900);\n"
    "    decl r6 = DrawTitle(0, \"Growth\");\n"
    "    decl r7 = DrawT(3, <1, 2>, <2451545, 2451546>, 1, 1);\n"
    "    println(r1, \" \", r2, \" \", r3, \" \", r4, \" \", r5, \" \", r6, \" \", r7);\n"
    "}\n";

int main(void) {
    const Request *r;
    run("draw_host_1.kj", k_program, record);
    CHECK(strstr(output, "7 7 7 0 7 7 7") != NULL);
    CHECK(count == 7);

    /* Draw: one "Vector" per row, index i + 2, first and step as doubles. */
    r = &requests[0];
    CHECK(strcmp(r->command, "Vector") == 0 && r->area == 0 && r->n1 == 3 && r->x1[0] == 1);
    CHECK(!r->has_label1 && r->i1 == 0 && r->i2 == 2 && r->ndv == 2 && r->dv[0] == 1990 && r->dv[1] == 0.5);
    r = &requests[1];
    CHECK(strcmp(r->command, "Vector") == 0 && r->x1[0] == 4 && r->i2 == 3);

    /* DrawTMatrix: name, symbol and index per row, year, period and frequency. */
    r = &requests[2];
    CHECK(strcmp(r->command, "TimeVector") == 0 && r->area == 1 && r->n1 == 2);
    CHECK(r->has_label1 && strcmp(r->label1, "gdp") == 0);
    CHECK(r->i1 == 1 && r->i2 == 5 && r->niv == 3 && r->iv[0] == 2000 && r->iv[1] == 2 && r->iv[2] == 4);

    /* DrawXMatrix: the shorter length for both series, the x name as second label. */
    r = &requests[3];
    CHECK(strcmp(r->command, "XVector") == 0 && r->n1 == 3 && r->n2 == 3 && r->x2[2] == 6);
    CHECK(strcmp(r->label1, "y") == 0 && r->has_label2 && strcmp(r->label2, "x") == 0);
    CHECK(r->i1 == 2 && r->i2 == 9);

    /* The empty DrawXMatrix sent nothing; SetDraw and DrawTitle follow. */
    r = &requests[4];
    CHECK(strcmp(r->command, "SetDrawOptions") == 0 && r->i1 == 1 && r->niv == 5 && r->iv[0] == 300 &&
          r->iv[1] == 900 && r->iv[2] == 0);
    r = &requests[5];
    CHECK(strcmp(r->command, "Title") == 0 && strcmp(r->label1, "Growth") == 0 && r->n1 == 0);

    /* A date row as the year argument sends dates. */
    r = &requests[6];
    CHECK(strcmp(r->command, "DateVector") == 0 && r->n2 == 2 && r->x2[0] == 2451545);

    /* Passing requests on to the runtime's own callback draws a graph that saves. */
    count = 0;
    remove("draw_host.svg");
    run("draw_host_2.kj",
        "main()\n{\n    Draw(0, <1, 2, 3>);\n    println(SaveDrawWindow(\"draw_host.svg\"));\n}\n", forward);
    CHECK(forwarded == 1);
    {
        FILE *f = fopen("draw_host.svg", "r");
        CHECK(f != NULL);
        if (f) fclose(f);
    }

    /* A graph that a run drew but never showed goes with that run. */
    run("draw_host_4.kj", "main()\n{\n    Draw(0, <1, 2, 3>);\n    DrawTitle(0, \"first run\");\n}\n", forward);
    remove("draw_host_b.svg");
    run("draw_host_5.kj",
        "main()\n{\n    Draw(0, <4, 5>);\n    println(SaveDrawWindow(\"draw_host_b.svg\"));\n}\n", forward);
    {
        char text[65536];
        size_t n = 0;
        FILE *f = fopen("draw_host_b.svg", "r");
        CHECK(f != NULL);
        if (f) {
            n = fread(text, 1, sizeof text - 1, f);
            fclose(f);
        }
        text[n] = '\0';
        CHECK(n > 0 && strstr(text, "first run") == NULL);
    }

    /* Without any draw callback the functions draw nothing and report success. */
    run("draw_host_3.kj", "main()\n{\n    println(Draw(0, <1, 2>), DrawTitle(0, \"t\"));\n}\n", NULL);
    CHECK(strstr(output, "11") != NULL);

    KjMainExit();
    if (failures) fprintf(stderr, "%d failure(s)\n", failures);
    return failures ? 1 : 0;
}
