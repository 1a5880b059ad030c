// The console's picture of progress messages ("Progress: Loading big.csv
// 40%", run messages at verbose level 1 and above): on a terminal, one line
// redrawn in place as a bar, finished at 100%; elsewhere nothing, so that
// what is written to a file or pipe stays as without them.
#pragma once

#include <cstdio>

namespace kj::console {

// True when text is a progress message (it is then shown, or dropped).
bool show_progress(const char* text, std::FILE* out);

// Ends a bar left open by a load that failed before 100%, so that the next
// message starts on a line of its own.
void end_progress_line(std::FILE* out);

}  // namespace kj::console
