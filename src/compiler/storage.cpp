// Storage objects: loading, storing, compound assignment, increments and
// references for each kind of place an expression descriptor may name.
#include "compiler/parser.h"
#include "link/literals.h"
#include "value/value.h"

namespace kj::compiler {

namespace {

// The load instruction of a variable place.
Op load_op(Place p) {
    switch (p) {
        case Place::Local: return Op::Lbp;
        case Place::Arg: return Op::Lap;
        default: return Op::Lod;
    }
}

Op store_op(Place p) {
    switch (p) {
        case Place::Local: return Op::Sbp;
        case Place::Arg: return Op::Sap;
        default: return Op::Sto;
    }
}

bool is_variable(Place p) { return p == Place::Local || p == Place::Arg || p == Place::Global; }

// Member name, object on top: [obj] -> [obj, name].
void push_member_name(const Expr& e) {
    gen(Op::Psh, 0);
    gen(Op::Lit, name_literal(e.name));
}

// A local of the enclosing function used inside a lambda body.
bool captured_local(const Expr& e) {
    if (fn().lambda == 0 || (e.place != Place::Local && e.place != Place::Arg)) return false;
    if (e.place == Place::Arg) return true;
    for (const Local& l : fn().locals)
        if (!l.arg && l.slot == e.index) return l.lambda == 0;
    return false;
}

// Constant members may be set inside their class's constructor.
bool writable_constant(const Expr& e) {
    return (e.place == Place::Member) && fn().is_ctor;
}

bool check_left_value(const Expr& e) {
    if (!e.is_storage()) {
        report(D_LeftValue, e.name);
        return false;
    }
    if ((e.flags & value::k_const) && !writable_constant(e)) {
        report(D_AssignConstant, e.name);
        return false;
    }
    if (captured_local(e)) {
        report(D_LambdaModifiesLocal, e.name);
        return false;
    }
    return true;
}

bool serial_in_parallel(const Expr& e) { return (e.flags & k_serial) && fn().parallel > 0; }

}  // namespace

void load(Expr& e) {
    switch (e.place) {
        case Place::Value: return;
        case Place::Local:
        case Place::Arg:
        case Place::Global:
        case Place::Class: gen(load_op(e.place), e.index); break;
        case Place::Member: gen(Op::Lmp, e.index); break;
        case Place::MemberName:
            push_member_name(e);
            gen(Op::Psh, 0);
            gen(Op::Lmr);
            break;
        case Place::Indexed:
            if (e.chain >= 0) instr(e.chain) = link::Instr{static_cast<int32_t>(Op::Nop), 0};
            gen(e.one_based ? Op::Xgl : Op::Xld);
            break;
    }
    e.place = Place::Value;
    e.function = false;
}

bool store_begin(Expr& e, bool compound) {
    if (!check_left_value(e)) return false;
    switch (e.place) {
        case Place::Local:
        case Place::Arg:
        case Place::Global:
            if (compound) {
                gen(load_op(e.place), e.index);
                gen(Op::Psh, 0);
            }
            return true;
        case Place::Member:
            if (compound) {
                gen(Op::Dup, 1);
                gen(Op::Lmp, e.index);
            }
            break;
        case Place::MemberName:
            push_member_name(e);
            if (compound) {
                gen(Op::Dup, 2);
                gen(Op::Psh, 0);
                gen(Op::Lmr);
            }
            break;
        case Place::Indexed:
            if (compound) {
                gen(Op::Dup, 2);
                gen(e.one_based ? Op::Xgl : Op::Xld);
            }
            break;
        default: return false;
    }
    gen(Op::Psh, 0);
    return true;
}

void store_end(Expr& e) {
    switch (e.place) {
        case Place::Local:
        case Place::Arg:
        case Place::Global: gen(store_op(e.place), e.index); break;
        case Place::Member: gen(Op::Smp, e.index); break;
        case Place::MemberName: gen(Op::Smn); break;
        case Place::Indexed: gen(e.one_based ? Op::Xgs : Op::Xst); break;
        default: break;
    }
    e.place = Place::Value;
}

void take_reference(Expr& e) {
    if (e.flags & value::k_const) {
        report(D_ReferenceOfConstant, e.name);
    } else if (e.flags & k_serial) {
        report(D_ReferenceOfSerial, e.name);
    }
    switch (e.place) {
        case Place::Local:
        case Place::Arg:
        case Place::Global:
            gen(Op::Adr);
            emit_plain(load_op(e.place), e.index);
            break;
        case Place::Member:
            gen(Op::Adr);
            emit_plain(Op::Lmp, e.index);
            break;
        case Place::MemberName:
            push_member_name(e);
            gen(Op::Psh, 0);
            gen(Op::Adr);
            emit_plain(Op::Lmr);
            break;
        case Place::Indexed:
            if (e.chain >= 0) instr(e.chain) = link::Instr{static_cast<int32_t>(Op::Nop), 0};
            gen(Op::Adr);
            emit_plain(e.one_based ? Op::Xgl : Op::Xld);
            break;
        default: report(D_LeftValue, e.name); break;
    }
    e.place = Place::Value;
}

void increment(Expr& e, int op) {
    if (!check_left_value(e)) return;
    const bool lock = serial_in_parallel(e);
    if (lock) gen(Op::Lck, 1);
    if (is_variable(e.place)) {
        gen(load_op(e.place), e.index);
        gen(Op::Opr, op);
        gen(store_op(e.place), e.index);
    } else {
        switch (e.place) {
            case Place::Member:
                gen(Op::Dup, 1);
                gen(Op::Lmp, e.index);
                break;
            case Place::MemberName:
                push_member_name(e);
                gen(Op::Dup, 2);
                gen(Op::Psh, 0);
                gen(Op::Lmr);
                break;
            default:
                gen(Op::Dup, 2);
                gen(Op::Xld);
                break;
        }
        gen(Op::Opr, op);
        store_end(e);
    }
    if (lock) gen(Op::Lck, -1);
    e.place = Place::Value;
}

}  // namespace kj::compiler
