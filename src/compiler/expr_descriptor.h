// The expression descriptor: what an operand being compiled is. A value
// already on the stack, or a storage object whose value has not been loaded
// yet (a local, argument, global, member or indexed element), so that the same
// operand can be loaded, stored into, incremented or referenced.
#pragma once

#include <cstdint>
#include <string>

namespace kj::compiler {

enum class Place : uint8_t {
    Value,       // the value is in the top record
    Local,       // local slot `index`; nothing emitted yet
    Arg,         // argument slot `index`
    Global,      // global symbol `index` (variable or function)
    Member,      // the object is in the top record; member `index` of its class
    MemberName,  // the object is in the top record; member `name`, resolved at run time
    Indexed,     // target and last index on the stack; XLD or XST pending
    Class,       // a class name (symbol `index`); only ::, new and member calls use it
};

struct Expr {
    Place place = Place::Value;
    int index = 0;
    uint32_t flags = 0;    // k_const, KJ_FLAG_SERIAL of the named object
    int chain = -1;        // the XRS that starts an index chain
    bool function = false; // a global naming a function (not a storage object)
    bool static_member_function = false;
    std::string name;      // for messages and member names
    int cls = -1;          // class symbol of an object known at compile time (this)
    bool with_this = false; // a member function called directly on this (Base::f)

    bool is_storage() const { return place != Place::Value && place != Place::Class && !function; }
};

}  // namespace kj::compiler
