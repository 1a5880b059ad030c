// A cell's text as the editor sees it: positions counted in characters (the
// protocol's unit) against bytes of UTF-8, the name at the cursor, and
// whether the brackets of a cell are closed.
#pragma once

#include <cstddef>
#include <string>

namespace kj::jupyter {

// Byte offset of character position pos (clamped to the text).
std::size_t byte_offset(const std::string& text, int pos);
// Character position of byte offset at.
int char_position(const std::string& text, std::size_t at);

// The name that ends at byte offset end: letters, digits, '_', "::" and '.'
// (members); its first byte's offset.
std::size_t name_start(const std::string& text, std::size_t end);
// The name around byte offset at, without a member part before it
// ("p.Norm" at "Norm" gives "Norm"; "Point::Norm" stays whole).
std::string name_at(const std::string& text, std::size_t at);

// The offset of the end of the name before the innermost parenthesis still
// open at byte offset at (the function being called there); npos for none.
std::size_t open_call(const std::string& text, std::size_t at);

// "complete", "incomplete" (an open bracket, brace or parenthesis, string or
// block comment) or "invalid" (a closing one without its opening).
const char* completeness(const std::string& text);

}  // namespace kj::jupyter
