#include "run_fuzz_support.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include <kj80x.h>

#include "runtime/alloc.h"

// The coverage counters of the instrumented code (one byte per edge), placed
// by the compiler in one section whose bounds the linker provides.
extern "C" {
extern std::uint8_t __start___sancov_cntrs[] __attribute__((weak));
extern std::uint8_t __stop___sancov_cntrs[] __attribute__((weak));
}

namespace kj::fuzz {

namespace {

// A run that takes more processor time is stopped (SIGXCPU): a loop without
// end in the program (or in a damaged object file's jumps) is no finding. The
// time a sanitizer report takes is spent mostly by the symbolizer, a process
// of its own. A run that waits (for input, in sleep) is killed after the
// wall-clock limit.
constexpr rlim_t k_run_seconds = 1;
constexpr auto k_wall_limit = std::chrono::seconds(20);
// The largest single allocation of a run: a program may ask for any size, and
// an orderly "out of memory" is all that is looked for.
constexpr std::uint64_t k_run_allocation_limit = std::uint64_t{256} << 20;

void discard(const char*) {}
void no_input(char* buffer, int size) {
    if (size > 0) buffer[0] = '\0';
}

bool refused(std::string_view text) {
    for (const char* word : {"systemcall", "/dev/", "/proc/"})
        if (text.find(word) != std::string_view::npos) return true;
    return false;
}

std::size_t counter_bytes() {
    return __start___sancov_cntrs && __stop___sancov_cntrs
               ? static_cast<std::size_t>(__stop___sancov_cntrs - __start___sancov_cntrs)
               : 0;
}

// Counters the child shares with this process: it copies its own there
// before it exits, and they are merged into this process's after it.
std::uint8_t* shared_counters() {
    static std::uint8_t* const shared = [] {
        const std::size_t n = counter_bytes();
        if (n == 0) return static_cast<std::uint8_t*>(nullptr);
        void* p = mmap(nullptr, n, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
        return p == MAP_FAILED ? nullptr : static_cast<std::uint8_t*>(p);
    }();
    return shared;
}

// Waits for the child up to the wall-clock limit; kills it after. True when
// it exited normally.
bool wait_for(pid_t child) {
    const auto deadline = std::chrono::steady_clock::now() + k_wall_limit;
    auto pause = std::chrono::microseconds(20);
    int status = 0;
    for (;;) {
        const pid_t done = waitpid(child, &status, WNOHANG);
        if (done == child) break;
        if (done < 0 && errno != EINTR) return false;
        if (std::chrono::steady_clock::now() > deadline) {
            kill(child, SIGKILL);
            while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
            }
            return false;
        }
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::microseconds(2000));
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return true;
    // Out of processor time (past the hard limit too), or killed here.
    if (WIFSIGNALED(status) && (WTERMSIG(status) == SIGXCPU || WTERMSIG(status) == SIGKILL)) return false;
    // A crash, a sanitizer report or an abort in the child (which has written
    // its report): the input is this process's finding too.
    std::fprintf(stderr, "run_fuzz_support: the run ended with %s %d\n",
                 WIFSIGNALED(status) ? "signal" : "exit status",
                 WIFSIGNALED(status) ? WTERMSIG(status) : WEXITSTATUS(status));
    std::abort();
}

// A fuzzed program or object file can name any built-in, systemcall among
// them, with any text; the source refusal above cannot see through an object
// file's tables. The child therefore may not start programs at all: execve
// fails with EPERM, which Kj reports as a failed command. (A sanitizer report
// in the child then goes without its symbolizer; the input reproduces it.)
void forbid_programs() {
    sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, AUDIT_ARCH_X86_64, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EPERM),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_execve, 2, 0),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_execveat, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EPERM),
    };
    sock_fprog program{static_cast<unsigned short>(sizeof filter / sizeof filter[0]), filter};
    if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 ||
        prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) != 0)
        _exit(0);  // no run without the guard
}

// A private folder: the fuzzer's own paths stay relative to the working one.
const std::string& private_dir() {
    static const std::string dir = [] {
        std::string d = "/tmp/kj_fuzz." + std::to_string(getpid());
        (void)mkdir(d.c_str(), 0700);
        return d;
    }();
    return dir;
}

// Runs body in a child process working in the private folder, with the
// smaller allocation limit and the processor-time limit; its coverage joins
// this process's when it exits normally.
template <class Body>
void run_in_child(const std::string& dir, Body body) {
    std::uint8_t* shared = shared_counters();
    if (shared) std::fill_n(shared, counter_bytes(), 0);
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child < 0) return;
    if (child == 0) {
        // Files the program writes land in the private folder.
        if (chdir(dir.c_str()) != 0) _exit(0);
        forbid_programs();
        runtime::set_allocation_limit(k_run_allocation_limit);
        const rlimit cpu{k_run_seconds, k_run_seconds + 1};
        setrlimit(RLIMIT_CPU, &cpu);
        body();
        if (shared) std::copy_n(__start___sancov_cntrs, counter_bytes(), shared);
        // No exit handlers: the fuzzer's own would take the exit for a finding.
        _exit(0);
    }
    if (!wait_for(child) || !shared) return;
    std::uint8_t* counters = __start___sancov_cntrs;
    for (std::size_t i = 0, n = counter_bytes(); i < n; ++i) counters[i] = std::max(counters[i], shared[i]);
}

}  // namespace

void prepare_runs() {
    static const bool done = [] {
        SetKjMessage(discard);
        SetKjRunMessage(discard);
        SetKjPuts(discard);
        SetKjGets(no_input);
        // Once here rather than in every child: the built-in library's tables.
        KjMainInit();
        return true;
    }();
    (void)done;
}

void run_file(const std::uint8_t* data, std::size_t size, const char* name) {
    prepare_runs();
    if (refused(std::string_view(reinterpret_cast<const char*>(data), size))) return;
    const std::string& dir = private_dir();
    const std::string path = dir + "/" + name;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    run_in_child(dir, [&path] {
        std::string arg0 = "kj", arg1 = "-b", arg2 = path;
        char* argv[] = {arg0.data(), arg1.data(), arg2.data(), nullptr};
        KjMain(3, argv);
    });
}

void run_session_text(const std::string& text) {
    prepare_runs();
    if (refused(text)) return;
    run_in_child(private_dir(), [&text] {
        if (KjSessionStart() != 1) return;
        const char* value = nullptr;
        KjSessionRun(text.c_str(), &value);
        KjSessionEnd();
    });
}

}  // namespace kj::fuzz
