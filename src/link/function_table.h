// The library function table: every native function a program can call by
// name (built-ins, host and package functions), sorted by the name after "$"
// so that the linker and calls by name find entries by binary search.
#pragma once

#include <kj80x.h>

#include <cstdint>
#include <string_view>

namespace kj::link {

constexpr uint32_t k_varargs = KJ_FLAG_VARARGS;  // accepts more arguments than declared
constexpr uint32_t k_serial = KJ_FLAG_SERIAL;    // never called from a parallel loop body
constexpr int k_table_step = 256;                // the table grows by this many entries

struct LibEntry {
    char* descriptor;      // owned: one 'c' or ' ' per parameter, '$', name
    KjNativeFunction fn;
    int param_count;       // declared parameters; the minimum for a varargs function
    uint32_t flags;        // k_varargs, k_serial
};

// The name part of a descriptor: the text after the first '$' (all of it
// when there is none).
std::string_view descriptor_name(const char* descriptor);
inline std::string_view entry_name(const LibEntry& e) { return descriptor_name(e.descriptor); }

// Registration by descriptor: the leading 'c' and ' ' characters count the
// parameters and must be followed by '$' (Link error 20 otherwise, nothing
// registered). varargs != 0 marks a variable-argument function; `flags`
// adds k_serial. 1 or 0.
int add_function(const char* descriptor, KjNativeFunction fn, int varargs, uint32_t flags = 0);

// Registration by name or descriptor with an explicit count. A plain name
// gets a descriptor of `count` 'c' characters; a descriptor must have its '$'
// at position `count` (Link error 20 otherwise). An entry of the same name is
// replaced: new descriptor, function, count and flags. A table that cannot
// grow reports Link error 13. 1 or 0.
int add_function_ex(const char* name, KjNativeFunction fn, int count, uint32_t flags);

// Binary search by name (byte-wise, case-sensitive); null when absent.
const LibEntry* find_function(std::string_view name);

// The entries in name order, for dumps and tests.
int function_count();
const LibEntry* function_entries();

// Frees every descriptor and the table.
void free_function_table();

}  // namespace kj::link
