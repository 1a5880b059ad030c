// Messages in the form that editors and terminals link to the source (the
// switch -fe, or the environment variable KJ_FE): a first line
// "file:line:column: kind: text" (without the column when it is not known),
// then the source line and, under it, a caret at the column.
#pragma once

#include <string>
#include <string_view>

namespace kj::runtime {

// Whether messages take that form (the setting of -fe and KJ_FE).
bool file_line_form();

// The message; column counts bytes from 0 (-1: not known), kind is "error",
// "warning", "runtime error" or "note". An empty source line is left out.
std::string located_message(std::string_view file, int line, int column, std::string_view kind, std::string_view text,
                            std::string_view source_line);

// Line `line` (counted from 1) of a text, without its line end; "" past the end.
std::string_view line_of_text(std::string_view text, int line);
// Line `line` of a file as it is on disk now; "" when it cannot be read.
std::string line_of_file(const std::string& path, int line);

}  // namespace kj::runtime
