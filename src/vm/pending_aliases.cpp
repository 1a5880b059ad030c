#include "vm/pending_aliases.h"

#include "vm/engine.h"

namespace kj::vm {

namespace {

bool same_payload(const Value& alias, const Value& owner) {
    if (value::owns(alias)) return false;
    const uint32_t a = value::type_of(alias), o = value::type_of(owner);
    switch (o) {
        case value::T_Matrix:
        case value::T_Vector:
            return (a == value::T_Matrix || a == value::T_Vector) && alias.u.mat.m == owner.u.mat.m;
        case value::T_String: return a == value::T_String && alias.u.str.s == owner.u.str.s;
        case value::T_Array:
            return a == value::T_Array && alias.u.arr.v == owner.u.arr.v &&
                   (alias.type & (value::k_shared | value::k_address)) ==
                       (owner.type & (value::k_shared | value::k_address));
        default: return false;
    }
}

}  // namespace

bool rescue_pending_alias(Value& owner) {
    Engine* e = current_engine();
    if (!e || !e->running || !e->base || !e->sp) return false;
    for (Value* v = e->base; v <= e->sp; ++v) {
        if (v == &owner || !same_payload(*v, owner)) continue;
        // A matrix alias of a vector (or the reverse) keeps its own shape fields,
        // which describe the same block.
        v->type |= value::k_owns;
        return true;
    }
    return false;
}

}  // namespace kj::vm
