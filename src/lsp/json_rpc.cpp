#include "json_rpc.h"

#include <cctype>
#include <cstdlib>
#include <strings.h>

namespace kj::lsp {

namespace {

// A header line without its CR LF; false at the end of input.
bool read_line(std::FILE* in, std::string& line) {
    line.clear();
    for (int c; (c = std::fgetc(in)) != EOF;) {
        if (c == '\n') {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            return true;
        }
        line.push_back(static_cast<char>(c));
    }
    return !line.empty();
}

constexpr std::size_t k_max_body = std::size_t{1} << 28;  // 256 MB: larger lengths are a broken stream

}  // namespace

std::optional<Json> Channel::read() {
    std::string line;
    for (;;) {
        std::size_t length = 0;
        bool have_length = false;
        // Headers up to an empty line; only Content-Length matters.
        for (;;) {
            if (!read_line(m_in, line)) return std::nullopt;
            if (line.empty()) break;
            const std::size_t colon = line.find(':');
            if (colon != std::string::npos && strncasecmp(line.c_str(), "Content-Length", colon) == 0 && colon == 14) {
                char* end = nullptr;
                const unsigned long long n = std::strtoull(line.c_str() + colon + 1, &end, 10);
                have_length = end != line.c_str() + colon + 1 && n <= k_max_body;
                length = static_cast<std::size_t>(n);
            }
        }
        if (!have_length) continue;  // a header block without a usable length: skip it
        std::string body(length, '\0');
        if (length > 0 && std::fread(body.data(), 1, length, m_in) != length) return std::nullopt;
        Json message = Json::parse(body, nullptr, false);
        if (message.is_discarded()) return Json();
        return message;
    }
}

void Channel::write(const Json& message) {
    const std::string body = message.dump(-1, ' ', false, Json::error_handler_t::replace);
    std::fprintf(m_out, "Content-Length: %zu\r\n\r\n", body.size());
    std::fwrite(body.data(), 1, body.size(), m_out);
    std::fflush(m_out);
}

}  // namespace kj::lsp
