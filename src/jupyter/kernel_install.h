// The kernel description (kernel.json and the logos) that tells Jupyter how to
// start this kernel, and its installation by `kj-kernel install`.
#pragma once

#include <string>

namespace kj::jupyter {

// The kernels folder where `install` puts the kernel description: with "--user" the
// user's Jupyter data folder, with "--prefix DIR" DIR/share/jupyter, else
// /usr/local/share/jupyter; then "/kernels/kj".
std::string kernel_destination(bool user, const std::string& prefix);

// Copies the kernel description that lies beside the executable (the build tree's
// share/jupyter/kernels/kj, or the installed one under ../share) to
// destination, with the kernel.json naming this executable. Returns an
// error message, empty on success.
std::string install_kernel_files(const std::string& destination);

}  // namespace kj::jupyter
