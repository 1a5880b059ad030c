// Characters for the scanner: replacement text first, then the innermost
// include file, then the main source. Sources are read whole when opened.
#include <kj80x.h>

#include <cstdio>
#include <string>

#include "runtime/fatal_error.h"
#include "runtime/messages.h"
#include "runtime/settings.h"
#include "compiler/parser.h"
#include "compiler/scanner_messages.h"
#include "compiler/scanner_state.h"

namespace kj::compiler {

SourceText& current_source(Parser& p) {
    ScanState& s = p.scan;
    return s.include_depth >= 0 ? s.includes[s.include_depth] : s.main;
}

int read_char(Parser& p) {
    ScanState& s = p.scan;
    SourceText& src = current_source(p);
    int c;
    if (src.pending_count > 0) {
        c = src.pending[--src.pending_count];
    } else if (s.macro_pos && s.macro_pos < s.macro_end) {
        c = static_cast<unsigned char>(*s.macro_pos++);
    } else {
        s.macro_pos = s.macro_end = nullptr;
        if (src.pos >= src.data.size()) return k_end;
        c = static_cast<unsigned char>(src.data[src.pos++]);
    }
    if (c == '\n') ++s.line;
    return c;
}

// A character taken from the replacement text goes back into it; any other
// onto the source's own stack, so that both come back in reading order.
void unread_char(Parser& p, int c) {
    if (c == k_end) return;
    ScanState& s = p.scan;
    if (c == '\n') --s.line;
    SourceText& src = current_source(p);
    if (src.pending_count == 0 && s.macro_pos) {
        --s.macro_pos;
        return;
    }
    if (src.pending_count < k_max_pending) src.pending[src.pending_count++] = c;
}

bool accept_char(Parser& p, int expected) {
    int c = read_char(p);
    if (c == expected) return true;
    unread_char(p, c);
    return false;
}

std::string read_word_from(Parser& p, int c) {
    std::string word;
    while (is_word_char(c)) {
        if (word.size() < static_cast<std::size_t>(k_max_word)) word += static_cast<char>(c);
        c = read_char(p);
    }
    unread_char(p, c);
    return word;
}

void start_macro(Parser& p, const std::string& text) {
    ScanState& s = p.scan;
    SourceText& src = current_source(p);
    s.macro_buffer = text;
    while (src.pending_count > 0) {
        s.macro_buffer += static_cast<char>(src.pending[--src.pending_count]);
    }
    s.macro_pos = s.macro_buffer.data();
    s.macro_end = s.macro_pos + s.macro_buffer.size();
}

bool in_macro(Parser& p) { return p.scan.macro_pos != nullptr; }

bool load_file(std::FILE* file, std::string& data) {
    data.clear();
    char buffer[65536];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) data.append(buffer, n);
    bool ok = !std::ferror(file);
    if (file != stdin) std::fclose(file);
    return ok;
}

Encoding detect_encoding(std::string_view d) {
    auto at = [&](std::size_t i) { return i < d.size() ? static_cast<unsigned char>(d[i]) : 0x100u; };
    if (at(0) == 0xEF && at(1) == 0xBB && at(2) == 0xBF) return Encoding::Utf8;
    if (at(0) == 0xFF && at(1) == 0xFE) {
        return at(2) == 0 && at(3) == 0 ? Encoding::Utf32Le : Encoding::Utf16Le;
    }
    if (at(0) == 0 && at(1) == 0 && at(2) == 0xFE && at(3) == 0xFF) return Encoding::Utf32Be;
    if (at(0) == 0xFE && at(1) == 0xFF) return Encoding::Utf16Be;
    return Encoding::Plain;
}

bool is_utf8_text(std::string_view d) {
    const std::size_t n = d.size();
    std::size_t i = 0;
    while (i < n) {
        const unsigned char c = static_cast<unsigned char>(d[i]);
        if (c < 0x80) {
            if (c == 0) return false;
            ++i;
            continue;
        }
        // The length of the sequence and the range of its second byte, which
        // rules out overlong forms, surrogates and code points past U+10FFFF.
        std::size_t length;
        unsigned low = 0x80, high = 0xBF;
        if (c >= 0xC2 && c <= 0xDF) {
            length = 2;
        } else if (c >= 0xE0 && c <= 0xEF) {
            length = 3;
            if (c == 0xE0) low = 0xA0;
            if (c == 0xED) high = 0x9F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            length = 4;
            if (c == 0xF0) low = 0x90;
            if (c == 0xF4) high = 0x8F;
        } else {
            return false;
        }
        if (n - i < length) return false;
        const unsigned second = static_cast<unsigned char>(d[i + 1]);
        if (second < low || second > high) return false;
        for (std::size_t k = 2; k < length; ++k)
            if ((static_cast<unsigned char>(d[i + k]) & 0xC0) != 0x80) return false;
        i += length;
    }
    return true;
}

namespace {
[[noreturn]] void refuse_encoding(const std::string& name) {
    std::string message = name + ": Can only read ASCII and UTF8 files";
    runtime::message(message.c_str());
    runtime::raise_fatal_error();
}
}  // namespace

Encoding check_encoding(const std::string& name, std::string& data, std::size_t& start) {
    Encoding e = detect_encoding(data);
    start = 0;
    if (e == Encoding::Utf8) start = 3;
    if (e != Encoding::Plain && e != Encoding::Utf8) refuse_encoding(name);
    return e;
}

Encoding check_file_encoding(const std::string& name, std::string& data, std::size_t& start) {
    const Encoding e = check_encoding(name, data, start);
    if (!is_utf8_text(std::string_view(data).substr(start))) refuse_encoding(name);
    return e;
}

bool push_include(Parser& p, const std::string& path, std::string data) {
    ScanState& s = p.scan;
    if (s.include_depth + 1 >= k_max_includes) {
        scan_error(p, S_IncludeTooDeep, path.c_str());
        return false;
    }
    std::size_t start = 0;
    Encoding e = check_file_encoding(path, data, start);
    SourceText& inc = s.includes[++s.include_depth];
    inc.name = path;
    inc.data = std::move(data);
    inc.pos = start;
    inc.pending_count = 0;
    inc.column_from = inc.line_start = 0;
    inc.encoding = e;
    inc.saved_line = s.line;
    s.line = 1;
    if (runtime::settings().verbose >= 2) runtime::message(("Opening include file: " + path).c_str());
    return true;
}

bool pop_include(Parser& p) {
    ScanState& s = p.scan;
    if (s.include_depth < 0) return false;
    SourceText& inc = s.includes[s.include_depth--];
    if (runtime::settings().verbose > 2) runtime::message(("Closing include file: " + inc.name).c_str());
    s.line = inc.saved_line;
    inc = SourceText{};
    return true;
}

void close_all_sources(Parser& p) {
    ScanState& s = p.scan;
    while (s.include_depth >= 0) {
        s.includes[s.include_depth] = SourceText{};
        --s.include_depth;
    }
    s.main = SourceText{};
    s.macro_pos = s.macro_end = nullptr;
}

}  // namespace kj::compiler
