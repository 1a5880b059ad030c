// Operators on values, applied by the engine to the records at the top of the
// stack. `sp` points at the top record; binary operators leave their result in
// the lower record and pop one, `.?` pops two. Results own their payloads.
#pragma once

#include "value/value.h"

namespace kj::vm {

// OPR: the operand is the operator's token code (compiler/tokens.h).
void apply_operator(int code, value::Value*& sp);

// FNI: inline function `code` applied to the top record in place.
void apply_inline(int code, value::Value& top);

// Indexing instructions.
void index_load(value::Value*& sp);              // XLD
void index_store(value::Value*& sp);             // XST
void index_load_gauss(int n, value::Value*& sp); // XGL
void index_store_gauss(int n, value::Value*& sp);// XGS
void multiple_assign_element(int k, value::Value& top);  // XMV

// NTP: construct a new value (matrix, string, array from dimensions on the
// stack; empty matrix, empty array, NaN, +infinity, no value).
void new_value(int code, value::Value*& sp);

}  // namespace kj::vm
