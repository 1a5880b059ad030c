#include "support/run_kj.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace kj::test {

ProgramRun run_kj(const std::string& source, int timeout_seconds) {
    char dir[] = "/tmp/kj_run_XXXXXX";
    ProgramRun run;
    if (!mkdtemp(dir)) return run;
    // The sanitized debug build runs several times slower: a limit meant to
    // catch quadratic time or a hang gets room for that.
    const char* sanitized = std::getenv("KJ_TEST_SANITIZED");
    if (sanitized && std::strcmp(sanitized, "1") == 0) timeout_seconds *= 4;
    const std::string file = std::string(dir) + "/p.kj";
    std::ofstream(file) << source;
    const std::string cmd = "cd " + std::string(dir) + " && timeout -s KILL " + std::to_string(timeout_seconds) +
                            " " KJ_BINARY_DIR "/kj -b p.kj 2>&1";
    if (FILE* p = popen(cmd.c_str(), "r")) {
        char buf[4096];
        std::size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) run.output.append(buf, n);
        const int st = pclose(p);
        // The shell reports a child killed by a signal as 128 + signal.
        run.status = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + (WIFSIGNALED(st) ? WTERMSIG(st) : 0);
    }
    std::remove(file.c_str());
    rmdir(dir);
    return run;
}

std::string program(const std::string& body, const std::string& before_main) {
    return "#include <kjstd.kjh>\n" + before_main + "\nmain()\n{\n" + body + "\n}\n";
}

}  // namespace kj::test
