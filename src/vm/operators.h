// Operators on values, applied by the engine to the records at the top of the
// stack. `sp` points at the top record; binary operators leave their result in
// the lower record and pop one, `.?` pops two. Results own their payloads;
// consumed operands are released. A failure raises a run-time error (RunError)
// after which the stack records are still consistent: each payload has one
// owner, so the run boundary can release them.
#pragma once

#include "value/value.h"

namespace kj::vm {

// OPR: the operand is the operator's operation code (link/operators.def). Operands
// of type "vector" are materialised first; `new`, `[]` and `destruct` leave
// the records as they are (`new`, `destruct` and `delete` are the object
// layer's: vm/objects.h, object_operator). `[]` (131) pushes a record: the engine provides
// room for one more record above sp. Any other code leaves the stack unchanged.
void apply_operator(int code, value::Value*& sp);
// var ~= right in place, for a string variable that owns its block and that
// no record in [from, to) besides var reads: the block grows by doubling.
// False (nothing changed) when that does not apply.
bool append_string(value::Value& var, const value::Value& right, const value::Value* from,
                   const value::Value* to);

// OPR ' (or .') followed by a product with `right`: when top and right are
// matrices that `*` multiplies as matrices (neither 1 by 1, neither empty) and
// have the same number of rows, top becomes top' * right, formed from the
// stored top without making its transpose; false, with nothing changed,
// otherwise.
bool transposed_product(value::Value& top, const value::Value& right);

// FNI: inline function `code` applied to the top record in place.
void apply_inline(int code, value::Value& top);

// Indexing instructions.
void index_load(value::Value*& sp);              // XLD: sp[-1] indexed by sp[0]; pops one
void index_store(value::Value*& sp);             // XST: sp[-2][sp[-1]] = sp[0]; pops two
// XGL and XGS convert the 1-based index first; n, the number of indices of the
// expression, does not change the conversion.
void index_load_gauss(int n, value::Value*& sp); // XGL: 1-based index at sp[0], then XLD
void index_store_gauss(int n, value::Value*& sp);// XGS: 1-based index at sp[-1], then XST
void multiple_assign_element(int k, value::Value& top);  // XMV

// XRS support. The engine resolves the address of the indexed variable as for
// ADR, calls this on the variable's record, then sets the top to an alias of
// that record (the owns flag cleared). An int or double becomes an owned 1 by 1
// matrix in place; any other record is left alone.
void prepare_indexed_store(value::Value& variable);

// Converts an index of the GAUSS dialect to 0-based in place: i -> i - 1,
// 0 -> the full range, first..last -> first-1..last-1 (descending when
// first > last: a column of indices), a matrix -> every element minus 1.
void gauss_index_to_zero_based(value::Value& index);

// NTP: construct a new value. 3: matrix, sp[-1] rows and sp[0] columns (the
// compiler pushes 1 for a missing column count), zero-filled, pops one;
// 4: string of sp[0] blanks; 5: array of sp[0] elements without value;
// 256 empty matrix, 257 empty array, 258 NaN, 259 +infinity, 260 no value
// replace the top (a load). 13 (lambda) is the engine's: it handles that code
// itself and never passes it here; any other code leaves the stack unchanged.
void new_value(int code, value::Value*& sp);

}  // namespace kj::vm
