// What native code may ask about an object record (type "class"). The object
// layer, which owns the class tables, installs the answers; until then every
// query answers null.
#pragma once

#include "value/value.h"

namespace kj::lib {

struct ObjectQueries {
    const char* (*class_name)(const value::Value& object) = nullptr;    // with namespace qualifier
    value::Value* (*static_object)(const value::Value& object) = nullptr;  // the class record
};

void set_object_queries(const ObjectQueries& q);
const ObjectQueries& object_queries();

// Null for anything but an object, or when no answer is installed.
const char* object_class_name(const value::Value& v);
value::Value* object_static_record(const value::Value& v);

}  // namespace kj::lib
