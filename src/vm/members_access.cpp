// The member instructions CAM, LMP, SMP, LMR and SMN, and the address forms
// of LMP and LMR.
#include <cstring>
#include <string_view>

#include "runtime/alloc.h"
#include "vm/calls.h"
#include "link/class_members.h"
#include "vm/objects.h"
#include "runtime/run_error.h"
#include "value/index_errors.h"

namespace kj::vm {

using link::class_name;
using value::NamedValue;
using link::class_of;
using link::derives_from;
using link::find_data_member;
using link::find_member_function;
using link::k_member_attributes;
using link::k_selector_classes;
using link::member_function_at;
using link::member_record;

namespace {
std::string_view string_of(const Value& v) {
    return {v.u.str.s ? v.u.str.s : "", static_cast<std::size_t>(v.u.str.len)};
}

// What a CAM or LMR selector names: a member function or a data member record.
struct Member {
    const NamedValue* function = nullptr;
    NamedValue* data = nullptr;
};

// Member selection shared by CAM and LMR: an int selects a member function
// bound at compile time, a string a member function looked up from the
// object's class upwards, else a data member of that name.
Member resolve(const Value& object, const Value& selector) {
    Member m;
    switch (value::type_of(selector)) {
        case value::T_Int: {
            if (!class_of(object)) runtime::raise_run_error(runtime::E_MemberNeedsObject);
            const int owner = selector.u.ival / k_selector_classes;
            m.function = member_function_at(owner, selector.u.ival % k_selector_classes);
            if (!m.function || !derives_from(object.u.obj.cls, owner))
                runtime::raise_run_error(runtime::E_InvalidClass, class_name(object.u.obj.cls));
            break;
        }
        case value::T_String: {
            const std::string_view name = string_of(selector);
            if (!class_of(object)) runtime::raise_run_error(runtime::E_MemberNeedsObject, name);
            m.function = find_member_function(object.u.obj.cls, name);
            if (m.function) break;
            const int i = find_data_member(object, name);
            if (i < 0) runtime::raise_run_error(runtime::E_NotFunctionMember, name);
            m.data = &member_record(object, i);
            return m;
        }
        default: runtime::raise_run_error(runtime::E_NotFunction);
    }
    if (value::has_flag(m.function->val, value::k_extern)) runtime::raise_run_error(runtime::E_UndefinedMemberFunc, m.function->name);
    return m;
}

// A loaded member is an alias without the member's attribute bits (a bound
// function keeps its own bound flag), except the static mark, which isstatic
// reads from an argument passed directly as a static member. A store never
// copies the mark into a variable.
Value member_alias(const Value& member) {
    Value v = member;
    const bool bound = value::type_of(v) == value::T_Func && value::has_flag(v, value::k_bound) && v.u.fn.context;
    v.type &= ~(value::k_owns | (k_member_attributes & ~value::k_static));
    if (bound) v.type |= value::k_bound;
    return v;
}

const Value& loaded_member(const NamedValue& m) {
    if (value::is_null(m.val)) runtime::raise_run_error(runtime::E_NoValue, m.name ? m.name : "");
    return m.val;
}

// The object at `object`, checked for a data-member instruction.
const Value& data_object(const Value& object, int k) {
    if (!class_of(object)) runtime::raise_run_error(runtime::E_ClassExpected);
    if (k < 0 || k >= object.u.obj.n) value::raise_index_error(k, value::IndexForm::Single, object);
    return object;
}

// The named data member of the object below the name, for SMN and the
// address form of LMR.
NamedValue& member_by_name(const Value& object, const Value& name) {
    if (value::type_of(name) != value::T_String) runtime::raise_run_error(runtime::E_StringExpected);
    if (!class_of(object)) runtime::raise_run_error(runtime::E_ClassExpected, string_of(name));
    const int i = find_data_member(object, string_of(name));
    if (i < 0) runtime::raise_run_error(runtime::E_UndeclaredMember, string_of(name));
    return member_record(object, i);
}

// A member function value bound to the object: it owns a copy of the
// object's payload, from which the call rebuilds the object.
Value bound_function(const Value& object, const Value& fn) {
    Value f = fn;
    f.type &= ~(value::k_owns | k_member_attributes);
    if (value::type_of(f) != value::T_Func) return f;
    auto* context = static_cast<int64_t*>(runtime::raw_alloc(4 * sizeof(int64_t)));
    if (!context) runtime::raise_run_error(runtime::E_OutOfMemory);
    std::memcpy(context, object.u.w, 4 * sizeof(int64_t));
    f.u.fn.context = context;
    f.type |= value::k_bound | value::k_owns;
    return f;
}

// A data member called as a function: its value takes the object's slot and
// the hidden records go, so the call sees the n arguments only.
void call_data_member(Engine& e, Value* object, const NamedValue& member, int n) {
    const Value f = member_alias(loaded_member(member));
    value::release(object[1]);
    value::release(object[2]);
    std::memmove(static_cast<void*>(object + 1), object + 3, static_cast<std::size_t>(n) * sizeof(Value));
    e.sp -= 2;
    e.sp[1] = value::make_int(0);
    e.sp[2] = value::make_int(0);
    value::release(*object);
    *object = f;
    call(e, n);
}

// Pops every record above `keep`, releasing owned payloads.
void pop_above(Engine& e, Value* keep) {
    while (e.sp > keep) value::release(*e.sp--);
}
}  // namespace

void store_into_member(Value& member, Value& src) {
    const uint32_t attributes = member.type & k_member_attributes;
    value::assign(member, src);
    const bool bound = value::type_of(member) == value::T_Func && value::has_flag(member, value::k_bound) &&
                       member.u.fn.context;
    member.type = (member.type & ~k_member_attributes) | attributes | (bound ? value::k_bound : 0u);
}

void call_member(Engine& e, int n) {
    Value* object = e.sp - n - 2;
    // Compiled code never reaches below its frame (a damaged object file may).
    if (n < 0 || object < e.bp) runtime::raise_run_error(runtime::E_StackError);
    Value* selector = object + 1;
    if (value::is_null(*selector)) {
        pop_above(e, object);
        value::release(*object);
        *object = value::make_int(0);
        return;
    }
    const Member m = resolve(*object, *selector);
    if (m.data) return call_data_member(e, object, *m.data, n);
    value::release(*selector);
    *selector = *object;
    *object = m.function->val;
    object->type &= ~value::k_owns;
    call(e, n + 2);
}

void load_member(Engine& e, int k) {
    Value& top = *e.sp;
    const Value v = member_alias(loaded_member(member_record(data_object(top, k), k)));
    value::release(top);
    top = v;
}

void store_member_at(Engine& e, int k) {
    Value* object = e.sp - 1;
    store_into_member(member_record(data_object(*object, k), k).val, *e.sp);
    value::release(*object);
    *object = *e.sp--;
}

void load_member_reference(Engine& e) {
    Value* object = e.sp - 2;
    const Member m = resolve(*object, object[1]);
    const Value v = m.function ? bound_function(*object, m.function->val) : member_alias(loaded_member(*m.data));
    pop_above(e, object);
    value::release(*object);
    *object = v;
}

void store_member_by_name(Engine& e) {
    Value* object = e.sp - 2;
    store_into_member(member_by_name(*object, object[1]).val, *e.sp);
    value::release(object[1]);
    value::release(*object);
    *object = *e.sp;
    e.sp = object;
}

Value* member_address(Engine& e, link::Op op, int operand) {
    if (op == link::Op::Lmp) return &member_record(data_object(*e.sp, operand), operand).val;
    Value* object = e.sp - 2;
    NamedValue& m = member_by_name(*object, object[1]);
    if (value::has_flag(m.val, value::k_const)) runtime::raise_run_error(runtime::E_UseConstant, m.name ? m.name : "");
    pop_above(e, object);
    return &m.val;
}

}  // namespace kj::vm
