// An editor's buffer, as the language server receives it: the bytes read as
// a stream of protocol messages, the server's text helpers (lines, columns in
// both units, the name at and the prefix before a position), then the text
// checked without running it, as a Kj source and as a GAUSS source
// (KjCheckSource), with every reported place checked against the text.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <kj80x.h>

#include "../../src/lsp/json_rpc.h"
#include "../../src/lsp/source_text.h"

namespace {

void quiet(const char*) {}

void in_bounds(void*, const char*, int line, int column, int length, int, const char*) {
    if (line < 0 || column < -1 || length < 0) std::abort();
}

void declaration_in_bounds(void*, const char* name, int, int, const char*, int line, int column, int length) {
    if (!name || line < 0 || column < -1 || length < 0) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    if (std::FILE* in = fmemopen(const_cast<char*>(text.data()), text.size(), "rb")) {
        std::FILE* out = std::fopen("/dev/null", "wb");
        kj::lsp::Channel channel(in, out);
        for (int i = 0; i < 8 && channel.read(); ++i) {
        }
        std::fclose(in);
        if (out) std::fclose(out);
    }
    const kj::lsp::SourceText source(text);
    for (int line : {0, source.line_count() / 2, source.line_count() - 1}) {
        const int width = static_cast<int>(source.line(line).size());
        for (int column : {0, width / 2, width}) {
            if (source.byte_column(line, source.utf16_column(line, column)) > width) std::abort();
            (void)source.word_at(line, column);
            (void)source.prefix_at(line, column);
        }
    }
    (void)kj::lsp::path_of_uri(text);
    (void)kj::lsp::uri_of_path("/" + text);
    static const bool ready = (KjMainInit(), SetKjMessage(quiet), true);
    (void)ready;
    KjCheckSource("fuzz.kj", text.c_str(), 0, in_bounds, declaration_in_bounds, nullptr);
    KjCheckSource("fuzz.g", text.c_str(), 1, in_bounds, declaration_in_bounds, nullptr);
    return 0;
}
