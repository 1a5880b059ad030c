// What native code may ask about an object record (type "class"): the name
// of its class and the class record, from the class tables of link/.
#pragma once

#include "value/value.h"

namespace kj::lib {

// Null for anything but an object of a known class.
const char* object_class_name(const value::Value& v);   // with namespace qualifier
value::Value* object_static_record(const value::Value& v);

}  // namespace kj::lib
