// Names of files that programs read: the file as given, else along the
// include path; members of zip archives ("archive.zip//member"); whole-file
// reads for the readers that parse from memory.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace kj::lib::io {

// Splits a name that contains ".zip//" or ".zip\" into the archive (up to and
// including ".zip") and the member (the text after the separator).
bool split_member_name(const std::string& name, std::string& archive, std::string& member);

// The path under which name can be read: itself when it exists, else the
// first match along the include path; "" when none.
std::string find_readable(const std::string& name);

// The extension of the last path component, lower case, with its dot ("" if none).
std::string lower_extension(const std::string& name);

// Reads a whole file, or (for "archive.zip//member") a whole zip member.
// False, with error set, when it cannot; limit caps what is read.
bool read_whole(const std::string& path, std::string& bytes, std::string& error,
                std::uint64_t limit = std::uint64_t(1) << 34);

// Size of an open stream's file in bytes, -1 when it has none.
std::int64_t stream_size(std::FILE* f);

}  // namespace kj::lib::io
