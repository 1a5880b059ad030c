// Calls and returns of compiled functions on the dispatch loop's registers,
// for the common case: a plain function value, exactly its declared number of
// int or double arguments, no debug slots; and outside debug runs a return
// from a frame where nothing owns a payload. Each returns false in every other case (a call may
// have set some arguments' const marks, which the general call sets again),
// and the general call or return runs instead. The results equal those of
// call_compiled and return_from.
#pragma once

#include <cstdint>

#include "link/code_image.h"
#include "vm/engine.h"
#include "vm/frame.h"
#include "vm/threaded_code.h"

namespace kj::vm::fast {

// Registers the dispatch loop keeps in locals.
struct Registers {
    const Slot*& pc;
    Value*& sp;
    Value*& ap;
    Value*& bp;
};

// Copies a record with the flags in `clear` cleared. An int or double moves
// as its type word and first payload word only: loads no wider than the
// stores that wrote the scalar forward from them, where a whole-record copy
// would stall on every push and load.
[[gnu::always_inline]] inline void copy_record(Value& dst, const Value& src, uint32_t clear) {
    const uint32_t t = src.type;
    const uint32_t kind = t & KJ_TYPE_MASK;
    if (kind == value::T_Int || kind == value::T_Double) {
        dst.type = t & ~clear;
        dst.reserved = 0;
        dst.u.w[0] = src.u.w[0];
    } else {
        dst = src;
        dst.type &= ~clear;
    }
}

inline bool is_plain_scalar(const Value& v) {
    const uint32_t t = v.type & KJ_TYPE_MASK;
    return t == value::T_Int || t == value::T_Double;
}

// Outside debug mode the entry's ELF and an INT 0 do nothing: the call goes
// past them (the ELF's slot says how far).
// `limit`: the engine's stack limit, or null on an engine with debug slots
// (whose calls all take the general path).
[[gnu::always_inline]] inline bool call(Engine& e, Registers r, const Slot* code, const Value* limit, bool debug,
                                        int n) {
    Value* callee = r.sp - n;
    constexpr uint32_t mask = KJ_TYPE_MASK | value::k_bound | value::k_extern | value::k_varargs;
    if ((callee->type & mask) != value::T_Func || callee->u.fn.nparam != n || r.sp + 1 >= limit) return false;
    Value* args = callee + 1;
    // A parameter's descriptor letter 'c' marks it const; a non-scalar argument
    // leaves the call to the general path (the marks set so far are redone there).
    const auto mark = [](Value& arg, char letter) {
        const uint32_t t = arg.type;
        const uint32_t kind = t & KJ_TYPE_MASK;
        if (kind != value::T_Int && kind != value::T_Double) return false;
        arg.type = letter == 'c' ? t | value::k_const : t & ~value::k_const;
        return true;
    };
    if (n == 1) {  // the common case without the loop
        if (!mark(args[0], callee->u.fn.info->descriptor[0])) return false;
    } else if (n > 1) {
        const char* descriptor = callee->u.fn.info->descriptor;
        for (int i = 0; i < n; ++i)
            if (!mark(args[i], descriptor[i])) return false;
    }
    write_frame_offsets(*++r.sp, {byte_offset(e, r.ap), byte_offset(e, r.bp), static_cast<int32_t>(r.pc - code)});
    int32_t entry = static_cast<int32_t>(callee->u.fn.entry);
    if (!debug) entry += entry_skip(code[entry]);
    r.pc = code + entry - 1;
    e.ap = r.ap = args;
    e.bp = r.bp = r.sp + 1;
    return true;
}

// kind: 1 returns the top, 0 an int 0, -1 no value. `floor`: the engine's
// stack base, or on an engine whose returns all take the general path (a
// debug run's) the end of its stack.
[[gnu::always_inline]] inline bool return_from(Engine& e, Registers r, const Slot* code, const Value* floor,
                                               int kind) {
    Value* callee = r.ap - 1;
    if (r.ap <= floor) return false;  // no frame to leave: the general return refuses it
    if (kind == 1 && !is_plain_scalar(*r.sp)) return false;
    // Every record of the frame, the top included (it is a local when nothing
    // is returned), their flags gathered in one word (the marker's owns nothing).
    static_assert((k_frame_marker & value::k_owns) == 0);
    uint32_t flags = 0;
    for (const Value* p = callee; p <= r.sp; ++p) flags |= p->type;
    if (flags & value::k_owns) return false;
    const SavedOffsets caller = saved_offsets(r.bp[-1]);
    if (kind == 1) {
        copy_record(*callee, *r.sp, value::k_const);
    } else {
        *callee = kind == 0 ? value::make_int(0) : value::make_null();
    }
    r.sp = callee;
    r.pc = code + caller.ip;
    e.ap = r.ap = at_byte_offset(e, caller.ap);
    e.bp = r.bp = at_byte_offset(e, caller.bp);
    return true;
}

}  // namespace kj::vm::fast
