// Index error reports of the engine and the library: the index or range as
// written in the program, then the value's description.
#pragma once

#include "value/value.h"

namespace kj::value {

// Index error reports: "[%d]", "[%d][]" (row of a vector being materialised) or
// "[][%d]" (column), then " in " and the value's description; error 15. Ranges
// print "[%d : %d]" in the same three forms and raise error 31.
enum class IndexForm { Single, Row, Column };
[[noreturn, gnu::cold]] void raise_index_error(int index, IndexForm form, const Value& v);
[[noreturn, gnu::cold]] void raise_range_error(int first, int last, IndexForm form, const Value& v);
// Error 16 "cannot index this type" with the value's description.
[[noreturn, gnu::cold]] void raise_cannot_index(const Value& v);
// In the GAUSS dialect printed indices are 1-based.
void set_one_based_index_reports(bool on);

}  // namespace kj::value
