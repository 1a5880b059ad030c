#include "run_fuzz_support.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include <kj80x.h>

#include "compiler/diagnostics.h"

namespace kj::fuzz {

namespace {

void discard(const char*) {}
void no_input(char* buffer, int size) {
    if (size > 0) buffer[0] = '\0';
}

std::atomic<long> g_run_started{0};  // steady-clock milliseconds; 0 between runs

long now_ms() {
    using namespace std::chrono;
    return static_cast<long>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void watchdog() {
    for (;;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        const long start = g_run_started.load();
        if (start != 0 && now_ms() - start > 1000) KjRunAbort();
    }
}

bool refused(std::string_view text) {
    for (const char* word : {"systemcall", "/dev/", "/proc/"})
        if (text.find(word) != std::string_view::npos) return true;
    return false;
}

}  // namespace

void prepare_runs() {
    static const bool done = [] {
        SetKjMessage(discard);
        SetKjRunMessage(discard);
        SetKjPuts(discard);
        SetKjGets(no_input);
        std::thread(watchdog).detach();
        return true;
    }();
    (void)done;
}

void run_file(const std::uint8_t* data, std::size_t size, const char* name) {
    prepare_runs();
    if (refused(std::string_view(reinterpret_cast<const char*>(data), size))) return;
    // A private folder: the fuzzer's own paths stay relative to the working one.
    static const std::string dir = [] {
        std::string d = "/tmp/kj_fuzz." + std::to_string(getpid());
        (void)mkdir(d.c_str(), 0700);
        return d + "/";
    }();
    const std::string path = dir + name;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    std::string arg0 = "kj", arg1 = "-b", arg2 = path;
    char* argv[] = {arg0.data(), arg1.data(), arg2.data(), nullptr};
    g_run_started.store(now_ms());
    KjMain(3, argv);
    g_run_started.store(0);
}

void run_session_text(const std::string& text) {
    prepare_runs();
    if (refused(text)) return;
    if (KjSessionStart() != 1) return;
    const char* value = nullptr;
    g_run_started.store(now_ms());
    KjSessionRun(text.c_str(), &value);
    g_run_started.store(0);
    KjSessionEnd();
}

}  // namespace kj::fuzz
