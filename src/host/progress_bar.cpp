#include "host/progress_bar.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/ioctl.h>
#include <unistd.h>

namespace kj::console {

namespace {

constexpr const char* k_caption = "Progress: ";  // as the library writes it
bool g_open = false;                              // a bar is on the current line

int terminal_width(std::FILE* out) {
    winsize w{};
    if (ioctl(fileno(out), TIOCGWINSZ, &w) == 0 && w.ws_col >= 20) return w.ws_col;
    return 80;
}

}  // namespace

bool show_progress(const char* text, std::FILE* out) {
    const std::size_t caption = std::strlen(k_caption);
    if (std::strncmp(text, k_caption, caption) != 0) return false;
    if (!isatty(fileno(out))) return true;
    // "Loading big.csv 40%": what, then the percentage after the last blank.
    std::string what = text + caption;
    const std::size_t blank = what.find_last_of(' ');
    if (blank == std::string::npos) return true;
    const int percent = std::atoi(what.c_str() + blank + 1);
    what.resize(blank);
    const int width = terminal_width(out) - 1;
    const int bar = std::max(10, std::min(40, width / 3));
    const int room = width - bar - 8;  // " [" bar "] 100%"
    if (static_cast<int>(what.size()) > room) what = "..." + what.substr(what.size() - static_cast<std::size_t>(room - 3));
    const int filled = bar * std::max(0, std::min(100, percent)) / 100;
    std::string line = "\r" + what + " [" + std::string(static_cast<std::size_t>(filled), '#') +
                       std::string(static_cast<std::size_t>(bar - filled), ' ') + "] " + std::to_string(percent) + "%";
    std::fflush(stdout);
    std::fputs(line.c_str(), out);
    g_open = percent < 100;
    if (!g_open) std::fputc('\n', out);
    std::fflush(out);
    return true;
}

void end_progress_line(std::FILE* out) {
    if (!g_open) return;
    std::fputc('\n', out);
    g_open = false;
}

}  // namespace kj::console
