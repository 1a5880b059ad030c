// Storage objects: loading, storing, compound assignment, increments and
// references for each kind of place an expression descriptor may name.
#include "compiler/parser.h"
#include "link/literals.h"
#include "value/value.h"

namespace kj::compiler {

namespace {

// The load instruction of a variable place.
Op load_op(Place place) {
    switch (place) {
        case Place::Local: return Op::Lbp;
        case Place::Arg: return Op::Lap;
        default: return Op::Lod;
    }
}

Op store_op(Place place) {
    switch (place) {
        case Place::Local: return Op::Sbp;
        case Place::Arg: return Op::Sap;
        default: return Op::Sto;
    }
}

bool is_variable(Place place) { return place == Place::Local || place == Place::Arg || place == Place::Global; }

// Member name, object on top: [obj] -> [obj, name].
void push_member_name(Parser& p, const Expr& e) {
    gen(p, Op::Psh, 0);
    gen(p, Op::Lit, name_literal(e.name));
}

// A local of the enclosing function used inside a lambda body.
bool captured_local(Parser& p, const Expr& e) {
    if (p.unit.fn.lambda == 0 || (e.place != Place::Local && e.place != Place::Arg)) return false;
    if (e.place == Place::Arg) return true;
    for (const Local& l : p.unit.fn.locals)
        if (!l.arg && l.slot == e.index) return l.lambda == 0;
    return false;
}

// Constant members may be set inside their class's constructor.
bool writable_constant(Parser& p, const Expr& e) {
    return (e.place == Place::Member) && p.unit.fn.is_ctor;
}

bool check_left_value(Parser& p, const Expr& e) {
    if (!e.is_storage()) {
        report(p, D_LeftValue, e.name);
        return false;
    }
    if ((e.flags & value::k_const) && !writable_constant(p, e)) {
        report(p, D_AssignConstant, e.name);
        return false;
    }
    if (captured_local(p, e)) {
        report(p, D_LambdaModifiesLocal, e.name);
        return false;
    }
    return true;
}

bool serial_in_parallel(Parser& p, const Expr& e) { return (e.flags & k_serial) && p.unit.fn.parallel > 0; }

// A serial local inside a parallel loop is the calling thread's: workers
// reach it through the main-slot instructions.
Op load_op(Parser& p, const Expr& e) {
    return e.place == Place::Local && serial_in_parallel(p, e) ? Op::Lbm : load_op(e.place);
}
Op store_op(Parser& p, const Expr& e) {
    return e.place == Place::Local && serial_in_parallel(p, e) ? Op::Sbm : store_op(e.place);
}

}  // namespace

void load(Parser& p, Expr& e) {
    switch (e.place) {
        case Place::Value: return;
        case Place::Local:
        case Place::Arg:
        case Place::Global:
        case Place::Class: gen(p, load_op(p, e), e.index); break;
        case Place::Member: gen(p, Op::Lmp, e.index); break;
        case Place::MemberName:
            push_member_name(p, e);
            gen(p, Op::Psh, 0);
            gen(p, Op::Lmr);
            break;
        case Place::Indexed:
            if (e.chain >= 0) instr(e.chain) = link::Instr{static_cast<int32_t>(Op::Nop), 0};
            gen(p, e.one_based ? Op::Xgl : Op::Xld);
            break;
    }
    e.place = Place::Value;
    e.function = false;
}

bool store_begin(Parser& p, Expr& e, bool compound) {
    if (!check_left_value(p, e)) return false;
    // An assignment to a serial variable holds the serial lock throughout.
    if (serial_in_parallel(p, e)) gen(p, Op::Lck, 1);
    switch (e.place) {
        case Place::Local:
        case Place::Arg:
        case Place::Global:
            if (compound) {
                gen(p, load_op(p, e), e.index);
                gen(p, Op::Psh, 0);
            }
            return true;
        case Place::Member:
            if (compound) {
                gen(p, Op::Dup, 1);
                gen(p, Op::Lmp, e.index);
            }
            break;
        case Place::MemberName:
            push_member_name(p, e);
            if (compound) {
                gen(p, Op::Dup, 2);
                gen(p, Op::Psh, 0);
                gen(p, Op::Lmr);
            }
            break;
        case Place::Indexed:
            if (compound) {
                gen(p, Op::Dup, 2);
                gen(p, e.one_based ? Op::Xgl : Op::Xld);
            }
            break;
        default: return false;
    }
    gen(p, Op::Psh, 0);
    return true;
}

void store_end(Parser& p, Expr& e) {
    switch (e.place) {
        case Place::Local:
        case Place::Arg:
        case Place::Global: gen(p, store_op(p, e), e.index); break;
        case Place::Member: gen(p, Op::Smp, e.index); break;
        case Place::MemberName: gen(p, Op::Smn); break;
        case Place::Indexed: gen(p, e.one_based ? Op::Xgs : Op::Xst); break;
        default: break;
    }
    if (serial_in_parallel(p, e)) gen(p, Op::Lck, -1);
    e.place = Place::Value;
}

void take_reference(Parser& p, Expr& e) {
    if (e.flags & value::k_const) {
        report(p, D_ReferenceOfConstant, e.name);
    } else if (e.flags & k_serial) {
        report(p, D_ReferenceOfSerial, e.name);
    }
    switch (e.place) {
        case Place::Local:
        case Place::Arg:
        case Place::Global:
            gen(p, Op::Adr);
            emit_plain(p, load_op(e.place), e.index);
            break;
        case Place::Member:
            gen(p, Op::Adr);
            emit_plain(p, Op::Lmp, e.index);
            break;
        case Place::MemberName:
            push_member_name(p, e);
            gen(p, Op::Psh, 0);
            gen(p, Op::Adr);
            emit_plain(p, Op::Lmr);
            break;
        case Place::Indexed:
            if (e.chain >= 0) instr(e.chain) = link::Instr{static_cast<int32_t>(Op::Nop), 0};
            gen(p, Op::Adr);
            emit_plain(p, e.one_based ? Op::Xgl : Op::Xld);
            break;
        default: report(p, D_LeftValue, e.name); break;
    }
    e.place = Place::Value;
}

void increment(Parser& p, Expr& e, int op) {
    if (!check_left_value(p, e)) return;
    const bool lock = serial_in_parallel(p, e);
    if (lock) gen(p, Op::Lck, 1);
    if (is_variable(e.place)) {
        gen(p, load_op(p, e), e.index);
        gen(p, Op::Opr, op);
        gen(p, store_op(p, e), e.index);
        if (lock) gen(p, Op::Lck, -1);
    } else {
        switch (e.place) {
            case Place::Member:
                gen(p, Op::Dup, 1);
                gen(p, Op::Lmp, e.index);
                break;
            case Place::MemberName:
                push_member_name(p, e);
                gen(p, Op::Dup, 2);
                gen(p, Op::Psh, 0);
                gen(p, Op::Lmr);
                break;
            default:
                gen(p, Op::Dup, 2);
                gen(p, Op::Xld);
                break;
        }
        gen(p, Op::Opr, op);
        store_end(p, e);  // gives the lock back
    }
    e.place = Place::Value;
}

}  // namespace kj::compiler
