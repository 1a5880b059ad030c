// Writing the current unit as an object file (layout in object_format.h).
#pragma once

#include <cstdio>

namespace kj::link {

// Writes the header, the info section, the whole literal table, the kept
// symbols and the whole code image to `file` (which the caller opened for
// binary writing and closes). A symbol is kept when it is defined (not
// declared only) or when a LOD, NEW or STO names it; kept symbols are
// numbered in table order and those instructions are written in that
// numbering. A failed write is link error 3 "writing file"; false then.
bool write_object(std::FILE* file);

}  // namespace kj::link
