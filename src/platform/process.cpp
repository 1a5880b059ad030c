#include "platform/process.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstdio>

extern char** environ;

namespace kj::platform {

int run_command(const std::string& command) {
    if (command.find_first_not_of(" \t\r\n") == std::string::npos) return -1;
    std::string shell = "/bin/sh", flag = "-c", line = command;
    char* argv[] = {shell.data(), flag.data(), line.data(), nullptr};

    std::fflush(nullptr);  // our buffered output comes before the command's
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv, environ) != 0) return -1;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) return -1;
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return -1;
}

}  // namespace kj::platform
