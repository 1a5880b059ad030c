// Where the library's own file lies, for defaults that are found next to it.
#pragma once

#include <string>

namespace kj::platform {

// Directory of the file that holds this code (the shared library, or the
// program it is linked into), with its final '/'; "" when unknown.
std::string library_directory();

}  // namespace kj::platform
