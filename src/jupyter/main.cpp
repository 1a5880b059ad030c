// kj-kernel: the Jupyter kernel of Kj.
//
//   kj-kernel -f CONNECTION_FILE     serve a notebook (as kernel.json starts it)
//   kj-kernel install [--user | --prefix DIR]   install the kernel description
//
// An interrupt arrives as SIGINT. It is taken by a thread of its own, with
// the signal blocked everywhere else, so that no socket wait is broken off;
// that thread stops the running cell.
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <pthread.h>
#include <string>
#include <thread>
#include <unistd.h>

#include <xeus/xkernel.hpp>
#include <xeus/xkernel_configuration.hpp>
#include <xeus/xserver_zmq.hpp>

#include "kernel_interpreter.h"
#include "kernel_install.h"

namespace {

const char* const k_usage =
    "usage: kj-kernel -f CONNECTION_FILE\n"
    "       kj-kernel install [--user | --prefix DIR]\n";

int install(int argc, char** argv) {
    bool user = false;
    std::string prefix;
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--user") == 0) {
            user = true;
        } else if (std::strcmp(argv[i], "--prefix") == 0 && i + 1 < argc) {
            prefix = argv[++i];
        } else {
            std::fputs(k_usage, stderr);
            return 2;
        }
    }
    const std::string destination = kj::jupyter::kernel_destination(user, prefix);
    const std::string error = kj::jupyter::install_kernel_files(destination);
    if (!error.empty()) {
        std::fprintf(stderr, "kj-kernel: %s\n", error.c_str());
        return 1;
    }
    std::printf("Installed the Kj kernel description in %s\n", destination.c_str());
    return 0;
}

// The connection file: after -f, or the only argument.
std::string connection_file(int argc, char** argv) {
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "-f") == 0) return argv[i + 1];
    return argc == 2 && argv[1][0] != '-' ? argv[1] : "";
}

int serve(const std::string& file) {
    // Cells read no keyboard; output is line-buffered for the relay.
    const int null_fd = open("/dev/null", O_RDONLY);
    if (null_fd >= 0) {
        dup2(null_fd, STDIN_FILENO);
        close(null_fd);
    }
    std::setvbuf(stdout, nullptr, _IOLBF, BUFSIZ);

    sigset_t interrupt;
    sigemptyset(&interrupt);
    sigaddset(&interrupt, SIGINT);
    pthread_sigmask(SIG_BLOCK, &interrupt, nullptr);  // inherited by every later thread

    const xeus::xconfiguration config = xeus::load_configuration(file);
    auto interpreter = std::make_unique<kj::jupyter::KernelInterpreter>();
    kj::jupyter::KernelInterpreter* kernel_side = interpreter.get();
    std::thread([kernel_side, interrupt] {
        for (;;) {
            int sig = 0;
            if (sigwait(&interrupt, &sig) == 0) kernel_side->interrupt();
        }
    }).detach();

    xeus::xkernel kernel(config, xeus::get_user_name(), xeus::make_context<zmq::context_t>(), std::move(interpreter),
                         xeus::make_xserver_zmq, xeus::make_in_memory_history_manager(), nullptr,
                         xeus::make_null_debugger, nl::json::object(), nl::json::error_handler_t::replace);
    kernel.start();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "install") == 0) return install(argc, argv);
    if (argc >= 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("kj-kernel %s\n", KJ_VERSION);
        return 0;
    }
    const std::string file = connection_file(argc, argv);
    if (file.empty()) {
        std::fputs(k_usage, stderr);
        return 2;
    }
    try {
        return serve(file);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kj-kernel: %s\n", e.what());
        return 1;
    }
}
