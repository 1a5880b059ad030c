// Objects, members and lambdas as the dispatch loop and calls reach them.
#pragma once

#include "link/opcodes.h"
#include "vm/engine.h"

namespace kj::vm {

// NEW, CAM, LMP, SMP, LMR, SMN and RTL on the synchronised engine.
void object_instruction(Engine& e, link::Op op, int operand);
// CAL of a lambda value at `callee` with n arguments.
void call_lambda(Engine& e, Value* callee, int n);
// The member record the address forms of LMP (member k of the object on top)
// and LMR (member named at the top, object below; both popped) refer to.
Value* member_address(Engine& e, link::Op op, int operand);

}  // namespace kj::vm
