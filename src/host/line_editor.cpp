#include "host/line_editor.h"

#include <algorithm>
#include <clocale>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <dlfcn.h>
#include <langinfo.h>
#include <unistd.h>

#include <editline/readline.h>

#include <kj80x.h>

namespace kj::console {

namespace {
constexpr int k_history_lines = 1000;

// libedit and the three libraries it brings are loaded only when a prompt is
// shown on a terminal: a program run from a file does not map them.
struct Editline {
    decltype(&::readline) readline;
    decltype(&::add_history) add_history;
    decltype(&::stifle_history) stifle_history;
    decltype(&::read_history) read_history;
    decltype(&::write_history) write_history;
    decltype(&::rl_line_buffer) line_buffer;
    decltype(&::rl_point) point;
    decltype(&::rl_readline_name) readline_name;
    decltype(&::rl_completion_entry_function) completion_entry_function;
    decltype(&::rl_basic_word_break_characters) basic_word_break_characters;
};
Editline g_edit{};

template <class T>
bool find(void* library, T& slot, const char* name) {
    slot = reinterpret_cast<T>(dlsym(library, name));
    return slot != nullptr;
}

bool load_editline() {
    void* lib = dlopen("libedit.so.2", RTLD_NOW | RTLD_LOCAL);
    if (!lib) return false;
    Editline& e = g_edit;
    return find(lib, e.readline, "readline") && find(lib, e.add_history, "add_history") &&
           find(lib, e.stifle_history, "stifle_history") && find(lib, e.read_history, "read_history") &&
           find(lib, e.write_history, "write_history") && find(lib, e.line_buffer, "rl_line_buffer") &&
           find(lib, e.point, "rl_point") && find(lib, e.readline_name, "rl_readline_name") &&
           find(lib, e.completion_entry_function, "rl_completion_entry_function") &&
           find(lib, e.basic_word_break_characters, "rl_basic_word_break_characters");
}

bool g_installed = false;
std::string g_history_file;
volatile std::sig_atomic_t g_reading = 0;
volatile std::sig_atomic_t g_interrupted = 0;
// The text after the last line feed written: the prompt the editor shows.
std::string g_partial;
// The library asks for the next line of an open statement at this prompt.
constexpr const char* k_continuation_prompt = "... ";
// The statement being typed, line by line: one history entry once it is
// whole (at the next prompt that is not a continuation).
std::string g_statement;

void remember_statement() {
    if (!g_statement.empty()) g_edit.add_history(g_statement.c_str());
    g_statement.clear();
}

void write_output(const char* text) {
    const char* last = std::strrchr(text, '\n');
    if (last) g_partial.assign(last + 1);
    else g_partial += text;
    std::fputs(text, stdout);
    std::fflush(stdout);
}

// The partial line on the screen is drawn again by the editor as its prompt.
void read_input(char* buffer, int size) {
    buffer[0] = '\0';
    if (size < 2) return;
    std::fputs("\r", stdout);
    std::fflush(stdout);
    const std::string prompt = g_partial;
    g_partial.clear();
    const bool continuation = prompt == k_continuation_prompt;
    if (!continuation) remember_statement();
    g_interrupted = 0;
    g_reading = 1;
    char* line = g_edit.readline(prompt.c_str());
    g_reading = 0;
    if (g_interrupted) {
        // Ctrl-C while typing drops the line, and what was typed of the
        // statement before it: the library asks again at its first prompt.
        std::free(line);
        g_statement.clear();
        std::fputs("\n", stdout);
        KjRunAbort();
        std::snprintf(buffer, static_cast<std::size_t>(size), "\n");
        return;
    }
    if (!line) {
        std::fputs("\n", stdout);
        return;  // end of input (Ctrl-D)
    }
    // A statement recalled whole from the history is one entry again.
    if (*line) g_statement += (continuation && !g_statement.empty() ? "\n" : "") + std::string(line);
    std::snprintf(buffer, static_cast<std::size_t>(size), "%.*s\n", size - 2, line);
    std::free(line);
}

// After #help or #apropos the word is a topic of the reference, completed
// from the names of the entries. The editor splits words at ':' as well, so
// the topic is the whole last word of the line ("gauss::in"), and what
// replaces the editor's word is the rest of a name after that word's start.
bool topic_word(std::string& word) {
    const char* buffer = *g_edit.line_buffer;
    if (!buffer) return false;
    const std::string line(buffer, std::min<std::size_t>(std::strlen(buffer), static_cast<std::size_t>(*g_edit.point)));
    std::size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos || (line.compare(start, 6, "#help ") != 0 && line.compare(start, 9, "#apropos ") != 0))
        return false;
    const std::size_t blank = line.find_last_of(" \t");
    word = line.substr(blank + 1);
    return true;
}

char* complete_name(const char* text, int state) {
    std::string word;
    if (topic_word(word)) {
        const std::size_t skip = word.size() >= std::strlen(text) ? word.size() - std::strlen(text) : 0;
        for (const char* name = SKjApropos(word.c_str(), state); name; name = SKjApropos(word.c_str(), 1))
            if (std::strncmp(name, word.c_str(), word.size()) == 0) return strdup(name + skip);
        return nullptr;
    }
    const char* name = SKjCompletionName(text, state);
    return name ? strdup(name) : nullptr;
}

// At the prompt an interrupt concerns the line being typed, not the program.
void on_interrupt(int) {
    if (g_reading) {
        g_interrupted = 1;
        return;
    }
    KjRunAbort();
}
}  // namespace

bool wants_prompt(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (argv[i][0] != '-') return false;
        if (std::strcmp(argv[i], "-d") == 0 || std::strcmp(argv[i], "-i") == 0) return true;
        if (std::strcmp(argv[i], "-r-") == 0 || std::strncmp(argv[i], "-l", 2) == 0) return false;
    }
    return argc > 1;  // options only: the interactive mode
}

bool reads_script(int argc, char** argv) {
    if (isatty(fileno(stdin)) || !wants_prompt(argc, argv)) return false;
    for (int i = 1; i < argc && argv[i][0] == '-'; ++i)
        if (std::strcmp(argv[i], "-d") == 0) return false;
    return true;
}

void install_line_editor() {
    // Without the editor the library reads standard input line by line.
    if (!isatty(fileno(stdin)) || !isatty(fileno(stdout)) || !load_editline()) return;
    // Characters are what the terminal's locale says; its "C" reads UTF-8.
    const char* ctype = std::setlocale(LC_CTYPE, "");
    if (!ctype || std::strcmp(nl_langinfo(CODESET), "UTF-8") != 0) {
        if (!ctype || std::strcmp(ctype, "C") == 0 || std::strcmp(ctype, "POSIX") == 0)
            std::setlocale(LC_CTYPE, "C.UTF-8");
    }
    *g_edit.readline_name = "kj";
    *g_edit.completion_entry_function = complete_name;
    *g_edit.basic_word_break_characters = " \t\n\"\\'`@$><=;|&{([,+-*/^~!%:.";
    g_edit.stifle_history(k_history_lines);
    if (const char* home = std::getenv("HOME")) {
        g_history_file = std::string(home) + "/.kj_history";
        g_edit.read_history(g_history_file.c_str());
    }
    // The pipes carry the program's output and input through the callbacks.
    SetKjPipe(0);
    SetKjPuts(write_output);
    SetKjGets(read_input);
    g_installed = true;
}

void save_history() {
    if (!g_installed) return;
    remember_statement();
    if (!g_history_file.empty()) g_edit.write_history(g_history_file.c_str());
}

void install_interrupt() {
    struct sigaction sa {};
    sa.sa_handler = on_interrupt;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    sigaction(SIGINT, &sa, nullptr);
}

}  // namespace kj::console
