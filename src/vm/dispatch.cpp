#include "vm/dispatch.h"

#include <cstddef>
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
#include "vm/compiled_function.h"
#include "vm/compiled_loop.h"
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
// Another record from `from` to `top` shows the matrix, string or array of
// local: the same payload pointer (the second payload word of each).
bool shown_elsewhere(const Value& local, const Value* from, const Value* top) {
    for (const Value* p = from; p <= top; ++p)
        if (p != &local && !fast::is_plain_scalar(*p) && p->u.w[1] == local.u.w[1]) return true;
    return false;
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
    static const void* const argument_binary[k_binary_operators] = {
#define X(Name, token, raises, int_expr, dbl_expr) &&L_PapOpr##Name,
        KJ_SCALAR_BINARY(X)
#undef X
    };
    static const void* const local_binary[k_binary_operators] = {
#define X(Name, token, raises, int_expr, dbl_expr) &&L_PbpOpr##Name,
        KJ_SCALAR_BINARY(X)
#undef X
    };
    static const void* const binary_to_local[k_binary_operators] = {
#define X(Name, token, raises, int_expr, dbl_expr) &&L_OprSbp##Name,
        KJ_SCALAR_BINARY(X)
#undef X
    };
    // In the order of KJ_SCALAR_UNARY.
    static const void* const unary_operator[k_unary_operators] = {
#define X(Name, token, int_expr, dbl_expr) &&L_Unary##Name,
        KJ_SCALAR_UNARY(X)
#undef X
    };
    static const void* const argument_unary[k_unary_operators] = {
#define X(Name, token, int_expr, dbl_expr) &&L_PapUnary##Name,
        KJ_SCALAR_UNARY(X)
#undef X
    };
    static const void* const local_unary[k_unary_operators] = {
#define X(Name, token, int_expr, dbl_expr) &&L_PbpUnary##Name,
        KJ_SCALAR_UNARY(X)
#undef X
    };
    static const void* const argument_branch[k_fused_operators] = {
#define X(Name) &&L_PapBranch##Name,
        KJ_FUSED_OPERATORS(X)
#undef X
    };
    static const void* const local_branch[k_fused_operators] = {
#define X(Name) &&L_PbpBranch##Name,
        KJ_FUSED_OPERATORS(X)
#undef X
    };
    static const void* const accumulate[k_binary_operators] = {
#define X(Name, token, raises, int_expr, dbl_expr) &&L_Accumulate##Name,
        KJ_SCALAR_BINARY(X)
#undef X
    };
    static const void* const line_loop_back = &&L_LineLoopBack;
    static const void* const line_return = &&L_LineReturn;
    static const void* const prepare_local_store = &&L_XrsLbp;
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
            h.argument_branch[i] = argument_branch[i];
            h.local_branch[i] = local_branch[i];
        }
        for (int i = 0; i < k_binary_operators; ++i) {
            h.binary_operator[i] = binary_operator[i];
            h.argument_binary[i] = argument_binary[i];
            h.local_binary[i] = local_binary[i];
            h.binary_to_local[i] = binary_to_local[i];
        }
        for (int i = 0; i < k_unary_operators; ++i) {
            h.unary_operator[i] = unary_operator[i];
            h.argument_unary[i] = argument_unary[i];
            h.local_unary[i] = local_unary[i];
        }
        h.line_loop_back = line_loop_back;
        h.line_return = line_return;
        h.prepare_local_store = prepare_local_store;
        h.skipped_load = listed[0];
        for (int i = 0; i < k_binary_operators; ++i) h.accumulate[i] = accumulate[i];
        return h;
    }();

    const ThreadedRun running(e.origin == nullptr);
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
// The scalar operator Name on the records l and r, the result written to out
// (which may be l): int and double operands with a value, in one switch on
// both type words (each masked to its type and no-value flag, apart); any
// other pair goes to `otherwise`.
#define SCALAR_BINARY_OR(Name, out, l, r, otherwise)                                     \
    do {                                                                                \
        constexpr uint32_t mask_ = KJ_TYPE_MASK | k_null;                               \
        constexpr uint32_t int_ = value::T_Int, dbl_ = value::T_Double;                 \
        const double x_ = (l).u.dval, y_ = (r).u.dval;                                  \
        const int32_t a_ = (l).u.ival, b_ = (r).u.ival;                                 \
        switch (((l).type & mask_) << 16 | ((r).type & mask_)) {                        \
            case dbl_ << 16 | dbl_: link::scalar::Name::dbl_dbl(out, x_, y_); break;          \
            case int_ << 16 | int_: link::scalar::Name::int_int(out, a_, b_); break;          \
            case dbl_ << 16 | int_: link::scalar::Name::dbl_dbl(out, x_, b_); break;          \
            case int_ << 16 | dbl_: link::scalar::Name::dbl_dbl(out, a_, y_); break;          \
            default: goto otherwise;                                                    \
        }                                                                               \
    } while (0)
// OPR of a binary operator of the scalar table, one handler per operator.
#define BINARY_OPERATOR(Name, token, raises, int_expr, dbl_expr)                        \
    L_Opr##Name : {                                                                     \
        if (raises) goto L_Opr;                                                         \
        SCALAR_BINARY_OR(Name, sp[-1], sp[-1], sp[0], L_Opr);                           \
        --sp;                                                                           \
        NEXT_AFTER_BINARY();                                                            \
    }
// PAP a or PBP b, then OPR: the argument or local is the right operand, used
// where it lies; anything else runs the load on its own.
#define OPERATOR_WITH_LOAD(label, src, plain, Name, raises)                \
    label : {                                                             \
        if (raises) goto plain;                                           \
        SCALAR_BINARY_OR(Name, *sp, *sp, (src), plain);                   \
        ++pc;                                                             \
        NEXT_AFTER_BINARY();                                              \
    }
#define ARGUMENT_BINARY(Name, token, raises, int_expr, dbl_expr) \
    OPERATOR_WITH_LOAD(L_PapOpr##Name, ap[k], L_Pap, Name, raises)
#define LOCAL_BINARY(Name, token, raises, int_expr, dbl_expr) \
    OPERATOR_WITH_LOAD(L_PbpOpr##Name, bp[k], L_Pbp, Name, raises)
// OPR, SBP b, POP 0: the result goes straight to a local that owns nothing.
#define BINARY_TO_LOCAL(Name, token, raises, int_expr, dbl_expr)          \
    L_OprSbp##Name : {                                                    \
        Value& d_ = bp[pc[1].operand];                                    \
        if (raises || value::owns(d_)) goto L_Opr##Name;                  \
        SCALAR_BINARY_OR(Name, d_, sp[-1], sp[0], L_Opr##Name);           \
        sp -= 2;                                                          \
        pc += 2;                                                          \
        NEXT();                                                           \
    }
// OPR, SBP b, POP 0 after an expression whose local b was not pushed (its
// PBP was skipped): an int or double local that owns nothing combines with
// the expression in place; otherwise the local is put below the expression,
// as the PBP would have pushed it, and the single steps run from the OPR.
#define ACCUMULATE(Name, token, raises, int_expr, dbl_expr)               \
    L_Accumulate##Name : {                                                \
        Value& d_ = bp[pc[1].operand];                                    \
        if (raises || value::owns(d_)) goto L_AccumulatePush##Name;       \
        SCALAR_BINARY_OR(Name, d_, d_, *sp, L_AccumulatePush##Name);      \
        --sp;                                                             \
        pc += 2;                                                          \
        NEXT();                                                           \
    }                                                                     \
    L_AccumulatePush##Name : {                                            \
        Value& d_ = bp[pc[1].operand];                                    \
        NO_VALUE_CHECK(d_);                                               \
        sp[1] = sp[0];                                                    \
        fast::copy_record(sp[0], d_, k_owns);                             \
        ++sp;                                                             \
        goto L_Opr##Name;                                                 \
    }
// A unary operator on the top, on an argument or on a local pushed first.
#define UNARY_ON(out, src, Name)                                          \
    do {                                                                  \
        if (((src).type & KJ_TYPE_MASK) == value::T_Int)                  \
            link::scalar::Name::on_int(out, (src).u.ival);                \
        else                                                              \
            link::scalar::Name::on_dbl(out, (src).u.dval);                \
    } while (0)
#define UNARY_OPERATOR(Name, token, int_expr, dbl_expr)                   \
    L_Unary##Name : {                                                     \
        if (!fast::is_number(sp->type)) goto L_Opr;                       \
        UNARY_ON(*sp, *sp, Name);                                         \
        NEXT();                                                           \
    }
#define UNARY_WITH_LOAD(label, src, plain, Name)                          \
    label : {                                                             \
        const Value& v_ = (src);                                          \
        if (!fast::is_number(v_.type)) goto plain;                        \
        ++sp;                                                             \
        UNARY_ON(*sp, v_, Name);                                          \
        ++pc;                                                             \
        NEXT_AFTER_BINARY();                                              \
    }
#define ARGUMENT_UNARY(Name, token, int_expr, dbl_expr) UNARY_WITH_LOAD(L_PapUnary##Name, ap[k], L_Pap, Name)
#define LOCAL_UNARY(Name, token, int_expr, dbl_expr) UNARY_WITH_LOAD(L_PbpUnary##Name, bp[k], L_Pbp, Name)
// PAP a or PBP b of an int, PSH c, OPR, [NUM], JMF or JMT: the jump taken on
// the int result, past the pop of the condition that begins either way, which
// is never pushed. A line marker in between leaves debug runs and an abort
// request to the single steps.
#define BRANCH(label, src, plain, Name)                                   \
    label : {                                                             \
        const Value& v_ = (src);                                          \
        if ((v_.type & (KJ_TYPE_MASK | k_null)) != value::T_Int || debug || e.abort_requested) goto plain; \
        Value t_;                                                         \
        link::scalar::Name::int_int(t_, v_.u.ival, pc[1].operand);        \
        pc += IS_OP(pc[3], Num) ? 4 : 3;                                  \
        if ((t_.u.ival != 0) == IS_OP(*pc, Jmt)) {                        \
            pc = code + pc->operand;                                      \
        } else {                                                          \
            ++pc;                                                         \
        }                                                                 \
        NEXT();                                                           \
    }
#define ARGUMENT_BRANCH(Name) BRANCH(L_PapBranch##Name, ap[k], L_Pap##Name, Name)
#define LOCAL_BRANCH(Name) BRANCH(L_PbpBranch##Name, bp[k], L_Pbp##Name, Name)
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
// else is pushed as by PBP. Code read from a file is not held to that
// pattern: there the payload moves only when no other record of the frame
// shows it (a moved payload would be freed under such an alias).
L_Mvl: {
    Value& src = bp[k];
    if (movable(src.type) && (!(pc->op & k_checked_op) || !shown_elsewhere(src, bp, sp))) {
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
    KJ_SCALAR_BINARY(ARGUMENT_BINARY)
    KJ_SCALAR_BINARY(LOCAL_BINARY)
    KJ_SCALAR_BINARY(BINARY_TO_LOCAL)
    KJ_SCALAR_BINARY(ACCUMULATE)
    KJ_SCALAR_UNARY(UNARY_OPERATOR)
    KJ_SCALAR_UNARY(ARGUMENT_UNARY)
    KJ_SCALAR_UNARY(LOCAL_UNARY)
    KJ_FUSED_OPERATORS(ARGUMENT_BRANCH)
    KJ_FUSED_OPERATORS(LOCAL_BRANCH)
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
// Indexing a matrix by int positions runs here: the first index turns the
// matrix into a "vector" record holding the row, the second loads the element
// of a vector that owns nothing, or stores an int or double into it; any
// other operand, and a position out of range, takes the general way.
#define PLAIN_VECTOR(v) \
    (((v).type & (KJ_TYPE_MASK | k_null | k_owns | value::k_idx_value | value::k_idx_range)) == value::T_Vector)
#define IS_INT(v) (((v).type & (KJ_TYPE_MASK | k_null)) == value::T_Int)
// The element of the plain vector `vec` at column `col`, or null when a
// position is out of range.
#define VECTOR_ELEMENT(vec, col)                                                                    \
    (static_cast<uint32_t>((vec).u.mat.idx.i[0]) < static_cast<uint32_t>((vec).u.mat.r) &&          \
             static_cast<uint32_t>(col) < static_cast<uint32_t>((vec).u.mat.c)                        \
         ? &(vec).u.mat.m[(vec).u.mat.idx.i[0]][col]                                                 \
         : nullptr)
L_Xld:
    if (IS_INT(*sp)) {
        Value& t = sp[-1];
        if ((t.type & (KJ_TYPE_MASK | k_null)) == value::T_Matrix) {
            t.type = (t.type & ~(KJ_TYPE_MASK | value::k_idx_value | value::k_idx_range | k_null | value::k_const)) |
                     value::T_Vector;
            t.u.mat.idx.i[0] = sp->u.ival;
            --sp;
            NEXT();
        }
        if (PLAIN_VECTOR(t)) {
            if (const double* x = VECTOR_ELEMENT(t, sp->u.ival)) {
                fast::put_double(t, *x);
                --sp;
                NEXT();
            }
        }
    }
    SYNC();
    index_load(e.sp);
    sp = e.sp;
    NEXT();
L_Xst:
    if (PLAIN_VECTOR(sp[-2]) && IS_INT(sp[-1]) && fast::is_number(sp->type)) {
        if (double* x = VECTOR_ELEMENT(sp[-2], sp[-1].u.ival)) {
            *x = (sp->type & KJ_TYPE_MASK) == value::T_Int ? sp->u.ival : sp->u.dval;
            sp -= 2;
            fast::copy_record(*sp, sp[2], 0);
            NEXT();
        }
    }
    SYNC();
    index_store(e.sp);
    sp = e.sp;
    NEXT();
#undef PLAIN_VECTOR
#undef VECTOR_ELEMENT
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
// XRS, LBP b of a matrix local: the target of the indexed store is an alias
// of the matrix, as the general way makes it.
L_XrsLbp: {
    const Value& m = bp[pc[1].operand];
    if ((m.type & (KJ_TYPE_MASK | k_null)) != value::T_Matrix) goto L_Xrs;
    load_alias(*sp, m);
    ++pc;
    NEXT();
}
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
    // A function that runs compiled for these arguments leaves its result in
    // place of the function value (not on an engine with debug slots, whose
    // calls all take the general path).
    if (!debug && call_limit && plain_function(sp[-k], k) && run_compiled_call(e, sp - k, k)) {
        sp -= k;
        NEXT();
    }
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
        const int32_t at = IP();
        int32_t next = start_counted_for(e);
        // A loop with iterations to run goes on to its body (compiled outside
        // debug runs, on engines without debug slots).
        if (next == at + 1 && !debug && !e.slots) {
            const int32_t compiled = run_compiled_loop(e, at, bp, ap);
            if (compiled >= 0) next = compiled;
        }
        pc = code + next;
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
    // Field by field: only the remaining count and the counter change.
    auto* state = reinterpret_cast<unsigned char*>(&sp->u);
    const auto field = [state](auto& v, std::size_t offset) { std::memcpy(&v, state + offset, sizeof v); };
    const auto put_field = [state](const auto& v, std::size_t offset) { std::memcpy(state + offset, &v, sizeof v); };
    int64_t remaining;
    uint32_t counter;
    int32_t step, slot;
    field(remaining, offsetof(CountedLoop, remaining));
    field(counter, offsetof(CountedLoop, counter));
    field(step, offsetof(CountedLoop, step));
    field(slot, offsetof(CountedLoop, slot));
    counter += static_cast<uint32_t>(step);
    if (remaining > 0) {
        put_field(remaining - 1, offsetof(CountedLoop, remaining));
        put_field(counter, offsetof(CountedLoop, counter));
        int32_t body;
        field(body, offsetof(CountedLoop, body));
        fast::put_int(bp[slot], static_cast<int32_t>(counter));
        pc = code + body - 1;
        NEXT();
    }
    bp[slot].u.ival = static_cast<int32_t>(counter);
    NEXT();
}
// The body's last line marker before the back edge: outside debug runs and
// without an abort request, straight on to the step.
L_LineLoopBack:
    if (debug || e.abort_requested) goto L_Num;
    GO_ON_TO(LoopBack);
// A line marker before a return, the same way.
L_LineReturn:
    if (debug || e.abort_requested) goto L_Num;
    GO_ON_TO(Ret);

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
#undef IS_INT
#undef BELOW_REACH
#undef GO_ON_TO
#undef NEXT_AFTER_OPERATOR
#undef FUSED_OPERATOR
#undef FUSED_ARGUMENT
#undef FUSED_LOCAL
#undef BINARY_OPERATOR
#undef NEXT_AFTER_BINARY
#undef SCALAR_BINARY_OR
#undef OPERATOR_WITH_LOAD
#undef ARGUMENT_BINARY
#undef LOCAL_BINARY
#undef BINARY_TO_LOCAL
#undef ACCUMULATE
#undef UNARY_ON
#undef UNARY_OPERATOR
#undef UNARY_WITH_LOAD
#undef ARGUMENT_UNARY
#undef LOCAL_UNARY
#undef BRANCH
#undef ARGUMENT_BRANCH
#undef LOCAL_BRANCH
}

}  // namespace kj::vm
