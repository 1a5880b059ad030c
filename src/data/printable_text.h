// Text from a program or a file placed into a message: control bytes are
// shown as escapes, so that a message never carries raw control characters
// to the terminal (a stray escape sequence, a bell, a carriage return that
// overwrites the line). Well-formed UTF-8 passes; other bytes above 127 are
// escaped too.
#pragma once

#include <string>
#include <string_view>

namespace kj::data {

// Tab and newline stay; carriage return as "\r"; other bytes below 32, 127
// and bytes of broken UTF-8 as "\xNN".
std::string printable_text(std::string_view text);

}  // namespace kj::data
