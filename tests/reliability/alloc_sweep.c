/* Failed allocations, each in turn: a C host of the test build in which the
 * n-th allocation of a run fails (KJ_FAIL_ALLOCATION=n). For each program it
 * runs the program twice (the reference output, then the number of
 * allocations a run makes), then, for every n up to that number (or every
 * k-th, with --most), forks a child that runs the program with the n-th
 * allocation failing and then once more without failures. A child passes when
 * the failing run reports "out of memory" (or ends as the reference did: the
 * failure was absorbed) and the run after it gives the reference output; a
 * crash, a hang, another message or a changed second run is a finding. Run
 * with LD_PRELOAD=liblsan.so, each child also looks for leaks after the
 * library's shutdown.
 *
 *     kj_alloc_sweep [--most N] program.kj...
 *     kj_alloc_sweep --only n program.kj     (no child: for a debugger)
 *
 * Prints one line per program: allocations, failures injected, outcomes. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <unistd.h>

#include <kj80x.h>

enum { k_buffer = 1 << 16, k_examples = 3 };
/* The child's verdicts (its exit status). */
enum { V_OutOfMemory, V_Absorbed, V_Other, V_NotRecovered, V_NotFired, V_Leak, V_Count };

static char output[k_buffer], messages[k_buffer];
static char ref_output[k_buffer], ref_messages[k_buffer];
static int ref_result, ref_exit;

static void append(char *buffer, const char *text) {
    strncat(buffer, text, k_buffer - strlen(buffer) - 1);
}
static void on_puts(const char *text) { append(output, text); }
static void on_message(const char *text) {
    append(messages, text);
    append(messages, "\n");
}

static long (*counted)(void);
/* The leak checker's, when the host runs under it (LD_PRELOAD=liblsan.so). */
static int (*leak_check)(void);

/* One run of the driver on the program, from a fresh start as a host does. */
static int run(const char *path) {
    char cmd[4096];
    output[0] = messages[0] = '\0';
    KjMainInit();
    SetKjMessage(on_message);
    SetKjRunMessage(on_message);
    SetKjPipe(0);
    SetKjPuts(on_puts);
    snprintf(cmd, sizeof cmd, "-b \"%s\"", path);
    return KjMainCmd(cmd);
}

static int same_as_reference(int result) {
    return result == ref_result && KjGetUserExitCode() == ref_exit && strcmp(output, ref_output) == 0 &&
           strcmp(messages, ref_messages) == 0;
}

/* "out of memory" in any of its forms: compile, link and run-time errors say
 * it so; the string buffer of sprint that cannot be made has words of its own. */
static int reports_out_of_memory(void) {
    static const char *const k_texts[] = {"out of memory", "sprint/scan: no string buffer"};
    for (size_t k = 0; k < sizeof k_texts / sizeof k_texts[0]; ++k)
        if (strstr(messages, k_texts[k]) || strstr(output, k_texts[k])) return 1;
    return 0;
}

/* In the child: the run with the n-th allocation failing, then a clean one. */
static int child(const char *path, long n) {
    char number[32];
    int result, verdict;
    long made;
    alarm(60);
    snprintf(number, sizeof number, "%ld", n);
    setenv("KJ_FAIL_ALLOCATION", number, 1);
    result = run(path);
    made = counted();
    unsetenv("KJ_FAIL_ALLOCATION");
    if (made < n) verdict = V_NotFired;
    else if (reports_out_of_memory()) verdict = V_OutOfMemory;
    else if (same_as_reference(result)) verdict = V_Absorbed;
    else verdict = V_Other;
    if (verdict == V_Other)
        fprintf(stderr, "  n=%ld: result %d (not %d), exit code %d (not %d), messages [%s], output [%.200s]\n", n,
                result, ref_result, KjGetUserExitCode(), ref_exit, messages, output);
    result = run(path);
    if (!same_as_reference(result)) {
        fprintf(stderr, "  n=%ld, second run: [%s] [%s]\n", n, output, messages);
        if (verdict != V_Other) verdict = V_NotRecovered;
    }
    KjMainExit();
    if (leak_check && leak_check() && verdict < V_Other) {
        fprintf(stderr, "  n=%ld: leaks\n", n);
        verdict = V_Leak;
    }
    fflush(stderr);
    return verdict;
}

static int sweep(const char *path, long most) {
    long total, step, n, injected = 0, crashes = 0, hangs = 0, counts[V_Count] = {0};
    int examples = 0, findings;
    ref_result = run(path);
    ref_exit = KjGetUserExitCode();
    memcpy(ref_output, output, sizeof output);
    memcpy(ref_messages, messages, sizeof messages);
    if (run(path) != ref_result || strcmp(output, ref_output) != 0) {
        fprintf(stderr, "%s: two runs differ\n", path);
        return 1;
    }
    total = counted();
    step = most > 0 && total > most ? (total + most - 1) / most : 1;
    fflush(stdout);
    fflush(stderr);
    for (n = 1; n <= total; n += step) {
        int status;
        pid_t pid = fork();
        if (pid < 0) {
            perror("fork");
            return 1;
        }
        if (pid == 0) _exit(child(path, n));
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        ++injected;
        if (WIFEXITED(status) && WEXITSTATUS(status) < V_Count) {
            ++counts[WEXITSTATUS(status)];
            continue;
        }
        if (WIFSIGNALED(status) && WTERMSIG(status) == SIGALRM) ++hangs;
        else ++crashes;
        if (examples++ < k_examples)
            fprintf(stderr, "  n=%ld: %s %d\n", n, WIFSIGNALED(status) ? "signal" : "exit",
                    WIFSIGNALED(status) ? WTERMSIG(status) : WEXITSTATUS(status));
    }
    printf("%-28s %8ld allocations, %6ld failed (every %ld): %ld out of memory, %ld absorbed, "
           "%ld other, %ld second run differs, %ld not reached, %ld crashes, %ld hangs%s\n",
           path, total, injected, step, counts[V_OutOfMemory], counts[V_Absorbed], counts[V_Other],
           counts[V_NotRecovered], counts[V_NotFired], crashes, hangs,
           leak_check ? (counts[V_Leak] ? ", LEAKS" : ", no leaks") : "");
    fflush(stdout);
    findings = counts[V_Other] + counts[V_NotRecovered] + counts[V_Leak] + crashes + hangs > 0;
    return findings;
}

int main(int argc, char **argv) {
    long most = 0;
    int first = 1, failed = 0;
    counted = (long (*)(void))dlsym(RTLD_DEFAULT, "kj_counted_allocations");
    leak_check = (int (*)(void))dlsym(RTLD_DEFAULT, "__lsan_do_recoverable_leak_check");
    if (!counted) {
        fprintf(stderr, "kj_alloc_sweep: the library was not built with KJ_ALLOCATION_FAILURES\n");
        return 2;
    }
    if (argc > 2 && strcmp(argv[1], "--most") == 0) {
        most = atol(argv[2]);
        first = 3;
    }
    if (argc > 3 && strcmp(argv[1], "--only") == 0) {
        /* One failure, in this process (for a debugger): the reference run
           first, then the run with the n-th allocation failing. */
        run(argv[3]);
        memcpy(ref_output, output, sizeof output);
        memcpy(ref_messages, messages, sizeof messages);
        ref_result = run(argv[3]);
        ref_exit = KjGetUserExitCode();
        return child(argv[3], atol(argv[2]));
    }
    for (int k = first; k < argc; ++k) failed |= sweep(argv[k], most);
    KjMainExit();
    return failed;
}
