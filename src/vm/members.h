// Class records and member lookup.
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
// symbol, has in pad its block's generation (negative; see is_deleted_object)
// and a block of M named records in the same order, named
// by the class's names and carrying their attribute bits; a static member's
// record in the object is a placeholder, the access goes to the class list of
// the class that declared it.
//
// Member selectors of CAM and LMR: a string names a member (virtual: the
// lookup starts at the object's class); an int selects member function j of
// class symbol c as c * k_selector_classes + j (member_selector), for calls
// bound at compile time such as Base::f(...).
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "value/value.h"

namespace kj::vm {

using value::NamedValue;
using value::Value;

// Attribute bits of a member record that survive every store into it.
constexpr uint32_t k_member_attributes = value::k_bound | value::k_static | KJ_FLAG_SERIAL;
constexpr int k_selector_classes = 4096;  // member functions per class, at most

inline int member_selector(int class_symbol, int function_index) {
    return class_symbol * k_selector_classes + function_index;
}

inline int data_member_count(const Value& cls) { return cls.u.obj.n; }

// An object's member block is preceded by a header record whose first
// payload word is the block's generation: a negative number that changes when
// the object is deleted. Deleted blocks are kept for reuse by objects of the
// same size, never returned to the system during a run, so a handle that
// outlived its object (a copy, a bound member function) still reads a header,
// and its generation no longer matches. Class records (pad >= 0) have none.
inline bool is_deleted_object(const Value& v) {
    return v.u.obj.pad < 0 && v.u.obj.members[-1].val.u.ival != v.u.obj.pad;
}
inline int member_function_count(const Value& cls) { return cls.u.obj.pad; }
inline NamedValue* member_functions(const Value& cls) { return cls.u.obj.members + cls.u.obj.n; }

// Builds a class symbol's value: the compiler after a class's closing brace,
// the object-file reader for each class entry.
class ClassBuilder {
public:
    explicit ClassBuilder(int base_symbol = -1) : m_base(base_symbol) {}

    // Copies the base class's data members (names, attributes, const) to the
    // front; a static one is shared with the base, so its copy holds no value.
    void inherit_base_members();
    // attributes: any of k_member_attributes and k_const. A static member
    // keeps an owned copy of `initial`; a non-static member holds no value.
    void add_data_member(std::string_view name, uint32_t attributes, const Value& initial);
    // `function` is taken as is (not owned; info blocks belong to the table).
    void add_member_function(std::string_view name, const Value& function);

    // The class value for symbol `own_symbol`, functions sorted by name. The
    // builder is spent afterwards.
    Value finish(int own_symbol);

private:
    struct Member {
        std::string name;
        Value value;
    };
    int m_base;
    std::vector<Member> m_data;
    std::vector<Member> m_functions;
};

// Adds the class symbol `name` (or reuses an existing symbol of that name,
// whose old value is released) and stores the built class. The symbol number,
// or -1 when the table is full.
int define_class(std::string_view name, ClassBuilder& builder);

// The class value of symbol k, or null when k is not a class symbol.
const Value* class_record(int k);
// The class record of an object (null when it names no class). An object
// that was deleted is error 21 "class expected" ("object used after delete").
const Value* class_of(const Value& object);
// The class symbol's name (with namespace qualifier) and the part after the
// last ':' (the constructor's name; "~" + it names the destructor).
const char* class_name(int k);
std::string_view short_class_name(int k);

// True when class `cls` is `ancestor` or derives from it.
bool derives_from(int cls, int ancestor);

// Member function `name` of class k or of its nearest base that has one; the
// class that defines it in *owner when given. Null when there is none.
const NamedValue* find_member_function(int k, std::string_view name, int* owner = nullptr);
// Member function j of class k (an int selector), or null.
const NamedValue* member_function_at(int k, int j);
// Index of data member `name` in the class (or object) value, or -1.
int find_data_member(const Value& cls_or_object, std::string_view name);

// The record that holds member i of the object: the object's own record, or
// for a static member the record in the list of the class that declared it.
NamedValue& member_record(const Value& object, int i);

}  // namespace kj::vm
