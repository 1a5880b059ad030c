// Kernel libraries: "kjkernel" + NAME + "_64", named on the command line with
// -k NAME, replace the numerical kernels they export.
#pragma once

namespace kj::api {

// Loads the library (searched as package libraries are, link::find_dll) and
// installs every kernel slot it exports, in the table's order; slots it does
// not export keep their kernel. With verbose set, a library that does not
// load is a link error and each installed slot is named; without it nothing
// is printed or counted.
void load_kernel_library(const char* name, bool verbose);

}  // namespace kj::api
