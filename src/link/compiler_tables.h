// The tables a compilation fills and a run reads: code image, literal table
// and global symbol table, reset and freed together.
#pragma once

namespace kj::link {

// Fresh tables: a code image holding the two leading EXT, a literal table
// holding only literal 0, and an empty symbol table sized by the -s setting.
void reset_compiler_tables();
// Releases and frees all three (KjMainExit).
void free_compiler_tables();

}  // namespace kj::link
