#include "link/class_members.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "link/symbols.h"
#include "runtime/alloc.h"
#include "runtime/run_error.h"

namespace kj::link {

namespace {
// Bounds walks of the base chain, so that a malformed chain cannot loop.
int chain_limit() { return link::symbols().count + 1; }

int base_of(int k) {
    const Value* c = class_record(k);
    return c ? c->u.obj.base : -1;
}
}  // namespace

void ClassBuilder::inherit_base_members() {
    const Value* base = class_record(m_base);
    if (!base) return;
    for (int i = 0; i < data_member_count(*base); ++i) {
        const NamedValue& m = base->u.obj.members[i];
        Value v = value::make_none();
        v.type |= m.val.type & (k_member_attributes | value::k_const);
        m_data.push_back({m.name ? m.name : "", v});
    }
}

void ClassBuilder::add_data_member(std::string_view name, uint32_t attributes, const Value& initial) {
    attributes &= k_member_attributes | value::k_const;
    Value v = value::make_none();
    if (attributes & value::k_static) value::duplicate(v, initial);
    v.type = (v.type & ~(k_member_attributes | value::k_const)) | attributes;
    m_data.push_back({std::string(name), v});
}

void ClassBuilder::add_member_function(std::string_view name, const Value& function) {
    Value f = function;
    f.type &= ~value::k_owns;
    m_functions.push_back({std::string(name), f});
}

Value ClassBuilder::finish(int own_symbol) {
    std::stable_sort(m_functions.begin(), m_functions.end(),
                     [](const Member& a, const Member& b) { return a.name < b.name; });
    const std::size_t count = m_data.size() + m_functions.size();
    std::size_t bytes = count * sizeof(NamedValue);
    for (const auto* list : {&m_data, &m_functions})
        for (const Member& m : *list) bytes += m.name.size() + 1;

    NamedValue* block = nullptr;
    if (count > 0) {
        block = static_cast<NamedValue*>(runtime::raw_alloc(bytes));
        if (!block) throw std::bad_alloc();
        link::keep_with_table(block);
        // Names follow the records in the same block.
        char* names = reinterpret_cast<char*>(block + count);
        std::size_t i = 0;
        for (const auto* list : {&m_data, &m_functions}) {
            for (const Member& m : *list) {
                std::memcpy(names, m.name.c_str(), m.name.size() + 1);
                block[i].name = names;
                block[i].val = m.value;
                names += m.name.size() + 1;
                ++i;
            }
        }
    }
    Value v{};
    v.type = value::T_Class;
    v.u.obj.n = static_cast<int32_t>(m_data.size());
    v.u.obj.base = m_base;
    v.u.obj.cls = own_symbol;
    v.u.obj.pad = static_cast<int32_t>(m_functions.size());
    v.u.obj.members = block;
    m_data.clear();
    m_functions.clear();
    return v;
}

int define_class(std::string_view name, ClassBuilder& builder) {
    int k = link::find_symbol(name);
    if (k < 0) k = link::add_symbol(name, value::make_none());
    if (k < 0) return -1;
    Value& slot = link::symbol_at(k).val;
    if (const Value* old = class_record(k)) {
        for (int i = 0; i < data_member_count(*old); ++i) value::release(old->u.obj.members[i].val);
    }
    value::release(slot);
    slot = builder.finish(k);
    return k;
}

const Value* class_record(int k) {
    const link::SymbolTable& t = link::symbols();
    if (k < 0 || k >= t.count) return nullptr;
    const Value& v = t.entries[k].val;
    return value::type_of(v) == value::T_Class && v.u.obj.cls == k ? &v : nullptr;
}

const Value* class_of(const Value& object) {
    if (value::type_of(object) != value::T_Class) return nullptr;
    if (is_deleted_object(object)) runtime::raise_run_error(runtime::E_ClassExpected, "object used after delete");
    return class_record(object.u.obj.cls);
}

const char* class_name(int k) {
    const char* name = class_record(k) ? link::symbol_at(k).name : nullptr;
    return name ? name : "";
}

std::string_view short_class_name(int k) {
    const std::string_view name = class_name(k);
    const std::size_t colon = name.rfind(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

bool derives_from(int cls, int ancestor) {
    for (int steps = chain_limit(); cls >= 0 && steps > 0; --steps, cls = base_of(cls))
        if (cls == ancestor) return true;
    return false;
}

const NamedValue* find_member_function(int k, std::string_view name, int* owner) {
    for (int steps = chain_limit(); steps > 0; --steps) {
        const Value* c = class_record(k);
        if (!c) return nullptr;
        const NamedValue* first = member_functions(*c);
        const NamedValue* last = first + member_function_count(*c);
        const NamedValue* it = std::lower_bound(
            first, last, name, [](const NamedValue& m, std::string_view n) { return std::string_view(m.name) < n; });
        if (it != last && name == it->name) {
            if (owner) *owner = k;
            return it;
        }
        k = c->u.obj.base;
    }
    return nullptr;
}

const NamedValue* member_function_at(int k, int j) {
    const Value* c = class_record(k);
    if (!c || j < 0 || j >= member_function_count(*c)) return nullptr;
    return member_functions(*c) + j;
}

int find_data_member(const Value& cls_or_object, std::string_view name) {
    const NamedValue* m = cls_or_object.u.obj.members;
    for (int i = 0; i < cls_or_object.u.obj.n; ++i)
        if (m[i].name && name == m[i].name) return i;
    return -1;
}

NamedValue& member_record(const Value& object, int i) {
    NamedValue& own = object.u.obj.members[i];
    if (!value::has_flag(own.val, value::k_static)) return own;
    // The declaring class is the most basic one that still has member i.
    int k = object.u.obj.cls;
    for (int steps = chain_limit(); steps > 0; --steps) {
        const Value* base = class_record(base_of(k));
        if (!base || i >= data_member_count(*base)) break;
        k = base->u.obj.cls;
    }
    const Value* home = class_record(k);
    return home && i < data_member_count(*home) ? home->u.obj.members[i] : own;
}

}  // namespace kj::link
