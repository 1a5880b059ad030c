#include "cell_text.h"

#include <cctype>

namespace kj::jupyter {

namespace {
bool is_continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }
bool is_name_char(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == ':' || (c & 0x80);
}
}  // namespace

std::size_t byte_offset(const std::string& text, int pos) {
    std::size_t at = 0;
    for (int k = 0; k < pos && at < text.size(); ++k) {
        ++at;
        while (at < text.size() && is_continuation(text[at])) ++at;
    }
    return at;
}

int char_position(const std::string& text, std::size_t at) {
    int pos = 0;
    for (std::size_t i = 0; i < at && i < text.size(); ++i)
        if (!is_continuation(text[i])) ++pos;
    return pos;
}

std::size_t name_start(const std::string& text, std::size_t end) {
    std::size_t a = end > text.size() ? text.size() : end;
    while (a > 0 && (is_name_char(text[a - 1]) || text[a - 1] == '.')) --a;
    return a;
}

std::string name_at(const std::string& text, std::size_t at) {
    std::size_t a = at > text.size() ? text.size() : at, b = a;
    while (a > 0 && is_name_char(text[a - 1])) --a;
    while (b < text.size() && is_name_char(text[b])) ++b;
    return text.substr(a, b - a);
}

std::size_t open_call(const std::string& text, std::size_t at) {
    int depth = 0;
    for (std::size_t i = at > text.size() ? text.size() : at; i > 0; --i) {
        const char c = text[i - 1];
        if (c == ')') ++depth;
        if (c == '(' && depth-- == 0) {
            std::size_t end = i - 1;
            while (end > 0 && text[end - 1] == ' ') --end;
            return end;
        }
    }
    return std::string::npos;
}

const char* completeness(const std::string& t) {
    int depth = 0;
    for (std::size_t i = 0; i < t.size(); ++i) {
        const char c = t[i];
        if (c == '"') {
            for (++i; i < t.size() && t[i] != '"'; ++i)
                if (t[i] == '\\') ++i;
            if (i >= t.size()) return "incomplete";
        } else if (c == '/' && i + 1 < t.size() && t[i + 1] == '/') {
            while (i < t.size() && t[i] != '\n') ++i;
        } else if (c == '/' && i + 1 < t.size() && t[i + 1] == '*') {
            const std::size_t end = t.find("*/", i + 2);
            if (end == std::string::npos) return "incomplete";
            i = end + 1;
        } else if (c == '(' || c == '[' || c == '{') {
            ++depth;
        } else if (c == ')' || c == ']' || c == '}') {
            if (--depth < 0) return "invalid";
        }
    }
    return depth > 0 ? "incomplete" : "complete";
}

}  // namespace kj::jupyter
