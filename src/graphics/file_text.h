// Building file contents in memory and saving them whole.
#pragma once

#include <cstdarg>
#include <string>

namespace kj::graphics {

void append_format(std::string& out, const char* fmt, ...) __attribute__((format(printf, 2, 3)));
void append_vformat(std::string& out, const char* fmt, va_list ap);
// Writes through a temporary file that replaces `path` only when complete.
bool save_file(const std::string& path, const std::string& contents);
// The whole file, or false when it cannot be read.
bool load_file(const std::string& path, std::string& contents);

}  // namespace kj::graphics
