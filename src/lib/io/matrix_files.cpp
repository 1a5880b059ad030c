#include "lib/io/matrix_files.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "data/progress.h"
#include "lib/io/number_format.h"

namespace kj::lib::io {

namespace {

constexpr double k_nan = std::numeric_limits<double>::quiet_NaN();
constexpr double k_inf = std::numeric_limits<double>::infinity();

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }
bool is_word_char(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '.' || c == '_';
}
bool starts_with(const char* p, const char* end, std::string_view s) {
    return static_cast<std::size_t>(end - p) >= s.size() && std::memcmp(p, s.data(), s.size()) == 0;
}
// The token at p ends at q: nothing word-like follows.
bool token_ends(const char* q, const char* end) { return q == end || !is_word_char(*q); }

void skip_blanks(const char*& p, const char* end) {
    while (p < end && is_blank(*p)) ++p;
}

void skip_line(const char*& p, const char* end) {
    while (p < end && *p != '\n') ++p;
    if (p < end) ++p;
}

}  // namespace

bool parse_decimal(const char*& p, const char* end, double& x) {
    const char* q = p;
    bool negative = false;
    if (q < end && (*q == '+' || *q == '-')) negative = *q++ == '-';
    // from_chars takes no sign of its own here (a second sign is no number).
    if (q == end || *q == '+' || *q == '-') return false;
    double v = 0;
    auto [next, ec] = std::from_chars(q, end, v, std::chars_format::general);
    if (next == q) return false;
    if (ec == std::errc::result_out_of_range) {
        // Overflow gives an infinity, underflow zero, as strtod does.
        v = 0;
        const char* e = q;
        while (e < next && *e != 'e' && *e != 'E') ++e;
        const bool tiny = e < next && e + 1 < next && e[1] == '-';
        v = tiny ? 0.0 : k_inf;
    }
    x = negative ? -v : v;
    p = next;
    return true;
}

NumberRead read_number(const char*& p, const char* end, double& x) {
    skip_blanks(p, end);
    if (p < end && *p == ',') {
        ++p;
        skip_blanks(p, end);
    }
    if (p >= end) return NumberRead::End;
    if (parse_decimal(p, end, x)) return NumberRead::Number;
    if (starts_with(p, end, ".NaN")) {
        p += 4;
        x = k_nan;
        return NumberRead::Number;
    }
    if (*p == '.' && token_ends(p + 1, end)) {
        ++p;
        x = k_nan;
        return NumberRead::Number;
    }
    if (starts_with(p, end, "#N/A")) {
        p += 4;
        x = k_nan;
        return NumberRead::Number;
    }
    if (starts_with(p, end, "+.Inf") || starts_with(p, end, "-.Inf")) {
        x = *p == '+' ? k_inf : -k_inf;
        p += 5;
        return NumberRead::Number;
    }
    if ((*p == 'M' || *p == 'm') && token_ends(p + 1, end)) {
        ++p;
        x = k_nan;
        return NumberRead::Number;
    }
    skip_line(p, end);
    return NumberRead::None;
}

namespace {

// The header " %d %d": two whole numbers (signs allowed so that negative
// counts can be reported).
bool read_header_count(const char*& p, const char* end, long long& n) {
    skip_blanks(p, end);
    const char* q = p;
    bool negative = false;
    if (q < end && (*q == '+' || *q == '-')) negative = *q++ == '-';
    if (q == end || *q < '0' || *q > '9') return false;
    long long v = 0;
    while (q < end && *q >= '0' && *q <= '9') {
        if (v < (1LL << 40)) v = v * 10 + (*q - '0');
        ++q;
    }
    n = negative ? -v : v;
    p = q;
    return true;
}

}  // namespace

TextMatrix parse_text_matrix(std::string_view text, bool one_column) {
    TextMatrix out;
    const char* p = text.data();
    const char* end = p + text.size();
    if (one_column) {
        double x = 0;
        while (read_number(p, end, x) == NumberRead::Number) out.values.push_back(x);
        if (out.values.empty()) return out;
        if (out.values.size() > static_cast<std::size_t>(std::numeric_limits<int>::max())) {
            out.values.clear();
            out.status = TextMatrixStatus::TooLarge;
            return out;
        }
        out.rows = static_cast<int>(out.values.size());
        out.cols = 1;
        out.status = TextMatrixStatus::Ok;
        return out;
    }
    long long r = 0, c = 0;
    if (!read_header_count(p, end, r) || !read_header_count(p, end, c)) return out;
    if (r < 0 || c < 0) {
        out.status = TextMatrixStatus::Negative;
        return out;
    }
    // Each element takes at least one character and a separator: a header
    // asking for much more than the rest of the file could hold is refused
    // before anything is allocated (small ones are still filled with NaN).
    if (r > std::numeric_limits<int>::max() || c > std::numeric_limits<int>::max()) {
        out.status = TextMatrixStatus::TooLarge;
        return out;
    }
    const long long n = r * c;
    const long long room = static_cast<long long>(end - p) / 2 + 1;
    if (n > room && n > (1LL << 16)) {
        out.status = TextMatrixStatus::TooLarge;
        return out;
    }
    out.rows = static_cast<int>(r);
    out.cols = static_cast<int>(c);
    out.values.assign(static_cast<std::size_t>(n), k_nan);
    out.status = TextMatrixStatus::Ok;
    long long k = 0;
    double x = 0;
    while (k < n) {
        const NumberRead got = read_number(p, end, x);
        if (got == NumberRead::End) break;
        if (got == NumberRead::Number) out.values[static_cast<std::size_t>(k++)] = x;
        if ((k & 0xFFFF) == 0) data::report_progress(static_cast<double>(k), static_cast<double>(n));
    }
    if (k < n) out.status = TextMatrixStatus::ShortElements;
    return out;
}

const char* text_matrix_message(TextMatrixStatus s) {
    switch (s) {
        case TextMatrixStatus::Negative: return "load matrix: no matrix elements";
        case TextMatrixStatus::ShortElements:
        case TextMatrixStatus::TooLarge: return "load matrix: not enough matrix elements";
        default: return "";
    }
}

bool write_text_matrix(std::FILE* out, const double* values, int rows, int cols, bool header) {
    constexpr int k_width = 25;
    std::string t;
    if (header) {
        char buf[48];
        std::snprintf(buf, sizeof buf, "%d %d\n", rows, cols);
        t += buf;
    }
    if (rows <= 0 || cols <= 0) {
        t += '\n';
        return std::fwrite(t.data(), 1, t.size(), out) == t.size();
    }
    const int per_line = std::max(1, default_formats().line_length / (k_width + 1));
    t.reserve(static_cast<std::size_t>(cols) * (k_width + 1) + 64);
    for (int i = 0; i < rows; ++i) {
        const double* row = values + static_cast<std::size_t>(i) * cols;
        for (int j = 0; j < cols; ++j) {
            if (j > 0 && j % per_line == 0) t += '\n';
            char num[40];
            const double x = row[j];
            std::size_t len;
            if (std::isnan(x)) {
                num[0] = '.';
                len = 1;
            } else if (std::isinf(x)) {
                std::memcpy(num, x > 0 ? "+.Inf" : "-.Inf", 5);
                len = 5;
            } else {
                len = static_cast<std::size_t>(
                    std::to_chars(num, num + sizeof num, x, std::chars_format::scientific, 16).ptr - num);
            }
            t.append(k_width + 1 - std::min<std::size_t>(len, k_width), ' ');
            t.append(num, len);
        }
        t += '\n';
        data::report_progress(static_cast<double>(i), static_cast<double>(rows));
        if (t.size() >= 65536 || i + 1 == rows) {
            if (std::fwrite(t.data(), 1, t.size(), out) != t.size()) return false;
            t.clear();
        }
    }
    return true;
}

// --- .fmt ---------------------------------------------------------------

namespace {
std::uint32_t le32(const unsigned char* b) {
    return b[0] | (std::uint32_t(b[1]) << 8) | (std::uint32_t(b[2]) << 16) | (std::uint32_t(b[3]) << 24);
}
void put_le32(unsigned char* b, std::uint32_t v) {
    b[0] = static_cast<unsigned char>(v);
    b[1] = static_cast<unsigned char>(v >> 8);
    b[2] = static_cast<unsigned char>(v >> 16);
    b[3] = static_cast<unsigned char>(v >> 24);
}
}  // namespace

FmtHeader parse_fmt_header(const unsigned char* head, std::size_t have, std::uint64_t file_size) {
    FmtHeader h;
    if (have < 1) return h;
    if (head[0] == 0xDA) {
        h.status = FmtStatus::Obsolete;
        return h;
    }
    if (head[0] != 0xDD) return h;
    h.status = FmtStatus::InvalidFmt;
    if (have < 2 || (head[1] != 0xDD && head[1] != 0xEE)) return h;
    if (have < static_cast<std::size_t>(k_fmt_header_size)) return h;
    std::int64_t r, c;
    if (head[1] == 0xEE) {
        if (head[2] != 0x86 || head[3] != 0x00) return h;
        r = static_cast<std::int32_t>(le32(head + 4));
        c = static_cast<std::int32_t>(le32(head + 8));
        if (r < 0 || c < 0) return h;
        // The stated size of the data is kept modulo 2^32.
        if (le32(head + 12) != static_cast<std::uint32_t>(static_cast<std::uint64_t>(r * c) * 8)) return h;
    } else {
        r = head[2] | (head[3] << 8);
        c = head[4] | (head[5] << 8);
    }
    const std::uint64_t bytes = static_cast<std::uint64_t>(r) * static_cast<std::uint64_t>(c) * 8;
    if (file_size < k_fmt_header_size || bytes > file_size - k_fmt_header_size) return h;
    h.rows = static_cast<int>(r);
    h.cols = static_cast<int>(c);
    h.status = FmtStatus::Ok;
    return h;
}

const char* fmt_message(FmtStatus s) {
    switch (s) {
        case FmtStatus::Obsolete: return "Please convert old .dht/.dat to new .dat file";
        case FmtStatus::InvalidFmt: return "Invalid .fmt file";
        case FmtStatus::NotFmt: return "Invalid .fmt or .dat file";
        default: return "";
    }
}

void make_fmt_header(unsigned char out[k_fmt_header_size], int rows, int cols) {
    out[0] = 0xDD;
    out[1] = 0xEE;
    out[2] = 0x86;
    out[3] = 0x00;
    put_le32(out + 4, static_cast<std::uint32_t>(rows));
    put_le32(out + 8, static_cast<std::uint32_t>(cols));
    put_le32(out + 12, static_cast<std::uint32_t>(static_cast<std::uint64_t>(rows) * static_cast<std::uint64_t>(cols) * 8));
}

void doubles_from_little_endian(double* values, std::size_t n) {
    if constexpr (std::endian::native == std::endian::big) {
        for (std::size_t i = 0; i < n; ++i) {
            std::uint64_t u;
            std::memcpy(&u, values + i, 8);
            u = __builtin_bswap64(u);
            std::memcpy(values + i, &u, 8);
        }
    } else {
        (void)values;
        (void)n;
    }
}

void doubles_to_little_endian(const double* values, std::size_t n, unsigned char* out) {
    std::memcpy(out, values, n * 8);
    if constexpr (std::endian::native == std::endian::big) doubles_from_little_endian(reinterpret_cast<double*>(out), n);
}

FmtMatrix parse_fmt(std::string_view bytes) {
    FmtMatrix m;
    const auto* head = reinterpret_cast<const unsigned char*>(bytes.data());
    const FmtHeader h = parse_fmt_header(head, std::min<std::size_t>(bytes.size(), k_fmt_header_size), bytes.size());
    m.status = h.status;
    if (h.status != FmtStatus::Ok) return m;
    m.rows = h.rows;
    m.cols = h.cols;
    const std::size_t n = static_cast<std::size_t>(h.rows) * static_cast<std::size_t>(h.cols);
    m.values.resize(n);
    if (n) std::memcpy(m.values.data(), bytes.data() + k_fmt_header_size, n * 8);
    doubles_from_little_endian(m.values.data(), n);
    return m;
}

bool write_fmt(std::FILE* out, const double* values, int rows, int cols) {
    unsigned char head[k_fmt_header_size];
    make_fmt_header(head, rows, cols);
    if (std::fwrite(head, 1, sizeof head, out) != sizeof head) return false;
    const std::size_t n = static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols);
    if constexpr (std::endian::native == std::endian::little) {
        return n == 0 || std::fwrite(values, 8, n, out) == n;
    } else {
        std::vector<unsigned char> block(n * 8);
        doubles_to_little_endian(values, n, block.data());
        return std::fwrite(block.data(), 1, block.size(), out) == block.size();
    }
}

}  // namespace kj::lib::io
