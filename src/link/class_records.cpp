#include "link/class_records.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "runtime/alloc.h"

namespace kj::link {

using value::NamedValue;
using value::Value;

int class_data_count(const Value& cls) { return cls.u.obj.members ? cls.u.obj.n : 0; }
NamedValue* class_data(const Value& cls) { return cls.u.obj.members; }
int class_function_count(const Value& cls) { return cls.u.obj.members ? cls.u.obj.pad : 0; }
NamedValue* class_functions(const Value& cls) {
    return cls.u.obj.members ? cls.u.obj.members + cls.u.obj.n : nullptr;
}

Value new_class_record(int n, int f) {
    Value cls{};
    cls.type = value::T_Class;
    cls.u.obj.n = n;
    cls.u.obj.pad = f;
    cls.u.obj.base = -1;
    cls.u.obj.cls = -1;
    const std::size_t total = static_cast<std::size_t>(n) + static_cast<std::size_t>(f);
    if (total > 0) {
        auto* block = static_cast<NamedValue*>(value::raw_calloc(total, sizeof(NamedValue)));
        if (!block) throw std::bad_alloc();
        for (std::size_t i = 0; i < total; ++i) block[i].val = value::make_none();
        cls.u.obj.members = block;
    }
    return cls;
}

void name_class_member(NamedValue& member, std::string_view name) {
    value::raw_free(member.name);
    member.name = nullptr;
    if (name.empty()) return;
    auto* p = static_cast<char*>(value::raw_alloc(name.size() + 1));
    if (!p) throw std::bad_alloc();
    std::memcpy(p, name.data(), name.size());
    p[name.size()] = '\0';
    member.name = p;
}

void sort_class_functions(Value& cls) {
    NamedValue* first = class_functions(cls);
    if (!first) return;
    std::stable_sort(first, first + class_function_count(cls), [](const NamedValue& a, const NamedValue& b) {
        return std::strcmp(a.name ? a.name : "", b.name ? b.name : "") < 0;
    });
}

void free_class_record(Value& cls) {
    NamedValue* block = cls.u.obj.members;
    if (block) {
        const int total = cls.u.obj.n + cls.u.obj.pad;
        for (int i = 0; i < total; ++i) {
            value::release(block[i].val);
            value::raw_free(block[i].name);
        }
        value::raw_free(block);
    }
    cls.u.obj.members = nullptr;
    cls.u.obj.n = 0;
    cls.u.obj.pad = 0;
}

}  // namespace kj::link
