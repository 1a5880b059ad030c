#include "link/literals.h"

#include <cstring>
#include <vector>

namespace kj::link {

using value::Value;

namespace {
// Holds the literals and, always, the terminating zero record.
std::vector<Value> g_literals(1, Value{});

int count() { return static_cast<int>(g_literals.size()) - 1; }
}  // namespace

int literal_count() { return count(); }
Value* literal_data() { return g_literals.data(); }
Value& literal_at(int index) { return g_literals[static_cast<std::size_t>(index)]; }

int add_literal(Value& v) {
    if (count() >= k_literal_capacity) return -1;
    Value lit = v;
    lit.type |= value::k_const;
    // Scalars and payload-less types are copied as they are; payloads move.
    value::make_owned(lit);
    v.type &= ~value::k_owns;
    g_literals.back() = lit;
    g_literals.push_back(Value{});
    return count() - 1;
}

int add_int_literal(int32_t i) {
    Value v = value::make_int(i);
    return add_literal(v);
}

int add_double_literal(double d) {
    Value v = value::make_double(d);
    return add_literal(v);
}

int add_string_literal(std::string_view s) {
    Value v{};
    value::set_string(v, s.data(), static_cast<int>(s.size()));
    const int index = add_literal(v);
    value::release(v);
    return index;
}

int find_string_literal(std::string_view s) {
    for (int i = 0; i < count(); ++i) {
        const Value& v = g_literals[static_cast<std::size_t>(i)];
        if (value::type_of(v) != value::T_String || v.u.str.len != static_cast<int>(s.size())) continue;
        if (s.empty() || std::memcmp(v.u.str.s, s.data(), s.size()) == 0) return i;
    }
    return -1;
}

void literals_free() {
    for (Value& v : g_literals) value::release(v);
    g_literals.assign(1, Value{});
}

void literals_reset() {
    literals_free();
    Value empty{};
    empty.type = value::T_String;
    add_literal(empty);
}

}  // namespace kj::link
