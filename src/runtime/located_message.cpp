#include "runtime/located_message.h"

#include <fstream>

#include "runtime/settings.h"

namespace kj::runtime {

namespace {
constexpr std::string_view k_indent = "    ";
}  // namespace

bool file_line_form() { return settings().file_line_messages; }

std::string located_message(std::string_view file, int line, int column, std::string_view kind, std::string_view text,
                            std::string_view source_line) {
    std::string out(file);
    out += ':' + std::to_string(line) + ':';
    if (column >= 0) out += std::to_string(column + 1) + ':';
    out += ' ';
    out += kind;
    out += ": ";
    out += text;
    if (source_line.find_first_not_of(" \t") == std::string_view::npos) return out;
    out += '\n';
    out += k_indent;
    out += source_line;
    if (column < 0 || static_cast<std::size_t>(column) > source_line.size()) return out;
    // The caret under the column: tabs as in the line, one blank per
    // character (a UTF-8 sequence is one).
    out += '\n';
    out += k_indent;
    for (std::size_t i = 0; i < static_cast<std::size_t>(column); ++i) {
        const unsigned char c = static_cast<unsigned char>(source_line[i]);
        if (c == '\t') out += '\t';
        else if ((c & 0xC0) != 0x80) out += ' ';
    }
    out += '^';
    return out;
}

std::string_view line_of_text(std::string_view text, int line) {
    std::size_t start = 0;
    for (int n = 1; n < line; ++n) {
        start = text.find('\n', start);
        if (start == std::string_view::npos) return {};
        ++start;
    }
    if (line < 1 || start > text.size()) return {};
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    if (end > start && text[end - 1] == '\r') --end;
    return text.substr(start, end - start);
}

std::string line_of_file(const std::string& path, int line) {
    std::ifstream in(path, std::ios::binary);
    std::string text;
    for (int n = 1; n <= line && std::getline(in, text); ++n)
        if (n == line) {
            if (!text.empty() && text.back() == '\r') text.pop_back();
            return text;
        }
    return {};
}

}  // namespace kj::runtime
