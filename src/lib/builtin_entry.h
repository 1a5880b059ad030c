// One row of a built-in group's registration table: what FKjLibAddFunction
// (or FKjLibAddFunctionEx with the serial flag) is called with.
#pragma once

#include <kj80x.h>

namespace kj::lib {

struct BuiltinEntry {
    const char* descriptor;     // one 'c' or ' ' per declared parameter, '$', name
    KjNativeFunction function;
    int varargs;                // non-zero: at least the declared arguments, any more accepted
    bool serial;                // never called from the body of a parallel loop
};

}  // namespace kj::lib
