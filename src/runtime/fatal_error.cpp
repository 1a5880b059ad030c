#include "runtime/fatal_error.h"

#include "runtime/host.h"

namespace kj::runtime {

void raise_fatal_error() {
    if (host::state().exit_fn) host::state().exit_fn(1);
    throw FatalError{};
}

}  // namespace kj::runtime
