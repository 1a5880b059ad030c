#include "vm/addresses.h"

#include "link/symbols.h"
#include "value/value.h"
#include "vm/objects.h"
#include "runtime/run_error.h"
#include "value/index_errors.h"

namespace kj::vm {

using link::Op;

namespace {
int index_as_int(const Value& v) {
    switch (value::type_of(v)) {
        case value::T_Int: return v.u.ival;
        case value::T_Double: return static_cast<int>(v.u.dval);
        default: runtime::raise_run_error(runtime::E_CastInt, value::describe(v));
    }
}

// XLD or XGL form: pops the index; the array below it holds the target.
Value* array_element(Engine& e, bool one_based) {
    const int i = index_as_int(*e.sp) - (one_based ? 1 : 0);
    value::release(*e.sp);
    --e.sp;
    Value& array = *e.sp;
    if (value::type_of(array) != value::T_Array) value::raise_cannot_index(array);
    if (i < 0 || i >= array.u.arr.n) value::raise_index_error(i, value::IndexForm::Single, array);
    return array.u.arr.v + i;
}

void scalar_to_matrix(Value& v) {
    const double x = value::type_of(v) == value::T_Int ? v.u.ival : v.u.dval;
    const uint32_t kept = v.type & ~(KJ_TYPE_MASK | value::k_null | value::k_owns);
    value::set_matrix(v, 1, 1);
    v.u.mat.m[0][0] = x;
    v.type |= kept;
}
}  // namespace

Value make_address(Value* target) {
    Value a{};
    a.type = value::T_Array | value::k_address;
    a.u.arr.n = 1;
    a.u.arr.v = target;
    return a;
}

void take_address(Engine& e, const link::Instr& next, bool prepare_store) {
    const int k = next.operand;
    bool push = false;
    Value* target = nullptr;
    switch (static_cast<Op>(next.op)) {
        case Op::Lod: target = &link::symbol_at(k).val; break;
        case Op::Pap: push = true; [[fallthrough]];
        case Op::Lap:
            target = e.ap + k;
            value::make_owned(*target);
            break;
        case Op::Pbp: push = true; [[fallthrough]];
        case Op::Lbp: target = e.bp + k; break;
        case Op::Lbm: target = &main_slot(e, e.bp, k); break;
        case Op::Xld: target = array_element(e, false); break;
        case Op::Xgl: target = array_element(e, true); break;
        case Op::Lmp:
        case Op::Lmr: target = member_address(e, static_cast<Op>(next.op), k); break;
        default: runtime::raise_run_error(runtime::E_Reference);
    }
    Value result;
    if (prepare_store) {
        const uint32_t t = value::type_of(*target);
        if (t == value::T_Int || t == value::T_Double) scalar_to_matrix(*target);
        result = *target;
        result.type &= ~value::k_owns;
    } else {
        result = make_address(target);
    }
    if (push) {
        *++e.sp = result;
    } else {
        value::release(*e.sp);
        *e.sp = result;
    }
}

}  // namespace kj::vm
