// A document's text as the server sees it: lines, and positions converted
// between the byte columns of the library and the UTF-16 columns of the
// protocol.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kj::lsp {

class SourceText {
public:
    SourceText() = default;
    explicit SourceText(std::string text);

    const std::string& text() const { return m_text; }
    int line_count() const { return static_cast<int>(m_starts.size()); }
    // Line `line` (from 0) without its line end; "" past the end.
    std::string_view line(int line) const;
    // Column conversions on one line; columns past the end clamp to it.
    int utf16_column(int line, int byte_column) const;
    int byte_column(int line, int utf16_column) const;

    // The name around (or just before) a position: letters, digits, "_" and
    // "::" between parts; empty when there is none.
    struct Word {
        std::string text;
        int line = 0, start = 0, end = 0;  // byte columns
    };
    Word word_at(int line, int byte_column) const;
    // The name being typed: from the start of the word to the position, and
    // what stands before it ("." or "->" after an object, or "").
    struct Prefix {
        std::string object;  // the name before "." or "->"
        std::string text;    // the part typed so far
    };
    Prefix prefix_at(int line, int byte_column) const;

private:
    std::string m_text;
    std::vector<std::size_t> m_starts;
};

// file:///a%20b/c.kj <-> /a b/c.kj; other schemes are kept as they are.
std::string path_of_uri(const std::string& uri);
std::string uri_of_path(const std::string& path);

}  // namespace kj::lsp
