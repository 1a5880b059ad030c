// A listing of the tokens of a source, one line per token, for tests and for
// debugging the scanner:
//   <line> <code> <name> [<text>]
// with text for identifiers, literals and imports only, in double quotes for
// strings, with control bytes, '"' and '\\' as \xNN.
// The scanner is opened on the source and closed again; its messages go
// through KjMessage as in a compilation.
#pragma once

#include <string>
#include <string_view>

namespace kj::compiler {

// Source found as open_source finds it; false when it does not open.
bool dump_tokens(const char* source_name, std::string& out);
// In-memory source; name is used in messages.
std::string dump_tokens_text(const char* name, std::string_view text);

}  // namespace kj::compiler
