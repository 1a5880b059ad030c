// Frame markers: the record between a call's arguments and its locals. Its
// type-and-flags word is exactly 0x40 and its payload holds the caller's
// registers as stack indices, so that a stack can be copied between engines.
#pragma once

#include "vm/engine.h"

namespace kj::vm {

constexpr uint32_t k_frame_marker = 0x40;

struct SavedRegisters {
    int32_t ap;  // index of the caller's argument base
    int32_t bp;  // index of the caller's frame base
    int32_t ip;  // the caller's CAL instruction
};

inline bool is_frame_marker(const Value& v) { return v.type == k_frame_marker; }

// Writes the marker word by word, each payload word whole: the return reads
// it back soon after, and loads forward only from stores as wide as they are.
inline void write_frame_marker(Value& v, const SavedRegisters& r) {
    v.type = k_frame_marker;
    v.reserved = 0;
    v.u.w[0] = static_cast<int64_t>(static_cast<uint64_t>(static_cast<uint32_t>(r.ap)) |
                                    static_cast<uint64_t>(static_cast<uint32_t>(r.bp)) << 32);
    v.u.w[1] = static_cast<uint32_t>(r.ip);
    v.u.w[2] = v.u.w[3] = 0;
}

inline Value make_frame_marker(const Engine& e) {
    Value v;
    write_frame_marker(v, {e.index(e.ap), e.index(e.bp), e.ip});
    return v;
}

inline SavedRegisters saved_registers(const Value& marker) {
    const auto w0 = static_cast<uint64_t>(marker.u.w[0]);
    return {static_cast<int32_t>(static_cast<uint32_t>(w0)), static_cast<int32_t>(static_cast<uint32_t>(w0 >> 32)),
            static_cast<int32_t>(static_cast<uint32_t>(marker.u.w[1]))};
}

}  // namespace kj::vm
