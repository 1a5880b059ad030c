// Feeds arbitrary bytes through the scanner and preprocessor. The first byte
// chooses the dialect and the mode flags; the rest is the source text.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include <kj80x.h>

#include "compiler/preprocessor.h"
#include "compiler/scanner.h"
#include "compiler/scanner_state.h"
#include "compiler/token_names.h"
#include "compiler/tokens.h"

namespace {

void discard(const char*) {}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kj::compiler;
    if (size == 0) return 0;
    const unsigned mode = data[0];
    std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    // UTF-16 and UTF-32 sources end the process by design.
    Encoding e = detect_encoding(text);
    if (e != Encoding::Plain && e != Encoding::Utf8) return 0;

    SetKjMessage(discard);
    create_preprocessor();
    if (mode & 0x40) {
        define_names("KJ_Linux+KJ_PARALLEL", false, (mode & 0x80) ? "1" : nullptr);
        protect_defines();
    }
    open_source_text("fuzz.kj", text);
    set_dialect(mode & 1 ? Dialect::Gauss : Dialect::Kj);
    set_space_token(mode & 2);
    set_single_line_strings(mode & 4);
    set_raw_backslash(mode & 8);
    volatile std::size_t sink = 0;
    for (long n = 0; n < 1000000; ++n) {
        int tok = (mode & 0x20) ? peek_token() : next_token();
        if (mode & 0x20) next_token();
        sink = sink + std::string_view(token_name(tok)).size() + static_cast<std::size_t>(token_length());
        if (tok == T_Eof) break;
        if (tok == T_Transpose && (mode & 0x10)) read_char_constant();
        if (tok == T_HexDoubleLit) sink = sink + static_cast<std::size_t>(hex_double_value(token_text()) != 0);
        if (tok == T_Pragma) read_rest_of_line();
        // GAUSS commands and keyword procedures read the rest of a statement raw.
        if (tok == T_Identifier && (mode & 0x11) == 0x11 && peek_char_after_blanks() != '=')
            sink = sink + read_raw_until(";").size();
        if (tok == T_Import && (mode & 0x20)) undefine(token_text());
    }
    close_scan();
    destroy_preprocessor();
    return 0;
}
