#include "lib/object_queries.h"

namespace kj::lib {

namespace {
ObjectQueries g_queries;
}  // namespace

void set_object_queries(const ObjectQueries& q) { g_queries = q; }
const ObjectQueries& object_queries() { return g_queries; }

const char* object_class_name(const value::Value& v) {
    if (value::type_of(v) != value::T_Class || !g_queries.class_name) return nullptr;
    return g_queries.class_name(v);
}

value::Value* object_static_record(const value::Value& v) {
    if (value::type_of(v) != value::T_Class || !g_queries.static_object) return nullptr;
    return g_queries.static_object(v);
}

}  // namespace kj::lib
