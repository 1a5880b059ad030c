// The transport of the language server: JSON-RPC messages framed by a
// Content-Length header, read from one stream and written to another.
#pragma once

#include <cstdio>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

namespace kj::lsp {

using Json = nlohmann::json;

class Channel {
public:
    Channel(std::FILE* in, std::FILE* out) : m_in(in), m_out(out) {}
    // The next message; nullopt at the end of input. A body that is not
    // JSON gives a null Json (the caller answers with a parse error).
    std::optional<Json> read();
    void write(const Json& message);

private:
    std::FILE* m_in;
    std::FILE* m_out;
};

}  // namespace kj::lsp
