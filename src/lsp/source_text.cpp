#include "source_text.h"

#include <cctype>

namespace kj::lsp {

namespace {

bool word_char(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

// Code units of UTF-16 for the UTF-8 sequence that starts with byte c.
int utf16_units(unsigned char c) { return c >= 0xF0 ? 2 : 1; }
bool continuation(unsigned char c) { return (c & 0xC0) == 0x80; }

}  // namespace

SourceText::SourceText(std::string text) : m_text(std::move(text)) {
    m_starts.push_back(0);
    for (std::size_t i = 0; i < m_text.size(); ++i)
        if (m_text[i] == '\n') m_starts.push_back(i + 1);
}

std::string_view SourceText::line(int line) const {
    if (line < 0 || line >= line_count()) return {};
    const std::size_t start = m_starts[line];
    std::size_t end = line + 1 < line_count() ? m_starts[line + 1] - 1 : m_text.size();
    if (end > start && m_text[end - 1] == '\r') --end;
    return std::string_view(m_text).substr(start, end - start);
}

int SourceText::utf16_column(int line_number, int byte_column) const {
    const std::string_view l = line(line_number);
    int units = 0;
    for (std::size_t i = 0; i < l.size() && static_cast<int>(i) < byte_column; ++i) {
        const auto c = static_cast<unsigned char>(l[i]);
        if (!continuation(c)) units += utf16_units(c);
    }
    return units;
}

int SourceText::byte_column(int line_number, int utf16_column) const {
    const std::string_view l = line(line_number);
    int units = 0;
    std::size_t i = 0;
    while (i < l.size() && units < utf16_column) {
        units += utf16_units(static_cast<unsigned char>(l[i]));
        ++i;
        while (i < l.size() && continuation(static_cast<unsigned char>(l[i]))) ++i;
    }
    return static_cast<int>(i);
}

SourceText::Word SourceText::word_at(int line_number, int byte_column) const {
    const std::string_view l = line(line_number);
    std::size_t at = static_cast<std::size_t>(byte_column < 0 ? 0 : byte_column);
    if (at > l.size()) at = l.size();
    // On the character after a word (the cursor at its end) the word counts.
    if ((at == l.size() || !word_char(l[at])) && at > 0 && word_char(l[at - 1])) --at;
    if (at >= l.size() || !word_char(l[at])) return {};
    std::size_t start = at, end = at;
    auto extend_left = [&] {
        while (start > 0 && word_char(l[start - 1])) --start;
    };
    extend_left();
    while (end < l.size() && word_char(l[end])) ++end;
    // Qualified names: ns::name, Class::member.
    while (start >= 3 && l.substr(start - 2, 2) == "::" && word_char(l[start - 3])) {
        start -= 2;
        extend_left();
    }
    while (end + 2 < l.size() && l.substr(end, 2) == "::" && word_char(l[end + 2])) {
        end += 2;
        while (end < l.size() && word_char(l[end])) ++end;
    }
    return {std::string(l.substr(start, end - start)), line_number, static_cast<int>(start), static_cast<int>(end)};
}

SourceText::Prefix SourceText::prefix_at(int line_number, int byte_column) const {
    const std::string_view l = line(line_number);
    std::size_t end = static_cast<std::size_t>(byte_column < 0 ? 0 : byte_column);
    if (end > l.size()) end = l.size();
    std::size_t start = end;
    while (start > 0 && (word_char(l[start - 1]) || (start >= 2 && l.substr(start - 2, 2) == "::"))) {
        start -= l[start - 1] == ':' ? 2 : 1;
    }
    Prefix p;
    p.text = std::string(l.substr(start, end - start));
    std::size_t before = start;
    if (before >= 1 && l[before - 1] == '.') before -= 1;
    else if (before >= 2 && l.substr(before - 2, 2) == "->") before -= 2;
    else return p;
    std::size_t object_start = before;
    while (object_start > 0 && word_char(l[object_start - 1])) --object_start;
    p.object = std::string(l.substr(object_start, before - object_start));
    return p;
}

namespace {

int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::string path_of_uri(const std::string& uri) {
    constexpr std::string_view scheme = "file://";
    if (uri.compare(0, scheme.size(), scheme) != 0) return uri;
    std::string path;
    for (std::size_t i = scheme.size(); i < uri.size(); ++i) {
        if (uri[i] == '%' && i + 2 < uri.size() && hex_value(uri[i + 1]) >= 0 && hex_value(uri[i + 2]) >= 0) {
            path.push_back(static_cast<char>(hex_value(uri[i + 1]) * 16 + hex_value(uri[i + 2])));
            i += 2;
        } else {
            path.push_back(uri[i]);
        }
    }
    return path;
}

std::string uri_of_path(const std::string& path) {
    if (path.empty() || path[0] != '/') return path;
    static const char* const k_hex = "0123456789ABCDEF";
    std::string uri = "file://";
    for (const char ch : path) {
        const auto c = static_cast<unsigned char>(ch);
        if (std::isalnum(c) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
            uri.push_back(ch);
        } else {
            uri.push_back('%');
            uri.push_back(k_hex[c >> 4]);
            uri.push_back(k_hex[c & 15]);
        }
    }
    return uri;
}

}  // namespace kj::lsp
