#include "api/prompt_input.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <unistd.h>
#include <vector>

#include "platform/process.h"
#include "runtime/host.h"
#include "runtime/messages.h"
#include "vm/run_control.h"

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

// Words that begin a definition rather than a statement.
const char* const k_definition_words[] = {"class", "struct", "enum", "namespace", "extern", "inline", "static"};

bool one_of(const std::string& word, std::initializer_list<const char*> words) {
    for (const char* w : words)
        if (word == w) return true;
    return false;
}

std::string first_word(const std::string& t) {
    std::size_t w = 0;
    while (w < t.size() && is_word_char(t[w])) ++w;
    return t.substr(0, w);
}

bool is_statement_word(const std::string& word) {
    for (const char* k : k_statement_words)
        if (word == k) return true;
    return one_of(word, {"foreach", "new", "this", "TRUE", "FALSE"});
}

// Reads "name", "A::name" or "A::~A" at i; empty when none (or a keyword).
std::string function_name_at(const std::string& t, std::size_t& i) {
    const std::size_t start = i;
    for (;;) {
        if (i < t.size() && t[i] == '~') ++i;
        const std::size_t word = i;
        while (i < t.size() && is_word_char(t[i])) ++i;
        if (i == word || std::isdigit(static_cast<unsigned char>(t[word]))) return {};
        if (t.compare(i, 2, "::") != 0) break;
        i += 2;
    }
    std::string name = t.substr(start, i - start);
    return is_statement_word(first_word(name)) ? std::string{} : name;
}

void skip_blank(const std::string& t, std::size_t& i) {
    while (i < t.size() && std::isspace(static_cast<unsigned char>(t[i]))) ++i;
}

// At the "(" at i: the position after its matching ")", npos when it stays open.
std::size_t after_parentheses(const std::string& t, std::size_t i) {
    int depth = 0;
    std::size_t end = std::string::npos;
    scan_code(t.substr(i), [&](std::size_t k) {
        if (end != std::string::npos) return;
        if (t[i + k] == '(') ++depth;
        if (t[i + k] == ')' && --depth == 0) end = i + k + 1;
    });
    return end;
}

// The text between the parentheses of a head with nothing after them.
bool head_parameters(const std::string& text, std::string& name, std::string& params) {
    const std::string t = trim(text);
    std::size_t i = 0;
    name = function_name_at(t, i);
    skip_blank(t, i);
    if (name.empty() || i >= t.size() || t[i] != '(') return false;
    const std::size_t end = after_parentheses(t, i);
    if (end != t.size()) return false;
    params = t.substr(i + 1, end - i - 2);
    return true;
}
}  // namespace

bool is_prompt_command(const std::string& text) { return !text.empty() && std::strchr("#?!", text[0]); }

std::string trim(const std::string& s) {
    std::size_t a = 0, b = s.size();
    while (a < b && std::isspace(static_cast<unsigned char>(s[a]))) ++a;
    while (b > a && std::isspace(static_cast<unsigned char>(s[b - 1]))) --b;
    return s.substr(a, b - a);
}

bool reading_script() { return !runtime::has_input_pipe() && !isatty(STDIN_FILENO); }

bool read_prompt_line(const char* prompt, std::string& line) {
    // What the program printed comes before the prompt. Lines the host gave
    // at once (a statement recalled whole) are read without one.
    if (runtime::has_output_pipe()) runtime::drain_output();
    std::fflush(stdout);
    if (*prompt && !runtime::input_pending()) {
        runtime::puts(prompt);
        if (!runtime::has_output_pipe()) std::fflush(stdout);
    }
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

CommandReader::CommandReader(LineSource source, NameTest known, Interrupts interrupts)
    : m_source(std::move(source)), m_known(std::move(known)), m_interrupts(interrupts) {}

bool CommandReader::interrupted() const { return m_interrupts == Interrupts::Drop && vm::take_input_interrupt(); }

bool CommandReader::read(const char* prompt, std::string& line) {
    if (m_holding) {
        m_holding = false;
        line = std::move(m_held);
        return true;
    }
    return m_source(prompt, line);
}

bool CommandReader::next(const char* prompt, std::string& text) {
    for (;;) {
        std::string line;
        if (!read(prompt, line)) return false;
        // What was typed before an interrupt is gone; a line read after it stays.
        if (interrupted() && trim(line).empty()) continue;
        text = line;
        if (trim(text).empty()) return true;
        if (is_prompt_command(trim(text))) return true;
        bool dropped = false;
        for (;;) {
            const bool head = m_known && is_definition_head(text, m_known);
            if (!head && !statement_continues(text)) break;
            if (!m_source("... ", line)) break;  // the end of input: what there is runs
            if (interrupted()) {
                dropped = true;
                break;
            }
            if (head && trim(line).rfind('{', 0) != 0) {
                m_held = line;
                m_holding = true;
                break;
            }
            text += "\n" + line;
        }
        if (!dropped) return true;
        if (!trim(line).empty()) {
            m_held = line;
            m_holding = true;
        }
    }
}

LineSource lines_of(const std::string& text) {
    auto pos = std::make_shared<std::size_t>(0);
    return [text, pos](const char*, std::string& line) {
        if (*pos >= text.size()) return false;
        std::size_t end = text.find('\n', *pos);
        if (end == std::string::npos) end = text.size();
        line = text.substr(*pos, end - *pos);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        *pos = end + 1;
        return true;
    };
}

std::string statement_text(const std::string& raw) {
    const std::string text = trim(raw);
    if (is_bare_expression(text) && !is_definition(text)) return "println(" + text + ");";
    if (!text.empty() && text.back() != ';' && text.back() != '}') return text + ";";
    return text;
}

bool statement_continues(const std::string& text) {
    // A loop or test head waits for its body, a class head for its members.
    const std::string t = trim(text);
    const std::string first = first_word(t);
    if (one_of(first, {"if", "for", "foreach", "while", "else", "do", "switch", "switch_single", "parallel", "serial",
                       "class", "struct", "enum", "namespace"}) &&
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

bool is_definition(const std::string& raw) {
    const std::string t = trim(raw);
    const std::string first = first_word(t);
    for (const char* w : k_definition_words)
        if (first == w) return true;
    std::size_t i = 0;
    if (function_name_at(t, i).empty()) return false;
    skip_blank(t, i);
    if (i >= t.size() || t[i] != '(') return false;
    i = after_parentheses(t, i);
    if (i == std::string::npos) return false;
    // Comments between the head and its body.
    bool brace = false, other = false;
    scan_code(t.substr(i), [&](std::size_t k) {
        const char c = t[i + k];
        if (brace || other || std::isspace(static_cast<unsigned char>(c))) return;
        (c == '{' ? brace : other) = true;
    });
    return brace;
}

bool is_definition_head(const std::string& text, const NameTest& known) {
    std::string name, params;
    if (!head_parameters(text, name, params)) return false;
    const NameKind kind = known(name);
    if (kind == NameKind::BuiltIn) return false;
    if (trim(params).empty()) return kind == NameKind::Unknown;
    bool declared = false;  // const, decl, a default or "...": no call looks so
    std::vector<std::string> names;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = params.find(',', start);
        std::string p = trim(params.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (p.rfind("...", 0) == 0) {
            declared = true;
            p = trim(p.substr(3));
        } else {
            for (const std::string q : {"const", "decl"}) {
                if (first_word(p) == q && p.size() > q.size()) {
                    declared = true;
                    p = trim(p.substr(q.size()));
                }
            }
            if (const std::size_t eq = p.find('='); eq != std::string::npos) {
                declared = true;
                p = trim(p.substr(0, eq));
            }
            if (p.empty()) return false;
        }
        if (!p.empty() && (first_word(p) != p || std::isdigit(static_cast<unsigned char>(p[0])))) return false;
        if (!p.empty()) names.push_back(p);
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    if (declared) return true;
    for (const std::string& n : names)
        if (known(n) != NameKind::Unknown) return false;
    return true;
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

bool operating_system_command(const std::string& command) {
    const std::string c = trim(command);
    if (c == "cd" || c.rfind("cd ", 0) == 0) {
        const std::string dir = trim(c.substr(2));
        if (!dir.empty() && chdir(dir.c_str()) == 0) return true;
        runtime::message(("Cannot change directory to " + dir).c_str());
        return false;
    }
    runtime::flush();
    if (platform::run_command(c) >= 0) return true;
    runtime::message("Cannot run the command");
    return false;
}

}  // namespace kj::api
