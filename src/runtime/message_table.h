// What the message tables share (compiler/diagnostics.def,
// compiler/scanner_messages.def, link/link_errors.def, run_errors.def): the
// kind of a message, and the expansion of a table's rows, each
// ROW(name, code, kind, text) with the code its row's index:
//
//   enum Diag : int {
//   #define KJ_DIAGNOSTIC KJ_MESSAGE_CODE
//   #include "compiler/diagnostics.def"
//       k_diagnostic_count  // one past the last code: the rows
//   };
//
//   constexpr runtime::MessageTable k_table({
//   #define KJ_DIAGNOSTIC KJ_MESSAGE_ROW
//   #include "compiler/diagnostics.def"
//   });
#pragma once

#include <cstddef>

namespace kj::runtime {

enum class MessageKind {
    Error,    // counted; enough of them end the compilation
    Fatal,    // an error that ends the compilation or the link at once
    Warning,  // not counted; the compiler's print only with warnings on
    Remark,   // not counted; printed only when verbose
};

// A row of a message table.
struct MessageRow {
    MessageKind kind;
    const char* text;
};

// True when codes[i] == i for every row.
template <std::size_t N>
constexpr bool codes_are_dense(const int (&codes)[N]) {
    for (std::size_t i = 0; i < N; ++i)
        if (codes[i] != static_cast<int>(i)) return false;
    return true;
}

// A row as its .def table writes it.
struct MessageDef {
    int code;
    MessageKind kind;
    const char* text;
};

// The row macro of a table, defined as one of these: its enumerator, or its
// MessageDef (the kind a bare Error, Fatal, Warning or Remark).
#define KJ_MESSAGE_CODE(name, code, kind, text) name = code,
#define KJ_MESSAGE_ROW(name, code, kind, text) {code, ::kj::runtime::MessageKind::kind, text},

// The rows of a table, indexed by code; a table whose codes are not its
// rows' indices does not compile.
template <std::size_t N>
class MessageTable {
public:
    consteval explicit MessageTable(const MessageDef (&defs)[N]) {
        for (std::size_t i = 0; i < N; ++i) {
            if (defs[i].code != static_cast<int>(i)) throw "a message table's codes are its rows' indices";
            m_rows[i] = {defs[i].kind, defs[i].text};
        }
    }

    static constexpr int size() { return static_cast<int>(N); }
    static constexpr bool has(int code) { return code >= 0 && code < size(); }
    // The row's text; "" past the table.
    constexpr const char* text(int code) const { return has(code) ? m_rows[code].text : ""; }
    // The row's kind; `otherwise` past the table.
    constexpr MessageKind kind(int code, MessageKind otherwise) const {
        return has(code) ? m_rows[code].kind : otherwise;
    }

private:
    MessageRow m_rows[N]{};
};

}  // namespace kj::runtime
