// Linking named object files at once: the -l option and #pragma link.
#pragma once

namespace kj::link {

// Splits `list` at '+'; each part (at most 259 characters) gets the
// extension ".kjo" when force_object is set, is registered as an imported
// module and imported at once (relative to the working directory). The
// first failure stops the list; returns its error count (0 on success).
// #pragma link reports a non-zero result as compile error 50.
int link_files(const char* list, bool force_object);

}  // namespace kj::link
