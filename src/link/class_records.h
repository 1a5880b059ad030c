// The layout of a class symbol's value as the linker reads and writes it.
// A class record (type "class") holds: u.obj.n data members, u.obj.base the
// base class's symbol number (-1 for none), u.obj.cls its own symbol number,
// and u.obj.members one block of named records: the n data members (the base
// class's first, in order, then its own), followed by the member functions
// sorted by name (strcmp order), whose count is kept in u.obj.pad. Objects
// copy only the first n records; static members keep their value in the
// class's block. Names and the block are allocated with value::raw_alloc.
#pragma once

#include <string_view>

#include "value/value.h"

namespace kj::link {

int class_data_count(const value::Value& cls);
value::NamedValue* class_data(const value::Value& cls);
int class_function_count(const value::Value& cls);
value::NamedValue* class_functions(const value::Value& cls);

// A class record with n data members and f member functions, all unnamed
// and without value; base -1 and class number -1. Throws std::bad_alloc.
value::Value new_class_record(int n, int f);
// Names a member record (a copy of the text; empty text leaves it unnamed).
void name_class_member(value::NamedValue& member, std::string_view name);
// Restores the sorted order of the member functions after they were filled in.
void sort_class_functions(value::Value& cls);
// Releases the members' values and frees their names and the block; the
// record becomes a class with no members. Function information blocks
// belong to the symbol table and are not freed.
void free_class_record(value::Value& cls);

}  // namespace kj::link
