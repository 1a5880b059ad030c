// Where the library's own file lies, for defaults that are found next to it.
#pragma once

#include <string>

namespace kj::platform {

// Directory of the file that holds this code (the shared library, or the
// program it is linked into), with its final '/'; "" when unknown.
std::string library_directory();

// The folder `relative` (to library_directory()) with its final '/', the
// path resolved; "" when it is not a folder.
std::string folder_beside_library(const char* relative);

}  // namespace kj::platform
