// Compiled functions: a function whose body is scalar arithmetic on int and
// double arguments and locals, with if, while, return and calls of such
// functions, runs as scalar trees (scalar_tree.h) with native calls between
// them instead of through the dispatch loop.
//
// A function is compiled for the types of the arguments of a call, on its
// first such call: the types of its locals and its result must then follow
// from those of the arguments (a local keeps one type; every return gives the
// same type; a recursive call is taken to give that type, and the body must
// confirm it). Nothing such a function does is seen outside it: it reads its
// arguments and reads and writes its own locals. So when anything would go
// differently from the dispatch loop (an operator that would raise, a call
// deeper than the stack allows, an abort request, a function value changed),
// the whole outermost call is simply made again by the dispatch loop, which
// then raises or stops exactly as it always does, with its trace.
#pragma once

#include "vm/engine.h"

namespace kj::vm {

// A plain compiled function value (not bound, extern or taking further
// arguments) declared with n parameters: the only calls that may run
// compiled, told apart inline before anything is looked up.
inline bool plain_function(const Value& f, int n) {
    constexpr uint32_t mask = KJ_TYPE_MASK | value::k_bound | value::k_extern | value::k_varargs;
    return (f.type & mask) == value::T_Func && f.u.fn.nparam == n;
}

// The record `callee` holds a compiled function value with its n arguments
// above it. When the function compiles for these arguments and runs to its
// end, its result replaces the function value and true is returned (the
// caller pops the arguments); otherwise false, with nothing changed below
// the arguments' end.
bool run_compiled_call(Engine& e, Value* callee, int n);

// Outermost calls run compiled on this thread since it started (for tests).
uint64_t compiled_call_runs();

}  // namespace kj::vm
