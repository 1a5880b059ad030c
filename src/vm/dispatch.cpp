#include "vm/dispatch.h"

#include <array>
#include <utility>

#include "link/code_image.h"
#include "link/literals.h"
#include "link/symbols.h"
#include "value/alloc.h"
#include "vm/addresses.h"
#include "vm/call_fast_path.h"
#include "vm/calls.h"
#include "vm/lambdas.h"
#include "vm/loops.h"
#include "vm/objects.h"
#include "vm/operators.h"
#include "vm/run_error.h"
#include "vm/scalar_fast_path.h"

namespace kj::vm {

using link::Instr;
using link::Op;
using value::k_null;
using value::k_owns;

namespace {
// The top is overwritten by an alias of src; an owned payload in it is released first.
inline void load_alias(Value& top, const Value& src) {
    if (value::owns(top)) value::release(top);
    fast::copy_record(top, src, k_owns);
}

// Writes an int record field by field: building a whole record in a temporary
// and copying it costs a store-forwarding stall on every push.
inline void put_int(Value& v, int32_t i, uint32_t flags = 0) {
    v.type = value::T_Int | flags;
    v.reserved = 0;
    v.u.w[0] = static_cast<uint32_t>(i);
}

inline void load_int(Value& top, int32_t i, uint32_t flags = 0) {
    if (value::owns(top)) value::release(top);
    put_int(top, i, flags);
}

inline bool is_scalar(const Value& v) {
    const uint32_t t = v.type & KJ_TYPE_MASK;
    return t == value::T_Int || t == value::T_Double;
}

// Pushes aliases of the n top records; a copied vector indexed by a matrix of
// indices gets its own index record (materialising frees it).
[[gnu::cold]] void copy_vector_index(Value& copy) {
    auto* idx = static_cast<Value*>(value::raw_alloc(sizeof(Value)));
    if (!idx) raise_run_error(E_OutOfMemory, "[] dup");
    *idx = *copy.u.mat.idx.v;
    idx->type &= ~k_owns;
    copy.u.mat.idx.v = idx;
}
// The handler of each opcode, from the handlers listed in opcode-list order
// after the one that skips unknown opcodes.
// Indexed by an opcode's low byte (the image holds opcodes 0..255 only).
constexpr int k_opcodes = 256;
using JumpTable = std::array<const void*, k_opcodes>;

JumpTable make_jump_table(const void* const* handlers) {
    JumpTable t;
    t.fill(handlers[0]);
    int i = 1;
#define X(name, code, mnemonic, effect) t[code] = handlers[i++];
#include "link/opcodes.def"
#undef X
    return t;
}
}  // namespace

void dispatch(Engine& e, bool debug, int32_t stop) {
    const Instr* code = link::code_data();
    const Value* literals = link::literal_data();
    value::NamedValue* const globals = link::symbols().entries;
    // The instruction pointer is kept as a pointer into the code image.
    const Instr* pc = code + e.ip;
    Value* sp = e.sp;
    Value* ap = e.ap;
    Value* bp = e.bp;
    const Value* const call_limit = e.slots ? nullptr : e.limit();

// Registers go back to the engine before anything that may raise, call or stop.
#define IP() static_cast<int32_t>(pc - code)
#define SYNC() (e.ip = IP(), e.sp = sp)
#define RELOAD() (pc = code + e.ip, sp = e.sp, ap = e.ap, bp = e.bp)
#define NO_VALUE_CHECK(v) \
    if (value::is_null(v)) { SYNC(); raise_run_error(E_NoValue); }
// The store primitive, with int and double moved in place.
#define STORE(dst)                                                        \
    do {                                                                  \
        Value& d_ = (dst);                                                \
        if (is_scalar(*sp) && !value::owns(d_)) {                         \
            d_.type = sp->type & ~(k_null | value::k_const | k_owns);     \
            d_.u.w[0] = sp->u.w[0];                                       \
        } else {                                                          \
            SYNC();                                                       \
            value::assign(d_, *sp);                                       \
        }                                                                 \
    } while (0)
#define DEBUG_HOOK(in)                                                    \
    if (debug && debug_hook()) {                                          \
        SYNC();                                                           \
        if (debug_hook()(e, in.op, in.operand)) return;                   \
        code = link::code_data();                                         \
        literals = link::literal_data();                                  \
        RELOAD();                                                         \
    }

    // Threaded dispatch: each handler ends in its own indirect jump to the
    // next instruction's handler (NEXT). Opcodes outside the list are skipped.
    static const void* const handlers[] = {
        &&L_Skip,
#define X(name, code, mnemonic, effect) &&L_##name,
#include "link/opcodes.def"
#undef X
    };
    static const JumpTable table = make_jump_table(handlers);
    Instr in;
    int32_t k;
// PAP or PBP of an int, then PSH c, then OPR: an int operator with a constant
// right operand in one step (cases the int fast path does not take run apart).
#define FUSED_INT_CONSTANT_OPERATOR(src)                                                    \
    if (pc[1].op == static_cast<int32_t>(Op::Psh) &&                                 \
        pc[2].op == static_cast<int32_t>(Op::Opr) &&                                 \
        ((src).type & (KJ_TYPE_MASK | k_null)) == value::T_Int) {                           \
        if (fast::int_binary(pc[2].operand, sp[1], (src).u.ival, pc[1].operand)) { \
            ++sp;                                                                           \
            pc += 2;                                                                        \
            if (pc[1].op == static_cast<int32_t>(Op::Cal)) {                         \
                in = *++pc;                                                            \
                k = in.operand;                                                             \
                goto L_Cal;                                                                 \
            }                                                                               \
            NEXT_EXPECTING(Num);                                                            \
        }                                                                                   \
    }
#define NEXT()                                                                              \
    do {                                                                                    \
        in = *++pc;                                                                    \
        k = in.operand;                                                                     \
        goto* table[static_cast<uint8_t>(in.op)];                                           \
    } while (0)
// NEXT when the next instruction is usually `name`: then a direct jump to its handler.
#define NEXT_EXPECTING(name)                                                                \
    do {                                                                                    \
        if (pc[1].op == static_cast<int32_t>(Op::name)) {                            \
            in = *++pc;                                                                \
            k = in.operand;                                                                 \
            goto L_##name;                                                                  \
        }                                                                                   \
        NEXT();                                                                             \
    } while (0)

    --pc;
    NEXT();

L_Ext:
    SYNC();
    return;
L_Num:
    if (e.abort_requested) {
        SYNC();
        raise_run_error(E_UserAbort);
    }
    DEBUG_HOOK(in);
    // A line marker before a conditional jump or a return goes straight on to it.
    if (!debug) {
        const Op next = static_cast<Op>(pc[1].op);
        if (next == Op::Jmf || next == Op::Jmt || next == Op::Ret) {
            in = *++pc;
            k = in.operand;
            if (next == Op::Ret) goto L_Ret;
            goto L_Jmf;
        }
    }
    NEXT();
L_Elf:
L_Elt:
    DEBUG_HOOK(in);
    NEXT();
L_Skip:
L_Nop:
L_Lck:
    NEXT();

    // Pushes and loads.
L_Psh:
    // PSH then LOD pushes an alias of a global (a function about to be called).
    if (pc[1].op == static_cast<int32_t>(Op::Lod)) {
        k = (++pc)->operand;
        fast::copy_record(*++sp, globals[k].val, k_owns);
        NEXT_EXPECTING(Pap);
    }
    put_int(*++sp, k);
    NEXT();
L_Pap:
    FUSED_INT_CONSTANT_OPERATOR(ap[k]);
    fast::copy_record(*++sp, ap[k], k_owns);
    NEXT();
L_Pbp:
    NO_VALUE_CHECK(bp[k]);
    FUSED_INT_CONSTANT_OPERATOR(bp[k]);
    fast::copy_record(*++sp, bp[k], k_owns);
    NEXT();
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
L_Lap:
    load_alias(*sp, ap[k]);
    NEXT();
L_Lbp:
    NO_VALUE_CHECK(bp[k]);
    load_alias(*sp, bp[k]);
    NEXT();
L_Lbm: {
    Value& src = main_slot(e, bp, k);
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
    STORE(globals[k].val);
    NEXT();
L_Sap:
    STORE(ap[k]);
    NEXT();
L_Sbp:
    STORE(bp[k]);
    NEXT();
L_Sbm:
    STORE(main_slot(e, bp, k));
    NEXT();

    // Stack shape.
L_Pop:
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
        raise_run_error(E_StackOverflow);
    }
    for (int i = 0; i < k; ++i) put_int(*++sp, 0, k_null);
    NEXT();

    // Jumps store target - 1: NEXT advances ip.
L_Jmp:
    if (stop > 0 && IP() == stop) {
        load_int(*sp, 0);
        SYNC();
        return;
    }
    pc = code + k - 1;
    NEXT();
L_Jmf:
L_Jmt: {
    int t = fast::truth(*sp);
    if (t < 0) {
        SYNC();
        t = value::truth(*sp);
    }
    if ((t != 0) == (in.op == static_cast<int32_t>(Op::Jmt))) pc = code + k - 1;
    // The condition is usually popped first thing on either way.
    if (pc[1].op == static_cast<int32_t>(Op::Pop) && pc[1].operand == 0 && !value::owns(*sp)) {
        --sp;
        ++pc;
    }
    NEXT();
}
L_Jst: {
    const Value& target = sp[k];
    if (!value::is_null(target)) {
        SYNC();
        raise_run_error(E_JumpAddress);
    }
    pc = code + target.u.ival - 1;
    NEXT();
}

    // Operators and indexing.
L_Opr:
    if (fast::int_operands(sp) && fast::int_binary(k, sp[-1], sp[-1].u.ival, sp->u.ival)) {
        --sp;
        NEXT_EXPECTING(Num);
    }
    if (fast::is_unary(k) ? fast::unary(k, *sp) : fast::binary(k, sp)) {
        if (!fast::is_unary(k)) --sp;
        NEXT();
    }
    SYNC();
    if (!object_operator(k, e.sp)) apply_operator(k, e.sp);
    sp = e.sp;
    NEXT();
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
    take_address(e, pc[1], in.op == static_cast<int32_t>(Op::Xrs));
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
    if (fast::return_from(e, {pc, sp, ap, bp}, code, k)) NEXT();
    SYNC();
    return_from(e, k);
    RELOAD();
    NEXT();
L_For:
    SYNC();
    for_instruction(e, k, debug);
    RELOAD();
    NEXT();

L_Cam:
L_New:
L_Lmr:
L_Smn:
L_Smp:
L_Lmp:
L_Rtl:
    SYNC();
    object_instruction(e, static_cast<Op>(in.op), k);
    RELOAD();
    NEXT();
#undef IP
#undef SYNC
#undef RELOAD
#undef NO_VALUE_CHECK
#undef STORE
#undef DEBUG_HOOK
#undef NEXT
#undef NEXT_EXPECTING
#undef FUSED_INT_CONSTANT_OPERATOR
}

}  // namespace kj::vm
