/* A C program that runs Kj: it adds a function of its own, catches the
 * program's output through a callback, runs a small Kj program, and reads a
 * result back. Build: cc embed_host.c $(pkg-config --cflags --libs kj80x),
 * or with -I include -L build -lkj80x in a Kj build tree. */
#include <stdio.h>
#include <string.h>

#include <kj80x.h>

static char output[4096];

/* Everything the Kj program prints arrives here. */
static void collect(const char *text) {
    strncat(output, text, sizeof output - strlen(output) - 1);
}

/* discount(x, r): a function of the host, called from Kj as any other. */
static void discount(KjValue *result, KjValue *args, int count) {
    double x = 0, r = 0;
    (void)count;
    if (!KjValGetDouble(&args[0], &x)) KjLibArgError(0);
    if (!KjValGetDouble(&args[1], &r)) KjLibArgError(1);
    KjValSetDouble(result, x / (1 + r));
}

int main(void) {
    const char *program =
        "#include <kjstd.kjh>\n"
        "discount(const x, const r);\n"
        "main()\n"
        "{\n"
        "    decl cash = <100, 100, 100>, value = 0;\n"
        "    for (decl t = 0; t < columns(cash); ++t)\n"
        "        value += discount(cash[0][t], 0.05) / 1.05 ^ t;\n"
        "    println(\"present value \", \"%.2f\", value);\n"
        "    return 0;\n"
        "}\n";
    FILE *f = fopen("embedded.kj", "w");
    if (!f) return 1;
    fputs(program, f);
    fclose(f);

    KjMainInit();
    SetKjPipe(0);               /* program output through the callback below */
    SetKjPuts(collect);
    FKjLibAddFunction("cc$discount", discount, 0);
    int ok = KjMainCmd("-b embedded.kj");
    KjMainExit();
    remove("embedded.kj");

    printf("run %s; the program printed: %s", ok ? "succeeded" : "failed", output);
    return ok && strcmp(output, "present value 272.32\n") == 0 ? 0 : 1;
}
