// Which instructions of the code image were read from object files. The
// compiler vouches for the stack depth of the code it emits: each function
// reserves its depth at entry, and the engine checks only that reservation.
// Code from a file is only known to have sound operands, so the dispatch
// loop runs its pushes with a capacity check of their own, and the
// instructions that pop or read below the top, its returns and its stack
// jumps with a check that they stay inside their frame and function.
#pragma once

#include <utility>
#include <vector>

namespace kj::link {

// Records that compiled code may push beyond its frame's checked reservation
// (the engine keeps more headroom than this beyond its checked capacity).
constexpr int k_unchecked_pushes = 64;

// Marks [from, to) as read from a file.
void mark_read_from_file(int from, int to);
// The marked address ranges, in image order.
const std::vector<std::pair<int, int>>& code_read_from_files();
// The image drops its instructions from `size` on.
void forget_file_code_from(int size);

}  // namespace kj::link
