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

// A member function called directly, bound at compile time rather than
// through the object's class: the hidden leading arguments are `this`
// (Base::f inside a member function) or, for a static member function, the
// class record (Class::f, or f by name inside the class), so that the
// function reaches the static members through its first argument.
enum class Direct : uint8_t { None, This, Class };

struct Expr {
    Place place = Place::Value;
    int index = 0;
    uint32_t flags = 0;    // k_const, KJ_FLAG_SERIAL of the named object
    int chain = -1;        // the XRS that starts an index chain
    bool function = false; // a global naming a function (not a storage object)
    std::string name;      // for messages and member names
    int cls = -1;          // class symbol of an object known at compile time (this)
    Direct direct = Direct::None;
    int direct_class = -1;  // the class passed for Direct::Class
    bool one_based = false; // an index chain of the GAUSS dialect (XGL, XGS)

    bool is_storage() const { return place != Place::Value && place != Place::Class && !function; }
};

}  // namespace kj::compiler
