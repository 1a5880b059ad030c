// Frame markers: the record between a call's arguments and its locals. Its
// type-and-flags word is exactly 0x40 and its payload holds the caller's
// registers as distances from the stack base, so that a stack can be copied
// between engines: the argument and frame bases in bytes (a stack holds at
// most 10^7 records and its headroom, far below 4 GB), which the calls'
// fast paths use without a division, and the instruction.
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

// Register positions in bytes from the stack base.
struct SavedOffsets {
    uint32_t ap;
    uint32_t bp;
    int32_t ip;
};

inline uint32_t byte_offset(const Engine& e, const Value* p) {
    return static_cast<uint32_t>(reinterpret_cast<const char*>(p) - reinterpret_cast<const char*>(e.base));
}
inline Value* at_byte_offset(const Engine& e, uint32_t offset) {
    return reinterpret_cast<Value*>(reinterpret_cast<char*>(e.base) + offset);
}

// Writes the marker word by word, each payload word whole: the return reads
// it back soon after, and loads forward only from stores as wide as they are.
inline void write_frame_offsets(Value& v, const SavedOffsets& r) {
    v.type = k_frame_marker;
    v.reserved = 0;
    v.u.w[0] = static_cast<int64_t>(static_cast<uint64_t>(r.ap) | static_cast<uint64_t>(r.bp) << 32);
    v.u.w[1] = static_cast<uint32_t>(r.ip);
    v.u.w[2] = v.u.w[3] = 0;
}

inline void write_frame_marker(Value& v, const SavedRegisters& r) {
    constexpr auto size = static_cast<uint32_t>(sizeof(Value));
    write_frame_offsets(v, SavedOffsets{static_cast<uint32_t>(r.ap) * size, static_cast<uint32_t>(r.bp) * size, r.ip});
}

inline Value make_frame_marker(const Engine& e) {
    Value v;
    write_frame_offsets(v, {byte_offset(e, e.ap), byte_offset(e, e.bp), e.ip});
    return v;
}

inline SavedOffsets saved_offsets(const Value& marker) {
    const auto w0 = static_cast<uint64_t>(marker.u.w[0]);
    return {static_cast<uint32_t>(w0), static_cast<uint32_t>(w0 >> 32),
            static_cast<int32_t>(static_cast<uint32_t>(marker.u.w[1]))};
}

inline SavedRegisters saved_registers(const Value& marker) {
    constexpr auto size = static_cast<uint32_t>(sizeof(Value));
    const SavedOffsets o = saved_offsets(marker);
    return {static_cast<int32_t>(o.ap / size), static_cast<int32_t>(o.bp / size), o.ip};
}

}  // namespace kj::vm
