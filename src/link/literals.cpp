#include "link/literals.h"

#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kj::link {

using value::Value;

namespace {
// Holds the literals and, always, the terminating zero record.
std::vector<Value> g_literals(1, Value{});
// String literals by text, the first of equal ones; kept up to date lazily
// up to g_indexed literals, so that looking up each of many literals stays
// linear in all.
std::unordered_map<std::string, int> g_string_index;
int g_indexed = 0;

std::string_view text_of(const Value& v) {
    return v.u.str.len > 0 && v.u.str.s ? std::string_view(v.u.str.s, static_cast<std::size_t>(v.u.str.len))
                                        : std::string_view();
}


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
    if (g_indexed > count()) {
        g_string_index.clear();
        g_indexed = 0;
    }
    for (; g_indexed < count(); ++g_indexed) {
        const Value& v = g_literals[static_cast<std::size_t>(g_indexed)];
        if (value::type_of(v) == value::T_String) g_string_index.emplace(std::string(text_of(v)), g_indexed);
    }
    const auto it = g_string_index.find(std::string(s));
    if (it == g_string_index.end()) return -1;
    // A literal changed in place since it was indexed: look the slow way.
    const Value& v = g_literals[static_cast<std::size_t>(it->second)];
    if (value::type_of(v) == value::T_String && text_of(v) == s) return it->second;
    for (int i = 0; i < count(); ++i) {
        const Value& w = g_literals[static_cast<std::size_t>(i)];
        if (value::type_of(w) == value::T_String && text_of(w) == s) return i;
    }
    return -1;
}

void literals_free() {
    for (Value& v : g_literals) value::release(v);
    g_literals.assign(1, Value{});
    g_string_index.clear();
    g_indexed = 0;
}

void literals_reset() {
    literals_free();
    Value empty{};
    empty.type = value::T_String;
    add_literal(empty);
}

}  // namespace kj::link
