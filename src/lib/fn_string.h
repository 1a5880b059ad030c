// String built-ins: strfind, strfindr, strifind, strifindr, strlwr, strupr,
// strtrim. Letters are ASCII; other bytes are left as they are.
#pragma once

#include <string>
#include <string_view>

#include "value/value.h"

namespace kj::lib {

void fn_strfind(value::Value* result, value::Value* args, int count);
void fn_strfindr(value::Value* result, value::Value* args, int count);
void fn_strifind(value::Value* result, value::Value* args, int count);
void fn_strifindr(value::Value* result, value::Value* args, int count);
void fn_strlwr(value::Value* result, value::Value* args, int count);
void fn_strupr(value::Value* result, value::Value* args, int count);
void fn_strtrim(value::Value* result, value::Value* args, int count);

// Byte comparisons, with `fold` ignoring the case of ASCII letters.
bool text_equal(std::string_view a, std::string_view b, bool fold);
// Position of the first occurrence of f in s at or after start, or -1; an
// empty f is never found.
long find_text(std::string_view s, std::string_view f, long start, bool fold);
// s with the non-overlapping occurrences of f, left to right, replaced by rep
// (only the first with first_only); an empty f replaces nothing.
std::string replace_text(std::string_view s, std::string_view f, std::string_view rep, bool fold, bool first_only);

}  // namespace kj::lib
