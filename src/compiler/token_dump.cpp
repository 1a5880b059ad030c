#include "compiler/token_dump.h"

#include <cstdio>

#include "compiler/scanner.h"
#include "compiler/token_names.h"
#include "compiler/tokens.h"

namespace kj::compiler {

namespace {

void append_text(std::string& out, const char* text, int length, bool quoted) {
    if (quoted) out += '"';
    for (int i = 0; i < length; ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 32 || c == 127 || c == '"' || c == '\\') {
            char esc[8];
            std::snprintf(esc, sizeof esc, "\\x%02X", c);
            out += esc;
        } else {
            out += static_cast<char>(c);
        }
    }
    if (quoted) out += '"';
}

bool has_text(int tok) {
    switch (tok) {
        case T_Identifier: case T_IntLit: case T_DoubleLit: case T_HexDoubleLit:
        case T_ComplexLit: case T_StringLit: case T_Import: return true;
        default: return false;
    }
}

std::string dump_open_source() {
    std::string out;
    for (;;) {
        int tok = next_token();
        out += std::to_string(current_line()) + ' ' + std::to_string(tok) + ' ' + token_name(tok);
        if (has_text(tok)) {
            out += ' ';
            append_text(out, token_text(), token_length(), tok == T_StringLit);
        }
        out += '\n';
        if (tok == T_Eof) break;
    }
    close_scan();
    return out;
}

}  // namespace

bool dump_tokens(const char* source_name, std::string& out) {
    if (!open_source(source_name)) return false;
    out = dump_open_source();
    return true;
}

std::string dump_tokens_text(const char* name, std::string_view text) {
    open_source_text(name, text);
    return dump_open_source();
}

}  // namespace kj::compiler
