// Native libraries (shared objects) that packages and kernel libraries come
// in: loading one by file name, the search along the include/link path and in
// "packages" folders, and binding a function declared with a library binding.
// Loaded libraries stay loaded until the process ends.
#pragma once

#include <kj80x.h>

#include <string>

namespace kj::link {

// Results of a load, as link error codes: 0 loaded (and the export found when
// one was asked for), L_CannotLoadDll, L_CannotLoadDllFunction (loaded, no
// such export), L_NoDynamicLinking.
//
// Loads one library by file name: trailing blanks and control characters are
// cut and ".so" is added when the name has no extension. A name without a
// folder is tried through the system's search, then beside the Kj library,
// then in the current directory. *symbol receives the export (when export_name
// is given); *handle the library, when asked for and it loaded.
int load_dll(const char* name, const char* export_name, void** symbol, void** handle = nullptr);

// load_dll, then, when the library cannot be loaded, the search: the name
// along the include/link path, then "packages/NAME/NAME" along the same path
// (for a plain name shorter than 48 characters). Progress lines by verbose
// level: above 2 "Trying DLL: ", above 1 "Searching for DLL: " and, on
// success, "Linked F from DLL: " (with an export) or "Loaded DLL: ".
// Reports nothing itself; the result is that of the last attempt.
int find_dll(const std::string& name, const char* export_name, void** symbol, void** handle = nullptr);

// The linker's loader (see set_native_loader): find_dll for one function.
int load_dll_function(const char* library, const char* function, KjNativeFunction* fn);

}  // namespace kj::link
