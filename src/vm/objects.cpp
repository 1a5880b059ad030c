#include "vm/objects.h"

#include <cstdint>
#include <map>
#include <mutex>
#include <new>
#include <string>
#include <unordered_map>
#include <vector>

#include "link/operator_codes.h"
#include "link/symbols.h"
#include "runtime/alloc.h"
#include "vm/lambdas.h"
#include "link/class_members.h"
#include "vm/operators.h"
#include "runtime/run_error.h"

namespace kj::vm {

using link::class_name;
using value::NamedValue;
using link::class_of;
using link::class_record;
using link::data_member_count;
using link::find_data_member;
using link::find_member_function;
using link::k_member_attributes;
using link::member_functions;
using link::member_record;
using link::member_selector;
using link::short_class_name;

namespace {
// Member blocks of the objects alive (made by new_object, not yet freed),
// with their member counts. Each block starts one record after its header
// (see is_deleted_object).
std::unordered_map<NamedValue*, int> g_live_blocks;
// Blocks of deleted objects by member count, headers included, waiting for
// reuse: a handle that outlived its object still reads a header. They are
// freed when the run's objects are (free_remaining_objects).
std::unordered_map<int, std::vector<NamedValue*>> g_spare_blocks;
// The generation the next deletion gives a block: always negative.
int32_t g_next_generation = -1;
// While the remaining blocks are freed, a deletion only drops its record.
bool g_sweeping = false;
// The workers of a parallel loop make and free objects too.
std::mutex g_blocks_mutex;

int32_t next_generation() {
    const int32_t g = g_next_generation;
    g_next_generation = g == INT32_MIN ? -1 : g - 1;
    return g;
}

NamedValue* header_of(NamedValue* members) { return members - 1; }

// A block of n members after its header, reused when one is spare.
NamedValue* take_block(int n) {
    auto it = g_spare_blocks.find(n);
    if (it != g_spare_blocks.end() && !it->second.empty()) {
        NamedValue* header = it->second.back();
        it->second.pop_back();
        return header + 1;
    }
    auto* header = static_cast<NamedValue*>(runtime::raw_alloc(static_cast<std::size_t>(n + 1) * sizeof(NamedValue)));
    if (!header) return nullptr;
    header->name = nullptr;
    header->val = value::make_int(next_generation());
    return header + 1;
}

// Releases every member value; the block gets a new generation and waits
// for reuse. The record is left as is.
void free_members(Value& object) {
    NamedValue* members = object.u.obj.members;
    if (!members) return;
    for (int i = 0; i < object.u.obj.n; ++i) value::release(members[i].val);
    const std::lock_guard lock(g_blocks_mutex);
    if (object.u.obj.pad >= 0) {  // a block made without header, not by new_object
        g_live_blocks.erase(members);
        runtime::raw_free(members);
        object.u.obj.members = nullptr;
        return;
    }
    if (g_live_blocks.erase(members) == 0) return;
    header_of(members)->val.u.ival = next_generation();
    g_spare_blocks[object.u.obj.n].push_back(header_of(members));
}

// A class symbol's own record is part of the symbol table, never deleted.
bool is_class_symbol(const Value& v) { return class_record(v.u.obj.cls) == &v; }

Value* address_target(Value& v) {
    const bool address = value::type_of(v) == value::T_Array && value::has_flag(v, value::k_address);
    return address ? v.u.arr.v : &v;
}

// The destructor "~" + class name of the object's class (or a base's), or null.
const NamedValue* destructor_of(const Value& object, int* owner = nullptr) {
    if (!class_of(object)) return nullptr;
    const std::string_view short_name = short_class_name(object.u.obj.cls);
    if (short_name.empty()) return nullptr;
    return find_member_function(object.u.obj.cls, "~" + std::string(short_name), owner);
}

bool outer_run_active() { return current_engine() && current_engine()->running; }

// Source member blocks already cloned in one clone_object, with their clones.
using CloneMap = std::map<const NamedValue*, Value>;

// A new object of src's class, recorded as src's clone.
Value new_clone(const Value& src, CloneMap& done) {
    Value o = new_object(src.u.obj.cls);
    o.type |= value::k_owns;
    if (src.u.obj.members) done.emplace(src.u.obj.members, o);
    return o;
}

// The clone of src. A deep copy follows member objects through a work list,
// not by recursion, so that a long linked structure needs no C stack per node.
Value clone_members(const Value& src, bool deep, CloneMap& done) {
    struct Pending {
        const Value* src;
        Value clone;
    };
    const Value root = new_clone(src, done);
    std::vector<Pending> pending{{&src, root}};
    while (!pending.empty()) {
        const Pending p = pending.back();
        pending.pop_back();
        const Value& from = *p.src;
        const Value& o = p.clone;
        for (int i = 0; i < o.u.obj.n && i < from.u.obj.n; ++i) {
            const Value& m = from.u.obj.members[i].val;
            Value& d = o.u.obj.members[i].val;
            if (value::has_flag(m, value::k_static)) continue;  // lives in the class list
            if (deep && class_of(m) && !is_class_symbol(m)) {
                const auto it = m.u.obj.members ? done.find(m.u.obj.members) : done.end();
                if (it != done.end()) {
                    d = it->second;
                } else {
                    d = new_clone(m, done);
                    pending.push_back({&m, d});
                }
                d.type = (d.type & ~k_member_attributes) | (m.type & k_member_attributes);
            } else {
                d = m;
                d.type &= ~value::k_owns;
                value::make_owned(d);
            }
        }
    }
    return root;
}

void delete_variable(Value& v) {
    if (value::is_null(v)) {
        value::release(v);
        v = value::make_none();
        return;
    }
    if (value::has_flag(v, value::k_const)) runtime::raise_run_error(runtime::E_DeleteConst);
    switch (value::type_of(v)) {
        case value::T_Matrix:
        case value::T_String:
        case value::T_Array:
        case value::T_Vector: value::release(v); break;
        case value::T_Class:
            if (is_class_symbol(v)) return;
            if (link::is_deleted_object(v)) runtime::raise_run_error(runtime::E_ClassExpected, "object already deleted");
            free_members(v);
            break;
        default: return;
    }
    v = value::make_none();
}
}  // namespace

void object_instruction(Engine& e, link::Op op, int operand) {
    switch (op) {
        case link::Op::Cam: call_member(e, operand); break;
        case link::Op::New: {
            const Value object = new_object(operand);
            value::release(*e.sp);
            *e.sp = object;
            break;
        }
        case link::Op::Lmp: load_member(e, operand); break;
        case link::Op::Smp: store_member_at(e, operand); break;
        case link::Op::Lmr: load_member_reference(e); break;
        case link::Op::Smn: store_member_by_name(e); break;
        case link::Op::Rtl: return_from_lambda(e, operand); break;
        default: break;
    }
}

Value new_object(int k) {
    const Value* c = class_record(k);
    if (!c) {
        const bool named = k >= 0 && k < link::symbols().count && link::symbol_at(k).name;
        runtime::raise_run_error(runtime::E_ClassExpected, named ? link::symbol_at(k).name : "");
    }
    const int n = data_member_count(*c);
    NamedValue* block = nullptr;
    {
        const std::lock_guard lock(g_blocks_mutex);
        block = take_block(n);
        if (block) g_live_blocks.emplace(block, n);
    }
    if (!block) runtime::raise_run_error(runtime::E_OutOfMemory, "new class");
    for (int i = 0; i < n; ++i) {
        block[i].name = c->u.obj.members[i].name;
        block[i].val = value::make_none();
        block[i].val.type |= c->u.obj.members[i].val.type & k_member_attributes;
    }
    Value o{};
    o.type = value::T_Class;
    o.u.obj.n = n;
    o.u.obj.base = c->u.obj.base;
    o.u.obj.cls = k;
    o.u.obj.pad = header_of(block)->val.u.ival;
    o.u.obj.members = block;
    return o;
}

void clone_object(Value& dst, const Value& src, bool deep) {
    if (!class_of(src)) runtime::raise_run_error(runtime::E_ClassExpected, "clone object");
    CloneMap done;
    Value o;
    try {
        o = clone_members(src, deep, done);
    } catch (...) {
        for (auto& [block, clone] : done) free_members(clone);
        throw;
    }
    value::release(dst);
    dst = o;
}

void free_remaining_objects() {
    // The blocks may hold each other: an object member is not deleted
    // through its record but freed as a block of its own.
    const std::unordered_map<NamedValue*, int> blocks = std::move(g_live_blocks);
    g_live_blocks.clear();
    g_sweeping = true;
    for (const auto& [block, n] : blocks)
        for (int i = 0; i < n; ++i)
            if (value::type_of(block[i].val) == value::T_Class) block[i].val.type &= ~value::k_owns;
    for (const auto& [block, n] : blocks) {
        for (int i = 0; i < n; ++i) value::release(block[i].val);
        runtime::raw_free(header_of(block));
    }
    for (auto& [n, spare] : g_spare_blocks)
        for (NamedValue* header : spare) runtime::raw_free(header);
    g_spare_blocks.clear();
    g_sweeping = false;
}

void delete_object(Value& object) {
    if (value::type_of(object) != value::T_Class || is_class_symbol(object)) return;
    if (g_sweeping || link::is_deleted_object(object)) {
        object = value::make_int(0);
        return;
    }
    bool ok = true;
    const NamedValue* d = destructor_of(object);
    if (d && !value::has_flag(d->val, value::k_extern)) {
        Value result = value::make_int(0);
        try {
            ok = call_member_function(object, d->val, result, nullptr, 0, OnError::Return);
        } catch (const std::bad_alloc&) {
            ok = false;  // no stack for the destructor: the members still go
        }
        value::release(result);
    }
    free_members(object);
    object = value::make_int(0);
    if (!ok && outer_run_active()) runtime::raise_run_error(runtime::E_InCallback);
}

void op_destruct(Value*& sp) {
    const Value* target = address_target(sp[-4]);
    value::release(*sp);
    --sp;
    Value& object = sp[-2];
    Value& selector = sp[-1];
    int owner = -1;
    const NamedValue* d = destructor_of(*target, &owner);
    value::release(object);
    value::release(selector);
    if (!d) {
        selector = value::make_null();
        return;
    }
    object = *target;
    object.type &= ~value::k_owns;
    selector = value::make_int(member_selector(owner, static_cast<int>(d - member_functions(*class_record(owner)))));
}

void op_delete(Value*& sp) {
    Value& address = sp[-1];
    Value* target = address_target(address);
    value::release(*sp);
    *sp-- = value::make_int(0);
    delete_variable(*target);
    value::release(address);
    address = value::make_int(0);
}

void op_new(Value*& sp) {
    if (value::type_of(*sp) == value::T_Class)
        sp->type |= value::k_owns;
    else
        value::make_owned(*sp);
}

bool object_operator(int code, Value*& sp) {
    switch (code) {
        case link::T_Destruct: op_destruct(sp); return true;
        case link::T_Delete: op_delete(sp); return true;
        case link::T_New: op_new(sp); return true;
        default: return false;
    }
}

bool call_member_function(const Value& object, const Value& fn, Value& result, const Value* args, int n,
                          OnError on_error) {
    std::vector<Value> hidden(static_cast<std::size_t>(n) + 2);
    hidden[0] = object;
    hidden[0].type &= ~value::k_owns;
    hidden[1] = value::make_int(0);
    for (int i = 0; i < n; ++i) hidden[static_cast<std::size_t>(i) + 2] = args[i];
    return call_back(fn, result, hidden.data(), n + 2, on_error);
}

bool call_member_by_name(const Value& object, const char* name, Value& result, const Value* args, int n) {
    if (!class_of(object) || !name) return false;
    const NamedValue* f = find_member_function(object.u.obj.cls, name);
    if (!f || value::has_flag(f->val, value::k_extern)) return false;
    return call_member_function(object, f->val, result, args, n, OnError::RaiseInCaller);
}

bool create_object(const char* name, Value& object, const Value* args, int n) {
    const int k = name ? link::find_symbol(name) : -1;
    if (!class_record(k)) return false;
    int owner = -1;
    const NamedValue* ctor = find_member_function(k, short_class_name(k), &owner);
    if (owner != k) ctor = nullptr;  // a base's member of that name is no constructor
    if (ctor && value::has_flag(ctor->val, value::k_extern)) return false;
    Value o = new_object(k);
    o.type |= value::k_owns;
    value::release(object);
    object = o;
    if (!ctor) return true;
    Value result = value::make_int(0);
    const bool ok = call_member_function(object, ctor->val, result, args, n, OnError::RaiseInCaller);
    value::release(result);
    return ok;
}

bool get_data_member(const Value& object, const char* name, Value& out) {
    const int i = class_of(object) && name ? find_data_member(object, name) : -1;
    if (i < 0) return false;
    value::release(out);
    out = member_record(object, i).val;
    out.type &= ~(value::k_owns | value::k_static | KJ_FLAG_SERIAL);
    return true;
}

bool set_data_member(const Value& object, const char* name, Value& in) {
    const int i = class_of(object) && name ? find_data_member(object, name) : -1;
    if (i < 0) return false;
    Value& m = member_record(object, i).val;
    if (!(value::has_flag(m, value::k_static) && value::has_flag(m, value::k_const))) store_into_member(m, in);
    return true;
}

}  // namespace kj::vm
