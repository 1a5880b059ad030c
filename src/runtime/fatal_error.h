// A compile or link error after which this run can do nothing more: a full
// table or buffer, memory exhausted, too many errors, a source in an
// encoding that cannot be read. Its message has been printed when it is
// thrown; the exported calls that compile or link (KjMain, IKjRunInit) catch
// it and end the run as failed. The library never ends the process for it.
#pragma once

namespace kj::runtime {

struct FatalError {};

// Tells the exit callback 1, then throws FatalError.
[[noreturn, gnu::cold]] void raise_fatal_error();

}  // namespace kj::runtime
