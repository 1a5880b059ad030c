#include "runtime/fatal_error.h"

#include "runtime/host.h"

namespace kj::runtime {

void raise_fatal_error() {
    if (state().exit_fn) state().exit_fn(1);
    throw FatalError{};
}

}  // namespace kj::runtime
