// An owned record held while later steps may raise or report a fatal error:
// released on every way out unless taken first.
#pragma once

#include "value/value.h"

namespace kj::value {

struct OwnedValue {
    Value v = make_int(0);

    OwnedValue() = default;
    explicit OwnedValue(const Value& owned) : v(owned) {}
    OwnedValue(const OwnedValue&) = delete;
    OwnedValue& operator=(const OwnedValue&) = delete;
    ~OwnedValue() { release(v); }

    // The record with its payload; what stays behind owns nothing.
    Value take() {
        Value out = v;
        v.type &= ~k_owns;
        return out;
    }
};

}  // namespace kj::value
