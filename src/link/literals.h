// The literal table: the program's constants as value records, flagged
// constant and owned by the table. Loading a literal yields an alias, so the
// stack never owns one. The array ends with a record whose first word is 0.
#pragma once

#include <string_view>

#include "value/value.h"

namespace kj::link {

// Most literals the table may hold ("constant buffer full" beyond it).
constexpr int k_literal_capacity = 1 << 20;

int literal_count();
// The records, followed by the zero record. Moves when literals are added.
value::Value* literal_data();
value::Value& literal_at(int index);
// Appends v, taking over its payload (v becomes an alias); -1 when full.
int add_literal(value::Value& v);
int add_int_literal(int32_t i);
int add_double_literal(double d);
int add_string_literal(std::string_view s);
// Index of a string literal with this text, or -1.
int find_string_literal(std::string_view s);
// Releases every literal and leaves an empty table whose index 0 is taken by
// an empty string (index 0 stands for "no literal" in function records).
void literals_reset();
void literals_free();

}  // namespace kj::link
