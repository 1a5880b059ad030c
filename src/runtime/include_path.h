// The process-wide include path (directories separated by ';') and the search
// of files along it, used by the preprocessor, the driver and the importer.
#pragma once

#include <cstdio>
#include <string>

namespace kj::runtime {

// Puts text in front of the path, with ';' between unless text ends in ';'
// (verbose: "New include path: "). Empty text does nothing; nullptr clears.
void add_to_include_path(const char* text);
void clear_include_path();
const std::string& include_path();
// Start-up default: KJ8PATH; else, for an installed library, the data
// folder's include folder, the data folder itself and the folder of package
// libraries (lib/kj80x beside the library file); else, in the build tree,
// D"../include;"D".." with D the directory of the library file.
void build_default_include_path();

// Whether the last path component of name has an extension.
bool has_extension(const char* name);

// Opens name for binary reading, trying in order (verbose level above 1
// prints each "N.trying: " and the "  found: " path):
//   1. quoted and relative: base_dir joined with name, each leading "../"
//      taking one directory off base_dir;
//   2. quoted: name as written;
//   3. each element of the include path joined with name;
//   4. name as written.
// default_ext (with its dot, or nullptr) is added when name has no extension.
// Returns the open file or nullptr; tried holds the path tried last.
std::FILE* find_file(const char* name, bool quoted, std::string& tried,
                     const char* default_ext = nullptr, const char* base_dir = "");

// The directory part of path including its final separator ("" if none).
std::string directory_of(const std::string& path);

}  // namespace kj::runtime
