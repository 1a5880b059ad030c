// Class records: building a class symbol's value, and the lookups of
// classes and members that the compiler and the engine share. The layout of
// the records is described in link/class_records.h.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "value/value.h"

namespace kj::link {

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

}  // namespace kj::link
