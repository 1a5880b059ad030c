/* Embedding cycles: a C host that starts the library, runs a small program
 * that prints, draws and saves its graph and writes a matrix file, and shuts
 * the library down, over and over. At each count of cycles it is asked for,
 * it reports its resident memory (/proc/self/statm) and its open file
 * descriptors; both must stay flat.
 *
 *     kj_embed_cycles cycles report-at... (e.g. 100000 1000 10000 100000)
 *
 * The first report is the baseline: a later one with more descriptors, or
 * with resident memory more than 10% (and 1 MB) above it, fails. */
#include <dirent.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <kj80x.h>

static const char k_program[] =
    "#include <kjstd.kjh>\n"
    "main() {\n"
    "    decl x = rann(30, 2), s = sprint(\"cycle \", sumc(x) > -100);\n"
    "    println(s, x[0][]);\n"
    "    Draw(0, x');\n"
    "    DrawTitle(0, s);\n"
    "    if (!SaveDrawWindow(\"cycle.gwg\")) exit(3);\n"
    "    CloseDrawWindow();\n"
    "    if (!savemat(\"cycle.mat\", x)) exit(4);\n"
    "    decl back = loadmat(\"cycle.mat\");\n"
    "    if (!isfeq(back, x)) exit(5);\n"
    "}\n";

static long printed;
static char messages[4096];

static void on_puts(const char *text) { printed += (long)strlen(text); }
static void on_message(const char *text) {
    strncat(messages, text, sizeof messages - strlen(messages) - 1);
}

static long resident_kb(void) {
    long size = 0, resident = 0;
    FILE *f = fopen("/proc/self/statm", "r");
    if (!f) return -1;
    if (fscanf(f, "%ld %ld", &size, &resident) != 2) resident = -1;
    fclose(f);
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

static int open_fds(void) {
    int n = 0;
    struct dirent *e;
    DIR *d = opendir("/proc/self/fd");
    if (!d) return -1;
    while ((e = readdir(d)) != NULL)
        if (e->d_name[0] != '.') ++n;
    closedir(d);
    return n - 1; /* the directory's own descriptor */
}

int main(int argc, char **argv) {
    long cycles, base_kb = -1, next = 2;
    int base_fds = -1, failed = 0;
    FILE *f = fopen("cycle.kj", "w");
    if (argc < 3 || !f) {
        fprintf(stderr, "usage: kj_embed_cycles cycles report-at...\n");
        return 2;
    }
    fputs(k_program, f);
    fclose(f);
    cycles = atol(argv[1]);
    for (long c = 1; c <= cycles; ++c) {
        int result;
        messages[0] = '\0';
        KjMainInit();
        SetKjMessage(on_message);
        SetKjRunMessage(on_message);
        SetKjPipe(0);
        SetKjPuts(on_puts);
        result = KjMainCmd("-b cycle.kj");
        if (result <= 0 || KjGetUserExitCode() != 0) {
            fprintf(stderr, "cycle %ld failed (%d, exit code %d): %s\n", c, result, KjGetUserExitCode(), messages);
            return 1;
        }
        KjMainExit();
        if (next < argc && c == atol(argv[next])) {
            const long kb = resident_kb();
            const int fds = open_fds();
            printf("%8ld cycles: resident %6ld KB, %3d open descriptors\n", c, kb, fds);
            fflush(stdout);
            if (base_kb < 0) {
                base_kb = kb;
                base_fds = fds;
            } else if (fds > base_fds || kb > base_kb + base_kb / 10 + 1024) {
                fprintf(stderr, "growth since the first report: %+ld KB, %+d descriptors\n", kb - base_kb,
                        fds - base_fds);
                failed = 1;
            }
            ++next;
        }
    }
    remove("cycle.kj");
    remove("cycle.gwg");
    remove("cycle.mat");
    return printed > 0 ? failed : 1;
}
