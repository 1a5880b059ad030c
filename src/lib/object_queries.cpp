#include "lib/object_queries.h"

#include "link/class_members.h"
#include "link/symbols.h"

namespace kj::lib {

const char* object_class_name(const value::Value& v) {
    return link::class_of(v) ? link::class_name(v.u.obj.cls) : nullptr;
}

value::Value* object_static_record(const value::Value& v) {
    return link::class_of(v) ? &link::symbol_at(v.u.obj.cls).val : nullptr;
}

}  // namespace kj::lib
