// Token codes back to text for messages and dumps.
#pragma once

namespace kj::compiler {

// The Kj keyword for code, else its fixed spelling ("(", "<identifier>",
// "Unary -", ...), else the GAUSS keyword; "<token>" for unknown codes.
const char* token_name(int code);

}  // namespace kj::compiler
