// Calls into compiled code from native code: FKjCallBack, library functions
// that call user functions, destructors.
#pragma once

#include "vm/engine.h"

namespace kj::vm {

enum class OnError { Return, RaiseInCaller };

// Calls fn with the n records at args on a temporary engine with a run
// boundary of its own; the callee's result is assigned to `result` (int 0
// before the call). On an error the temporary run is unwound; with
// RaiseInCaller, "in callback function" is then raised in the run that is
// current. Returns true on success.
bool call_back(const Value& fn, Value& result, const Value* args, int n, OnError on_error);

}  // namespace kj::vm
