// Import resolution: finding, loading or compiling each imported module once.
#pragma once

#include <string>
#include <string_view>

namespace kj::link {

// Compiles the source at `path` as a unit of its own (GAUSS dialect when
// `gauss`) into the process-wide tables, registering its imports; returns
// the unit's error count. An upward call (the compiler sits above the
// linker), so the compiler is installed through this pointer at start-up
// (api/upward_hooks.h); without one, importing a source fails with a
// message.
using SourceCompiler = int (*)(const char* path, bool gauss);
void set_source_compiler(SourceCompiler compiler);

// Finds the file of a module, trying in order:
//   1. unless the name has an extension other than ".kjo": the search along
//      the include path in the quoted form, relative to base_dir, with
//      default extension ".kjo";
//   2. the source: ".kj", or for a GAUSS module ".src", ".kjgauss", ".g";
//   3. (verbose: "Locating file along import paths\n") the same extensions
//      in the same order, each tried in the directory of every directory
//      record, then in the directory part of every other import record.
// A default extension applies only to a name without one. On success `path`
// is the file found, with '/' as separator.
bool locate_module(std::string_view name, bool gauss, const std::string& base_dir, std::string& path);

// Imports one module: nothing for a directory record; otherwise (after the
// GAUSS support source for a GAUSS module) locates it ("Import file not
// found: NAME" when it is nowhere), skips it when an imported record already
// has the same file ("Import path already loaded: "), and loads the object
// file or compiles the source ("Importing file: "). Verbose progress lines
// print when the verbose level is non-zero. Returns the error count; `path`
// receives the file found.
int import_file(const std::string& name, bool gauss, const std::string& base_dir, std::string& path);

// Repeats passes over the import records until a pass imports nothing; each
// pending record is marked imported and, unless an earlier record of the same
// name was imported, its module is imported and its path stored. False at the
// first module that fails.
bool resolve_imports();

}  // namespace kj::link
