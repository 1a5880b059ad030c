#include "platform/process.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstdio>

extern char** environ;

namespace kj::platform {

std::vector<std::string> split_command_line(const std::string& command) {
    std::vector<std::string> words;
    std::string word;
    bool in_word = false, quoted = false;
    for (std::size_t i = 0; i < command.size(); ++i) {
        const char ch = command[i];
        if (ch == '\\' && i + 1 < command.size() && command[i + 1] == '"') {
            word += '"';
            in_word = true;
            ++i;
        } else if (ch == '"') {
            quoted = !quoted;
            in_word = true;
        } else if (!quoted && (ch == ' ' || ch == '\t' || ch == '\n' || ch == '\r')) {
            if (in_word) words.push_back(word);
            word.clear();
            in_word = false;
        } else {
            word += ch;
            in_word = true;
        }
    }
    if (in_word) words.push_back(word);
    return words;
}

int run_command(const std::string& command) {
    std::vector<std::string> words = split_command_line(command);
    if (words.empty()) return -1;
    std::vector<char*> argv;
    argv.reserve(words.size() + 1);
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);

    std::fflush(nullptr);  // our buffered output comes before the command's
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0)
        if (errno != EINTR) return -1;
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return -1;
}

}  // namespace kj::platform
