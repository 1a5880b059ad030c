// The class records: their layout, and how the linker reads and writes them
// (allocation with runtime::raw_alloc, names and blocks owned by the table).
//
// Layout of a class symbol's value (type "class", built by ClassBuilder):
//   u.obj.n        M, the number of data members: the base class's data members
//                  first (in the base's order), then the class's own
//   u.obj.base     symbol number of the base class, -1 for none
//   u.obj.cls      the class's own symbol number (this is what tells a class
//                  symbol from an object held in a global variable)
//   u.obj.pad      F, the number of the class's own member functions
//   u.obj.members  M + F named records, one block:
//     [0, M)       data members in member order. The record's flags carry the
//                  member attributes (k_member_attributes: 0x10000 member,
//                  0x20000 static, 0x80000) and may carry const (0x400). A
//                  static member's value lives here (owned); a non-static
//                  member holds no value (type 0 with the no-value flag), its
//                  value lives in each object.
//     [M, M + F)   the class's own member functions, sorted by name (strcmp
//                  order): the member name ("f", the class name for the
//                  constructor, "~" + class name for the destructor) and a
//                  function value ("function" or "int.func"; the 0x1000 flag
//                  for one declared but not defined). Inherited member
//                  functions are not repeated: lookups walk the base chain.
// Names and the block belong to the symbol table and are freed with it.
//
// A member function's parameter count and descriptor include the two hidden
// leading parameters (the object `this` and an int 0): a member function
// declared f(x) in class C is the compiled function "   $C::f" with three
// parameters, reading `this` as argument 0 and x as argument 2.
//
// An object (type "class", from NEW) copies n, base and cls from its class
// symbol, has in pad its block's generation (negative; see is_deleted_object) and a block of M named records in the same order, named
// by the class's names and carrying their attribute bits; a static member's
// record in the object is a placeholder, the access goes to the class list of
// the class that declared it.
//
// Member selectors of CAM and LMR: a string names a member (virtual: the
// lookup starts at the object's class); an int selects member function j of
// class symbol c as c * k_selector_classes + j (member_selector), for calls
// bound at compile time such as Base::f(...).
#pragma once

#include <string_view>

#include "value/value.h"

namespace kj::link {

int class_data_count(const value::Value& cls);
value::NamedValue* class_data(const value::Value& cls);
int class_function_count(const value::Value& cls);
value::NamedValue* class_functions(const value::Value& cls);

// Releases the values of a class record's static data members (the only
// values it owns) and leaves it a class with no members. The block and the
// names stay with the symbol table, which frees them.
void release_class_values(value::Value& cls);

}  // namespace kj::link
