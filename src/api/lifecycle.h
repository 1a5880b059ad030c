// Start-up and shutdown of the runtime (KjMainInit and KjMainExit): every
// subsystem's steps in their fixed order, in embed.cpp.
#pragma once

namespace kj::api {

bool main_init();
void main_exit();

}  // namespace kj::api
