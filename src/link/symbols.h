// The global symbol table: named records indexed by symbol number, of fixed
// capacity (the -s setting). Global variables, functions, classes and their
// static members live here. Names and function information blocks belong to
// the table; owned values are released by the engine's exit and by a reset.
#pragma once

#include <string_view>

#include "value/value.h"

namespace kj::link {

struct SymbolTable {
    value::NamedValue* entries = nullptr;
    int count = 0;
    int capacity = 0;
};

SymbolTable& symbols();
inline value::NamedValue& symbol_at(int k) { return symbols().entries[k]; }

// Appends a symbol (the name is copied, the value record taken as is);
// -1 when the table is full or does not exist.
int add_symbol(std::string_view name, const value::Value& v);
// Symbol number of the name, or -1.
int find_symbol(std::string_view name);
// Removes the symbols from number `count` on, releasing their values and
// names (what a failed command at the prompt added).
void truncate_symbols(int count);
// Gives symbol k another name.
void rename_symbol(int k, std::string_view name);

// A function information block owned by the table: the descriptor (one 'c' or
// ' ' per parameter, '$', name), the source-file literal and, when
// with_params, one parameter record per declared parameter, each without
// default (no-value flag) and unnamed until set_parameter.
value::FuncInfo* new_function_info(std::string_view descriptor, int file_literal, bool with_params);
// Names parameter i and gives it a default (taken over; a no-value record
// means no default).
void set_parameter(value::FuncInfo& info, int i, std::string_view name, value::Value def);
// Declared parameters: the characters before '$'.
int declared_parameters(const value::FuncInfo& info);
bool parameter_is_const(const value::FuncInfo& info, int i);
// A raw block (allocated with runtime::raw_alloc) freed with the table: class
// member lists and their names.
void keep_with_table(void* block);

// Display name: the text after '$' ("?" without a descriptor).
const char* function_name(const value::FuncInfo* info);

// A compiled-function value for entry `entry` with the block's parameter count.
value::Value make_function(int entry, value::FuncInfo* info, bool varargs = false);

// Releases every owned value, frees names and information blocks, and
// allocates an empty table of `capacity` entries.
void symbols_reset(int capacity);
void symbols_free();
// Releases the owned values of all symbols (the table itself stays).
void release_symbol_values();

}  // namespace kj::link
