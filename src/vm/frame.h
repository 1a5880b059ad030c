// Frame markers: the record between a call's arguments and its locals. Its
// type-and-flags word is exactly 0x40 and its payload holds the caller's
// registers as stack indices, so that a stack can be copied between engines.
#pragma once

#include <cstring>

#include "vm/engine.h"

namespace kj::vm {

constexpr uint32_t k_frame_marker = 0x40;

struct SavedRegisters {
    int32_t ap;  // index of the caller's argument base
    int32_t bp;  // index of the caller's frame base
    int32_t ip;  // the caller's CAL instruction
};

inline bool is_frame_marker(const Value& v) { return v.type == k_frame_marker; }

inline Value make_frame_marker(const Engine& e) {
    Value v{};
    v.type = k_frame_marker;
    const SavedRegisters r{e.index(e.ap), e.index(e.bp), e.ip};
    std::memcpy(&v.u, &r, sizeof r);
    return v;
}

inline SavedRegisters saved_registers(const Value& marker) {
    SavedRegisters r;
    std::memcpy(&r, &marker.u, sizeof r);
    return r;
}

}  // namespace kj::vm
