// The calls that run upward, from a lower layer into a higher one, go through
// pointers that the lower layer declares and documents. They are all
// installed here, once, at library start-up (KjMainInit):
//   link -> compiler   the compiler of imported sources (link/resolver.h)
//   value -> vm        deleting an owned object with its destructor, and
//                      handing a replaced payload to a pending alias (value/value.h)
//   runtime -> vm      location, call trace and unwinding of run-time errors
//                      (runtime/run_error.h, ErrorReporter)
#pragma once

namespace kj::api {

void install_upward_hooks();

}  // namespace kj::api
