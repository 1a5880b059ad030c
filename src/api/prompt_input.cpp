#include "api/prompt_input.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <unistd.h>
#include <vector>

#include "platform/process.h"
#include "runtime/host.h"
#include "runtime/messages.h"

namespace kj::api {

namespace {
constexpr int k_line_size = 4096;

bool is_word_char(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

// Scans text, calling at(i, depth) for each character outside strings and
// comments; reports unterminated strings or block comments.
template <class F>
bool scan_code(const std::string& t, F at) {
    bool in_string = false, in_block = false;
    for (std::size_t i = 0; i < t.size(); ++i) {
        const char c = t[i];
        if (in_block) {
            if (c == '*' && i + 1 < t.size() && t[i + 1] == '/') {
                in_block = false;
                ++i;
            }
            continue;
        }
        if (in_string) {
            if (c == '\\') {
                ++i;
            } else if (c == '"') {
                in_string = false;
                at(i);
            }
            continue;
        }
        if (c == '"') {
            in_string = true;
            at(i);
        } else if (c == '/' && i + 1 < t.size() && t[i + 1] == '/') {
            while (i < t.size() && t[i] != '\n') ++i;
        } else if (c == '/' && i + 1 < t.size() && t[i + 1] == '*') {
            in_block = true;
            ++i;
        } else {
            at(i);
        }
    }
    return in_string || in_block;
}

const char* const k_statement_words[] = {"decl", "if", "for", "foreach", "while", "do", "switch", "switch_single",
                                         "return", "break", "continue", "goto", "const", "static", "delete",
                                         "serial", "parallel", "else"};
}  // namespace

std::string trim(const std::string& s) {
    std::size_t a = 0, b = s.size();
    while (a < b && std::isspace(static_cast<unsigned char>(s[a]))) ++a;
    while (b > a && std::isspace(static_cast<unsigned char>(s[b - 1]))) --b;
    return s.substr(a, b - a);
}

bool read_prompt_line(const char* prompt, std::string& line) {
    // What the program printed comes before the prompt.
    runtime::flush();
    runtime::puts(prompt);
    if (!runtime::has_output_pipe()) std::fflush(stdout);
    std::vector<char> buf(k_line_size);
    line.clear();
    for (;;) {
        if (!runtime::read_line(buf.data(), k_line_size)) return !line.empty();
        line += buf.data();
        if (!line.empty() && line.back() == '\n') break;
    }
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    return true;
}

std::string statement_text(const std::string& raw) {
    const std::string text = trim(raw);
    if (is_bare_expression(text)) return "println(" + text + ");";
    if (!text.empty() && text.back() != ';' && text.back() != '}') return text + ";";
    return text;
}

bool statement_continues(const std::string& text) {
    // A loop or test head waits for its body.
    const std::string t = trim(text);
    std::size_t w = 0;
    while (w < t.size() && is_word_char(t[w])) ++w;
    const std::string first = t.substr(0, w);
    if ((first == "if" || first == "for" || first == "foreach" || first == "while" || first == "else" ||
         first == "do" || first == "switch" || first == "switch_single" || first == "parallel" || first == "serial") &&
        !t.empty() && t.back() != ';' && t.back() != '}')
        return true;
    int depth = 0;
    char last = 0;
    const bool open = scan_code(text, [&](std::size_t i) {
        const char c = text[i];
        if (c == '(' || c == '[' || c == '{') ++depth;
        if (c == ')' || c == ']' || c == '}') --depth;
        if (!std::isspace(static_cast<unsigned char>(c))) last = c;
    });
    if (open || depth > 0) return true;
    if (t.ends_with("++") || t.ends_with("--")) return false;
    // A final ">" closes a matrix constant as often as it asks for an operand.
    return last && std::strchr("+-*/=<&|,^~!.", last);
}

bool is_bare_expression(const std::string& raw) {
    const std::string text = trim(raw);
    if (text.empty() || text.back() == ';' || text.back() == '}') return false;
    std::size_t w = 0;
    while (w < text.size() && is_word_char(text[w])) ++w;
    const std::string first = text.substr(0, w);
    for (const char* k : k_statement_words)
        if (first == k) return false;
    int depth = 0;
    bool assignment = false;
    scan_code(text, [&](std::size_t i) {
        const char c = text[i];
        if (c == '(' || c == '[' || c == '{') ++depth;
        if (c == ')' || c == ']' || c == '}') --depth;
        if (depth != 0) return;
        if (c == '=') {
            const char before = i > 0 ? text[i - 1] : 0;
            const char after = i + 1 < text.size() ? text[i + 1] : 0;
            if (after == '=' || before == '=' || before == '<' || before == '>' || before == '!') return;
            assignment = true;
        }
        if ((c == '+' || c == '-') && i + 1 < text.size() && text[i + 1] == c) assignment = true;
    });
    return !assignment;
}

void operating_system_command(const std::string& command) {
    const std::string c = trim(command);
    if (c == "cd" || c.rfind("cd ", 0) == 0) {
        const std::string dir = trim(c.substr(2));
        if (dir.empty() || chdir(dir.c_str()) != 0) runtime::puts(("Cannot change directory to " + dir + "\n").c_str());
        return;
    }
    runtime::flush();
    if (platform::run_command(c) < 0) runtime::puts("Cannot run the command\n");
}

}  // namespace kj::api
