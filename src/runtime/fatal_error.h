// A stop after which this run can do nothing more: a compile or link error
// (a full table or buffer, memory exhausted, too many errors, a source in an
// encoding that cannot be read), a run-time error with no run to unwind to,
// output or input through the default callbacks of pipes that a host set up
// but never connected. Its message has been printed when it is thrown; a
// running engine cleans up and passes it on, and the exported calls catch it
// (KjMain, IKjRunInit and FKjRun end as failed; KjPuts, KjRunError and
// KjRunErrorMessage return). The library never ends the process for it.
#pragma once

namespace kj::runtime {

struct FatalError {};

// Tells the exit callback 1, then throws FatalError.
[[noreturn, gnu::cold]] void raise_fatal_error();

}  // namespace kj::runtime
