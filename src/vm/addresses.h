// References: ADR, ADS and XRS take the address of what the next instruction
// would load.
#pragma once

#include "link/opcodes.h"
#include "vm/engine.h"

namespace kj::vm {

// An address value: an array with the address flag, count 1, pointing at target.
Value make_address(Value* target);

// The target named by `next` replaces the top (PAP and PBP push instead) as an
// address value; with prepare_store (XRS) an int or double target first becomes
// a 1 by 1 matrix and the result is an alias of the target instead.
void take_address(Engine& e, const link::Instr& next, bool prepare_store);

}  // namespace kj::vm
