// Objects, member access and lambdas are not part of this engine yet: each
// entry reports a fatal run-time error naming the instruction, so a program
// that needs them stops cleanly instead of misbehaving.
// TODO: member calls, object creation, member access and lambdas.
#include "vm/objects.h"

#include "vm/run_error.h"

namespace kj::vm {

void object_instruction(Engine&, link::Op op, int) {
    raise_run_error(E_Fatal, link::mnemonic(static_cast<int32_t>(op)));
}

void call_lambda(Engine&, Value*, int) { raise_run_error(E_Fatal, "lambda function"); }

Value* member_address(Engine&, link::Op op, int) {
    raise_run_error(E_Fatal, link::mnemonic(static_cast<int32_t>(op)));
}

}  // namespace kj::vm
