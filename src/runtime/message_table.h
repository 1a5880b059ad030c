// What the rows of the message tables share (compiler/diagnostics.def,
// compiler/scanner_messages.def, link/link_errors.def, run_errors.def): the
// kind of a message, and the check that a table's codes are its rows' indices.
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

}  // namespace kj::runtime
