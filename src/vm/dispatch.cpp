#include "vm/dispatch.h"

#include <cstring>
#include <utility>

#include "link/code_image.h"
#include "link/file_code.h"
#include "link/literals.h"
#include "link/symbols.h"
#include "runtime/alloc.h"
#include "vm/addresses.h"
#include "vm/call_fast_path.h"
#include "vm/calls.h"
#include "vm/debugger.h"
#include "vm/lambdas.h"
#include "vm/loops.h"
#include "vm/objects.h"
#include "vm/operators.h"
#include "vm/parallel_loop.h"
#include "runtime/run_error.h"
#include "vm/scalar_fast_path.h"
#include "vm/threaded_code.h"

namespace kj::vm {

using link::Instr;
using link::Op;
using value::k_null;
using value::k_owns;

// Pushes of code read from a file may reach the unchecked room beyond the
// capacity; an out-of-line step may push a few records more.
static_assert(k_stack_headroom > link::k_unchecked_pushes + 16);

namespace {
// The top is overwritten by an alias of src; an owned payload in it is released first.
inline void load_alias(Value& top, const Value& src) {
    if (value::owns(top)) value::release(top);
    fast::copy_record(top, src, k_owns);
}

inline void load_int(Value& top, int32_t i, uint32_t flags = 0) {
    if (value::owns(top)) value::release(top);
    fast::put_int(top, i, flags);
}

// A local whose matrix, string or array MVL may hand over: one it owns, that
// is neither a reference nor a shared array.
inline bool movable(uint32_t type) {
    constexpr uint32_t mask = KJ_TYPE_MASK | k_owns | k_null | value::k_const | value::k_address | value::k_shared;
    const uint32_t t = type & mask;
    return t == (value::T_Matrix | k_owns) || t == (value::T_String | k_owns) || t == (value::T_Array | k_owns);
}

// Pushes aliases of the n top records; a copied vector indexed by a matrix of
// indices gets its own index record (materialising frees it).
[[gnu::cold]] void copy_vector_index(Value& copy) {
    auto* idx = static_cast<Value*>(runtime::raw_alloc(sizeof(Value)));
    if (!idx) runtime::raise_run_error(runtime::E_OutOfMemory, "[] dup");
    *idx = *copy.u.mat.idx.v;
    idx->type &= ~k_owns;
    copy.u.mat.idx.v = idx;
}
// Fills the opcode table of h from the handlers listed in opcode-list order
// after the one that skips unknown opcodes.
void fill_opcode_handlers(Handlers& h, const void* const* listed) {
    for (auto& entry : h.by_opcode) entry = listed[0];
    int i = 1;
#define X(name, code, mnemonic, pops, pushes, operand, effect) h.by_opcode[code] = listed[i++];
#include "link/opcodes.def"
#undef X
}
}  // namespace

void dispatch(Engine& e, bool debug, int32_t stop) {
    static const void* const listed[] = {
        &&L_Skip,
#define X(name, code, mnemonic, pops, pushes, operand, effect) &&L_##name,
#include "link/opcodes.def"
#undef X
    };
    // In the order of KJ_FUSED_OPERATORS.
    static const void* const argument_operator[k_fused_operators] = {
#define X(Name) &&L_Pap##Name,
        KJ_FUSED_OPERATORS(X)
#undef X
    };
    static const void* const local_operator[k_fused_operators] = {
#define X(Name) &&L_Pbp##Name,
        KJ_FUSED_OPERATORS(X)
#undef X
    };
    // In the order of KJ_SCALAR_BINARY.
    static const void* const binary_operator[k_binary_operators] = {
#define X(Name, token, raises, int_expr, dbl_expr) &&L_Opr##Name,
        KJ_SCALAR_BINARY(X)
#undef X
    };
    static const void* const push_global = &&L_PshLod;
    static const void* const loop_back = &&L_LoopBack;
    static const void* const append_local = &&L_AppendLocal;
    static const void* const product_of_transposed = &&L_TransposedProduct;
    static const void* const checked_push = &&L_CheckedPush;
    static const void* const checked_reach = &&L_CheckedReach;
    static const void* const checked_push_reach = &&L_CheckedPushReach;
    static const void* const checked_return = &&L_CheckedReturn;
    static const void* const checked_jump = &&L_CheckedJump;
    static const Handlers handlers = [] {
        Handlers h{};
        fill_opcode_handlers(h, listed);
        h.push_global = push_global;
        h.loop_back = loop_back;
        h.append_local = append_local;
        h.transposed_product = product_of_transposed;
        h.checked_push = checked_push;
        h.checked_reach = checked_reach;
        h.checked_push_reach = checked_push_reach;
        h.checked_return = checked_return;
        h.checked_jump = checked_jump;
        for (int i = 0; i < k_fused_operators; ++i) {
            h.argument_operator[i] = argument_operator[i];
            h.local_operator[i] = local_operator[i];
        }
        for (int i = 0; i < k_binary_operators; ++i) h.binary_operator[i] = binary_operator[i];
        return h;
    }();

    ThreadedRun running;
    const Slot* code = threaded_code(handlers);
    int32_t checked = g_threaded.checked;
    const Value* literals = link::literal_data();
    value::NamedValue* const globals = link::symbols().entries;
    // The instruction pointer is kept as a pointer to the running slot.
    const Slot* pc = code + e.ip;
    Value* sp = e.sp;
    Value* ap = e.ap;
    Value* bp = e.bp;
    const Value* const call_limit = e.slots ? nullptr : e.limit();
    // A debug run returns the general way, after which the debugger's hook runs.
    const Value* const return_floor = debug ? e.limit() + k_stack_headroom : e.base;
    int32_t k;

// Registers go back to the engine before anything that may raise, call or stop.
#define IP() static_cast<int32_t>(pc - code)
#define SYNC() (e.ip = IP(), e.sp = sp)
#define RELOAD() (pc = code + e.ip, sp = e.sp, ap = e.ap, bp = e.bp)
#define IS_OP(slot, name) ((slot).op == static_cast<int32_t>(Op::name))
#define NO_VALUE_CHECK(v) \
    if (value::is_null(v)) { SYNC(); runtime::raise_run_error(runtime::E_NoValue); }
// The store primitive, with int and double moved in place.
#define STORE(dst)                                                        \
    do {                                                                  \
        Value& d_ = (dst);                                                \
        if (fast::is_plain_scalar(*sp) && !value::owns(d_)) {                         \
            d_.type = sp->type & ~(k_null | value::k_const | value::k_static | k_owns); \
            d_.u.w[0] = sp->u.w[0];                                       \
        } else {                                                          \
            SYNC();                                                       \
            value::assign(d_, *sp);                                       \
        }                                                                 \
    } while (0)
// The debugger may compile code: the slots are fetched again after it.
#define DEBUG_STOP()                                                      \
    if (debug && debug_state().active) {                                  \
        SYNC();                                                           \
        if (debug_stop(e, opcode_of(*pc), pc->operand)) return;           \
        code = threaded_code(handlers);                                   \
        checked = g_threaded.checked;                                     \
        literals = link::literal_data();                                  \
        RELOAD();                                                         \
    }
// Each handler ends in its own indirect jump to the next slot's handler.
#define NEXT()                                                            \
    do {                                                                  \
        k = (++pc)->operand;                                              \
        goto* pc->handler;                                                \
    } while (0)
// A direct jump to the handler of the next slot, known to hold `name`.
#define GO_ON_TO(name)                                                    \
    do {                                                                  \
        k = (++pc)->operand;                                              \
        goto L_##name;                                                    \
    } while (0)
// After a fused operator: a call or a line marker usually follows.
#define NEXT_AFTER_OPERATOR()                                             \
    do {                                                                  \
        if (IS_OP(pc[1], Cal)) GO_ON_TO(Cal);                             \
        if (IS_OP(pc[1], Num)) GO_ON_TO(Num);                             \
        NEXT();                                                           \
    } while (0)
// PAP a or PBP b of an int, PSH c, OPR: the int result pushed in one step;
// anything but an int goes the single-instruction way.
#define FUSED_OPERATOR(label, src, plain, Name)                           \
    label : {                                                             \
        const Value& v_ = (src);                                          \
        if ((v_.type & (KJ_TYPE_MASK | k_null)) != value::T_Int) goto plain; \
        link::scalar::Name::int_int(*++sp, v_.u.ival, pc[1].operand);           \
        pc += 2;                                                          \
        NEXT_AFTER_OPERATOR();                                            \
    }
#define FUSED_ARGUMENT(Name) FUSED_OPERATOR(L_Pap##Name, ap[k], L_Pap, Name)
#define FUSED_LOCAL(Name) FUSED_OPERATOR(L_Pbp##Name, bp[k], L_Pbp, Name)
// OPR of a binary operator of the scalar table, one handler per operator:
// int and double operands in place, anything else the general way.
#define BINARY_OPERATOR(Name, token, raises, int_expr, dbl_expr)                        \
    L_Opr##Name : {                                                                     \
        if (raises) goto L_Opr;                                                         \
        constexpr uint32_t mask_ = KJ_TYPE_MASK | k_null;                               \
        Value& l_ = sp[-1];                                                             \
        const Value& r_ = sp[0];                                                        \
        const uint32_t both_ = (l_.type & mask_) << 8 | (r_.type & mask_);              \
        switch (both_) {                                                                \
            case value::T_Double << 8 | value::T_Double:                                \
                link::scalar::Name::dbl_dbl(l_, l_.u.dval, r_.u.dval);                        \
                break;                                                                  \
            case value::T_Int << 8 | value::T_Int: link::scalar::Name::int_int(l_, l_.u.ival, r_.u.ival); break; \
            case value::T_Double << 8 | value::T_Int: link::scalar::Name::dbl_dbl(l_, l_.u.dval, r_.u.ival); break; \
            case value::T_Int << 8 | value::T_Double: link::scalar::Name::dbl_dbl(l_, l_.u.ival, r_.u.dval); break; \
            default: goto L_Opr;                                                        \
        }                                                                               \
        --sp;                                                                           \
        NEXT_AFTER_BINARY();                                                            \
    }
// After a binary operator: the result is usually stored or used by the next operator.
#define NEXT_AFTER_BINARY()                                               \
    do {                                                                  \
        if (IS_OP(pc[1], Sbp)) GO_ON_TO(Sbp);                             \
        NEXT();                                                           \
    } while (0)

    --pc;
    NEXT();

L_Ext:
    SYNC();
    return;
L_Num:
    if (abort_requested(e)) {
        SYNC();
        runtime::raise_run_error(runtime::E_UserAbort);
    }
    DEBUG_STOP();
    // A line marker before a conditional jump or a return goes straight on to it.
    if (!debug) {
        if (IS_OP(pc[1], Jmf)) GO_ON_TO(Jmf);
        if (IS_OP(pc[1], Ret)) GO_ON_TO(Ret);
        if (IS_OP(pc[1], Jmt)) GO_ON_TO(Jmt);
    }
    NEXT();
L_Elf:
L_Elt:
    DEBUG_STOP();
    NEXT();
L_Skip:
L_Nop:
    NEXT();
L_Lck:
    // Serial code: a real lock on the workers of a parallel loop.
    if (e.origin) {
        SYNC();
        serial_marker(k);
    }
    NEXT();

    // Pushes and loads.
L_PshLod:
    // PSH then LOD: an alias of a global (a function about to be called).
    k = (++pc)->operand;
    fast::copy_record(*++sp, globals[k].val, k_owns);
    NEXT();
L_Psh:
    fast::put_int(*++sp, k);
    NEXT();
    KJ_FUSED_OPERATORS(FUSED_ARGUMENT)
L_Pap:
    fast::copy_record(*++sp, ap[k], k_owns);
    NEXT();
    KJ_FUSED_OPERATORS(FUSED_LOCAL)
L_Pbp: {
    // An int or double with a value in one test.
    const Value& src = bp[k];
    const uint32_t t = src.type;
    if (((t & (KJ_TYPE_MASK | k_null)) - 1u) < 2u) {
        Value& d = *++sp;
        d.type = t & ~k_owns;
        d.reserved = 0;
        d.u.w[0] = src.u.w[0];
        NEXT();
    }
    NO_VALUE_CHECK(src);
    fast::copy_record(*++sp, src, k_owns);
    NEXT();
}
// x = f(..., x, ...): the local's payload goes to the call with its
// ownership, so the callee holds the only reference to it; the slot is left
// without value until the assignment after the call stores into it. Anything
// else is pushed as by PBP.
L_Mvl: {
    Value& src = bp[k];
    if (movable(src.type)) {
        *++sp = src;
        src = value::make_null();
        NEXT();
    }
    goto L_Pbp;
}
L_Dup:
    for (int i = 1; i <= k; ++i) {
        Value& copy = sp[i] = sp[i - k];
        copy.type &= ~k_owns;
        if (value::type_of(copy) == value::T_Vector && value::has_flag(copy, value::k_idx_value)) {
            SYNC();
            copy_vector_index(copy);
        }
    }
    sp += k;
    NEXT();
// A push, pop or read of records in code read from a file: compiled code
// stays within its frame's reservation and the unchecked room beyond it, and
// never reaches its frame's marker or below; this code is held to that before
// the instruction (or the sequence it begins) runs as usual. The second row
// holds the records it pushes and, in bytes, how far above the frame base the
// top must be for what it reaches (addresses compare in one step, where a
// distance in records would take a division).
#define BELOW_REACH() \
    (reinterpret_cast<const char*>(sp) < reinterpret_cast<const char*>(bp) + pc[checked].op)
L_CheckedPushReach:
    if (BELOW_REACH()) {
        SYNC();
        runtime::raise_run_error(runtime::E_StackError);
    }
L_CheckedPush:
    if (sp + pc[checked].operand > e.limit() + link::k_unchecked_pushes) {
        SYNC();
        runtime::raise_run_error(runtime::E_StackOverflow);
    }
    goto* pc[checked].handler;
L_CheckedReach:
    if (BELOW_REACH()) {
        SYNC();
        runtime::raise_run_error(runtime::E_StackError);
    }
    goto* pc[checked].handler;
// RET in code read from a file leaves only a frame made by a call, to
// registers inside the stack below it; the value it returns lies above the
// frame's marker.
L_CheckedReturn: {
    if (BELOW_REACH() || ap <= e.base || bp <= ap || !is_frame_marker(bp[-1])) {
        SYNC();
        runtime::raise_run_error(runtime::E_StackError);
    }
    const SavedRegisters caller = saved_registers(bp[-1]);
    if (caller.ap < 0 || caller.bp < 0 || e.at(caller.ap) >= ap || e.at(caller.bp) >= ap) {
        SYNC();
        runtime::raise_run_error(runtime::E_StackError);
    }
    goto* pc[checked].handler;
}
L_Lap:
    load_alias(*sp, ap[k]);
    NEXT();
L_Lbp:
    NO_VALUE_CHECK(bp[k]);
    load_alias(*sp, bp[k]);
    NEXT();
L_Lbm: {
    Value& src = main_slot(e, bp, k);
    if (e.origin) {
        SYNC();
        load_origin_slot(*sp, src);
        NEXT();
    }
    NO_VALUE_CHECK(src);
    load_alias(*sp, src);
    NEXT();
}
L_Lod:
    load_alias(*sp, globals[k].val);
    NEXT();
L_Lit:
    load_alias(*sp, literals[k]);
    NEXT();
L_Lti:
L_Lbr:
    load_int(*sp, k);
    NEXT();
L_Ltd:
    if (value::owns(*sp)) value::release(*sp);
    *sp = value::make_double(k);
    NEXT();
L_Lip:
    load_int(*sp, IP() + k, k_null);
    NEXT();

    // Stores keep the value on the stack as an alias.
L_Sto:
    if (e.origin) [[unlikely]] {
        SYNC();
        refuse_global_store(globals[k]);
    }
    STORE(globals[k].val);
    NEXT();
L_Sap:
    STORE(ap[k]);
    NEXT();
L_Sbp:
    STORE(bp[k]);
    // A statement's store is followed by the pop of its value.
    if (IS_OP(pc[1], Pop) && pc[1].operand == 0 && !value::owns(*sp)) {
        --sp;
        ++pc;
    }
    NEXT();
L_Sbm:
    if (e.origin) {
        SYNC();
        store_origin_slot(main_slot(e, bp, k), *sp);
        NEXT();
    }
    STORE(main_slot(e, bp, k));
    NEXT();

    // Stack shape.
L_Pop:
    // Compiled code never pops its frame's marker (a damaged object file may).
    if (sp - k < bp) {
        SYNC();
        runtime::raise_run_error(runtime::E_StackError);
    }
    for (int i = 0; i <= k; ++i, --sp)
        if (value::owns(*sp)) value::release(*sp);
    NEXT();
L_Sbz:
    if (value::owns(bp[k])) value::release(bp[k]);
    bp[k] = value::make_null();
    NEXT();
L_Exc:
    std::swap(sp[0], sp[-1]);
    NEXT();
L_Int:
    if (sp + k >= e.limit()) {
        SYNC();
        runtime::raise_run_error(runtime::E_StackOverflow);
    }
    for (int i = 0; i < k; ++i) fast::put_int(*++sp, 0, k_null);
    NEXT();

    // Jumps store target - 1: NEXT advances the instruction pointer.
L_Jmp:
    if (stop > 0 && IP() == stop) {
        load_int(*sp, 0);
        SYNC();
        return;
    }
    pc = code + k - 1;
    NEXT();
// The condition is usually popped first thing on either way.
#define CONDITIONAL_JUMP(label, on)                                       \
    label : {                                                             \
        int t = fast::truth(*sp);                                         \
        if (t < 0) {                                                      \
            SYNC();                                                       \
            t = value::truth(*sp);                                        \
        }                                                                 \
        if ((t != 0) == (on)) pc = code + k - 1;                          \
        if (IS_OP(pc[1], Pop) && pc[1].operand == 0 && !value::owns(*sp)) { \
            --sp;                                                         \
            ++pc;                                                         \
        }                                                                 \
        NEXT();                                                           \
    }
    CONDITIONAL_JUMP(L_Jmf, false)
    CONDITIONAL_JUMP(L_Jmt, true)
#undef CONDITIONAL_JUMP
// JST in code read from a file: the address lies above the frame's marker
// and points into the function's own code.
L_CheckedJump: {
    const Slot& c = pc[checked];
    if (sp + k < bp) {
        SYNC();
        runtime::raise_run_error(runtime::E_StackError);
    }
    if (!value::is_null(sp[k]) || sp[k].u.ival < c.operand || sp[k].u.ival >= c.op) {
        SYNC();
        runtime::raise_run_error(runtime::E_JumpAddress);
    }
    goto* c.handler;
}
L_Jst: {
    const Value& target = sp[k];
    if (!value::is_null(target) || static_cast<uint32_t>(target.u.ival) >= static_cast<uint32_t>(link::code_size())) {
        SYNC();
        runtime::raise_run_error(runtime::E_JumpAddress);
    }
    pc = code + target.u.ival - 1;
    NEXT();
}

    // Operators and indexing.
    KJ_SCALAR_BINARY(BINARY_OPERATOR)
L_Opr:
    if (const int kr = link::scalar::kind(*sp)) {
        if (link::scalar::unary(k, *sp, kr)) NEXT();
        const int kl = link::scalar::kind(sp[-1]);
        if (kl && link::scalar::is_quiet_binary(k)) {
            link::scalar::binary(k, sp[-1], sp[-1], kl, *sp, kr);
            --sp;
            NEXT();
        }
    }
    SYNC();
    apply_operator(k, e.sp);
    sp = e.sp;
    NEXT();
// OPR ~ then SBP b: a string local appended to in place when the left operand
// is that local's own string.
L_AppendLocal: {
    Value& var = bp[pc[1].operand];
    if (value::type_of(sp[-1]) == value::T_String && sp[-1].u.str.s == var.u.str.s &&
        append_string(var, *sp, ap, sp - 1)) {
        if (value::owns(*sp)) {
            SYNC();
            value::release(*sp);
        }
        --sp;
        fast::copy_record(*sp, var, k_owns);
        ++pc;
        NEXT();
    }
    goto L_Opr;
}
// OPR ' then a local, an argument or a global and OPR *: x'y as one product
// from the stored x, so that no transposed copy of x is made.
L_TransposedProduct: {
    const int32_t load = opcode_of(pc[1]);
    const bool global = load == static_cast<int32_t>(Op::Psh);
    const Value& right = global ? globals[pc[2].operand].val
                                : load == static_cast<int32_t>(Op::Pbp) ? bp[pc[1].operand] : ap[pc[1].operand];
    SYNC();
    if (transposed_product(*sp, right)) {
        pc += global ? 3 : 2;
        NEXT();
    }
    goto L_Opr;
}
L_Fni:
    SYNC();
    apply_inline(k, *sp);
    NEXT();
L_Xld:
    SYNC();
    index_load(e.sp);
    sp = e.sp;
    NEXT();
L_Xst:
    SYNC();
    index_store(e.sp);
    sp = e.sp;
    NEXT();
L_Xgl:
    SYNC();
    index_load_gauss(k, e.sp);
    sp = e.sp;
    NEXT();
L_Xgs:
    SYNC();
    index_store_gauss(k, e.sp);
    sp = e.sp;
    NEXT();
L_Xmv:
    SYNC();
    multiple_assign_element(k, *sp);
    NEXT();
L_Ntp:
    SYNC();
    if (k == static_cast<int32_t>(value::T_Lambda))
        make_lambda(e);
    else
        new_value(k, e.sp);
    sp = e.sp;
    NEXT();

    // References: the next instruction names the target and is consumed.
L_Adr:
L_Ads:
L_Xrs:
    SYNC();
    take_address(e, Instr{opcode_of(pc[1]), pc[1].operand}, opcode_of(*pc) == static_cast<int32_t>(Op::Xrs));
    RELOAD();
    ++pc;
    NEXT();

    // Calls, returns and loops; the general cases run out of line on the
    // synchronised engine.
L_Cal:
    if (fast::call(e, {pc, sp, ap, bp}, code, call_limit, debug, k)) NEXT();
    SYNC();
    call(e, k);
    RELOAD();
    NEXT();
L_Ret:
    if (fast::return_from(e, {pc, sp, ap, bp}, code, return_floor, k)) NEXT();
    SYNC();
    return_from(e, k);
    RELOAD();
    if (debug) goto L_Returned;
    NEXT();
// In debug mode the debugger sees each return once it is done (#step out
// stops there, in the caller).
L_Returned:
    if (debug_state().active) {
        SYNC();
        if (debug_stop(e, static_cast<int32_t>(Op::Ret), k)) return;
    }
    NEXT();
L_For:
    SYNC();
    if (k == -12) {
        pc = code + start_counted_for(e);
        sp = e.sp;
        NEXT();
    }
    for_instruction(e, k, debug);
    RELOAD();
    NEXT();
// The back-edge JMP of a canonical for loop: the next iteration, or on to the
// loop exit, which pops the loop state.
L_LoopBack: {
    if (!is_counted_loop(*sp)) {
        SYNC();
        runtime::raise_run_error(runtime::E_ForLoop);
    }
    CountedLoop loop;
    std::memcpy(&loop, &sp->u, sizeof loop);
    loop.counter += static_cast<uint32_t>(loop.step);
    if (loop.remaining > 0) {
        --loop.remaining;
        std::memcpy(&sp->u, &loop, sizeof loop);
        fast::put_int(bp[loop.slot], static_cast<int32_t>(loop.counter));
        pc = code + loop.body - 1;
        NEXT();
    }
    bp[loop.slot].u.ival = static_cast<int32_t>(loop.counter);
    NEXT();
}

L_Cam:
L_New:
L_Lmr:
L_Smn:
L_Smp:
L_Lmp:
    SYNC();
    object_instruction(e, static_cast<Op>(opcode_of(*pc)), k);
    RELOAD();
    NEXT();
L_Rtl:
    SYNC();
    object_instruction(e, Op::Rtl, k);
    RELOAD();
    if (debug) goto L_Returned;
    NEXT();
#undef IP
#undef SYNC
#undef RELOAD
#undef NO_VALUE_CHECK
#undef STORE
#undef DEBUG_STOP
#undef NEXT
#undef IS_OP
#undef BELOW_REACH
#undef GO_ON_TO
#undef NEXT_AFTER_OPERATOR
#undef FUSED_OPERATOR
#undef FUSED_ARGUMENT
#undef FUSED_LOCAL
#undef BINARY_OPERATOR
#undef NEXT_AFTER_BINARY
}

}  // namespace kj::vm
