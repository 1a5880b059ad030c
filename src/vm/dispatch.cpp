#include "vm/dispatch.h"

#include <utility>

#include "link/code_image.h"
#include "link/literals.h"
#include "link/symbols.h"
#include "value/alloc.h"
#include "vm/addresses.h"
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
    top = src;
    top.type &= ~k_owns;
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
}  // namespace

void dispatch(Engine& e, bool debug, int32_t stop) {
    const Instr* code = link::code_data();
    const Value* literals = link::literal_data();
    value::NamedValue* const globals = link::symbols().entries;
    int32_t ip = e.ip;
    Value* sp = e.sp;
    Value* ap = e.ap;
    Value* bp = e.bp;

// Registers go back to the engine before anything that may raise, call or stop.
#define SYNC() (e.ip = ip, e.sp = sp)
#define RELOAD() (ip = e.ip, sp = e.sp, ap = e.ap, bp = e.bp)
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
        RELOAD();                                                         \
        code = link::code_data();                                         \
        literals = link::literal_data();                                  \
    }

    // Opcodes outside the list match no case and are skipped.
    for (;; ++ip) {
        const Instr in = code[ip];
        const int32_t k = in.operand;
        switch (static_cast<Op>(in.op)) {
            case Op::Ext: SYNC(); return;
            case Op::Num:
                if (e.abort_requested) {
                    SYNC();
                    raise_run_error(E_UserAbort);
                }
                DEBUG_HOOK(in);
                break;
            case Op::Elf:
            case Op::Elt: DEBUG_HOOK(in); break;
            case Op::Nop:
            case Op::Lck: break;

            // Pushes and loads.
            case Op::Psh: put_int(*++sp, k); break;
            case Op::Pap:
                *++sp = ap[k];
                sp->type &= ~k_owns;
                break;
            case Op::Pbp:
                NO_VALUE_CHECK(bp[k]);
                *++sp = bp[k];
                sp->type &= ~k_owns;
                break;
            case Op::Dup:
                for (int i = 1; i <= k; ++i) {
                    Value& copy = sp[i] = sp[i - k];
                    copy.type &= ~k_owns;
                    if (value::type_of(copy) == value::T_Vector && value::has_flag(copy, value::k_idx_value)) {
                        SYNC();
                        copy_vector_index(copy);
                    }
                }
                sp += k;
                break;
            case Op::Lap: load_alias(*sp, ap[k]); break;
            case Op::Lbp:
                NO_VALUE_CHECK(bp[k]);
                load_alias(*sp, bp[k]);
                break;
            case Op::Lbm: {
                Value& src = main_slot(e, bp, k);
                NO_VALUE_CHECK(src);
                load_alias(*sp, src);
                break;
            }
            case Op::Lod: load_alias(*sp, globals[k].val); break;
            case Op::Lit: load_alias(*sp, literals[k]); break;
            case Op::Lti:
            case Op::Lbr: load_int(*sp, k); break;
            case Op::Ltd:
                if (value::owns(*sp)) value::release(*sp);
                *sp = value::make_double(k);
                break;
            case Op::Lip: load_int(*sp, ip + k, k_null); break;

            // Stores keep the value on the stack as an alias.
            case Op::Sto: STORE(globals[k].val); break;
            case Op::Sap: STORE(ap[k]); break;
            case Op::Sbp: STORE(bp[k]); break;
            case Op::Sbm: STORE(main_slot(e, bp, k)); break;

            // Stack shape.
            case Op::Pop:
                for (int i = 0; i <= k; ++i, --sp)
                    if (value::owns(*sp)) value::release(*sp);
                break;
            case Op::Sbz:
                if (value::owns(bp[k])) value::release(bp[k]);
                bp[k] = value::make_null();
                break;
            case Op::Exc: std::swap(sp[0], sp[-1]); break;
            case Op::Int:
                if (sp + k >= e.limit()) {
                    SYNC();
                    raise_run_error(E_StackOverflow);
                }
                for (int i = 0; i < k; ++i) put_int(*++sp, 0, k_null);
                break;

            // Jumps store target - 1: the loop advances ip.
            case Op::Jmp:
                if (ip == stop && stop > 0) {
                    load_int(*sp, 0);
                    SYNC();
                    return;
                }
                ip = k - 1;
                break;
            case Op::Jmf:
            case Op::Jmt: {
                int t = fast::truth(*sp);
                if (t < 0) {
                    SYNC();
                    t = value::truth(*sp);
                }
                if ((t != 0) == (in.op == static_cast<int32_t>(Op::Jmt))) ip = k - 1;
                break;
            }
            case Op::Jst: {
                const Value& target = sp[k];
                if (!value::is_null(target)) {
                    SYNC();
                    raise_run_error(E_JumpAddress);
                }
                ip = target.u.ival - 1;
                break;
            }

            // Operators and indexing.
            case Op::Opr:
                if (fast::is_unary(k) ? fast::unary(k, *sp) : fast::binary(k, sp)) {
                    if (!fast::is_unary(k)) --sp;
                    break;
                }
                SYNC();
                if (!object_operator(k, e.sp)) apply_operator(k, e.sp);
                sp = e.sp;
                break;
            case Op::Fni: SYNC(); apply_inline(k, *sp); break;
            case Op::Xld: SYNC(); index_load(e.sp); sp = e.sp; break;
            case Op::Xst: SYNC(); index_store(e.sp); sp = e.sp; break;
            case Op::Xgl: SYNC(); index_load_gauss(k, e.sp); sp = e.sp; break;
            case Op::Xgs: SYNC(); index_store_gauss(k, e.sp); sp = e.sp; break;
            case Op::Xmv: SYNC(); multiple_assign_element(k, *sp); break;
            case Op::Ntp:
                SYNC();
                if (k == static_cast<int32_t>(value::T_Lambda))
                    make_lambda(e);
                else
                    new_value(k, e.sp);
                sp = e.sp;
                break;

            // References: the next instruction names the target and is consumed.
            case Op::Adr:
            case Op::Ads:
            case Op::Xrs:
                SYNC();
                take_address(e, code[ip + 1], in.op == static_cast<int32_t>(Op::Xrs));
                RELOAD();
                ++ip;
                break;

            // Calls, returns and loops run out of line on the synchronised engine.
            case Op::Cal: SYNC(); call(e, k); RELOAD(); break;
            case Op::Ret: SYNC(); return_from(e, k); RELOAD(); break;
            case Op::For: SYNC(); for_instruction(e, k, debug); RELOAD(); break;

            case Op::Cam:
            case Op::New:
            case Op::Lmr:
            case Op::Smn:
            case Op::Smp:
            case Op::Lmp:
            case Op::Rtl:
                SYNC();
                object_instruction(e, static_cast<Op>(in.op), k);
                RELOAD();
                break;
        }
    }
#undef SYNC
#undef RELOAD
#undef NO_VALUE_CHECK
#undef STORE
#undef DEBUG_HOOK
}

}  // namespace kj::vm
