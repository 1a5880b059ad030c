// The drawing built-ins as a group of the built-in library: their rows and
// the set-up step that installs the runtime's own draw callbacks. The library
// (a lower layer) cannot name them; api/ hands this group to
// lib::register_library at start-up.
#pragma once

#include <span>

#include "lib/library_groups.h"

namespace kj::graphics {

std::span<const lib::GroupPart> library_group();

}  // namespace kj::graphics
