// Compound files, the container of binary workbooks: a small file system of
// fixed-size sectors chained through an allocation table, with a directory of
// named streams; streams below a cut-off size live in 64-byte sectors inside
// the root entry's own stream.
#pragma once

#include <string>
#include <string_view>

namespace kj::data {

// The bytes of the first stream called name (compared without regard to
// case) in the compound file held in file; false when file is no compound
// file or the stream is missing or damaged (a chain that leaves the file,
// loops or ends early).
bool read_compound_stream(std::string_view file, std::string_view name, std::string& stream);

}  // namespace kj::data
