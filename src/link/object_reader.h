// Loading an object file (layout in object_format.h) into the process-wide
// literal table, symbol table and code image.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kj::link {

// Loads the file at `path`; returns the number of link errors found. A file
// that is not an object file, or of another version, loads nothing. The
// unit's literals, symbols and code are appended: code entries and jumps
// move by the code base, literal references by the literal base, symbol
// references through the symbols they were merged into. Import records
// stored in the file are relative to the file's directory.
int load_object_file(const char* path);

// The same for the bytes of a file already read; `name` is the file's name,
// used in messages and as the base of its import records.
int load_object_bytes(const uint8_t* data, std::size_t size, const char* name);

}  // namespace kj::link
