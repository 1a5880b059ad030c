// Text taken from data files into the program, which holds UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace kj::data {

bool is_valid_utf8(std::string_view s);
// s itself when it is valid UTF-8; otherwise s read as Latin-1 (the usual
// encoding of older data files), converted to UTF-8.
std::string utf8_text(std::string_view s);

}  // namespace kj::data
