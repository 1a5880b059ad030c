#include "link/class_records.h"


namespace kj::link {

using value::NamedValue;
using value::Value;

int class_data_count(const Value& cls) { return cls.u.obj.members ? cls.u.obj.n : 0; }
NamedValue* class_data(const Value& cls) { return cls.u.obj.members; }
int class_function_count(const Value& cls) { return cls.u.obj.members ? cls.u.obj.pad : 0; }
NamedValue* class_functions(const Value& cls) {
    return cls.u.obj.members ? cls.u.obj.members + cls.u.obj.n : nullptr;
}

void release_class_values(Value& cls) {
    NamedValue* block = cls.u.obj.members;
    if (block) {
        for (int i = 0; i < cls.u.obj.n; ++i)
            if (value::has_flag(block[i].val, value::k_static)) value::release(block[i].val);
    }
    cls.u.obj.members = nullptr;
    cls.u.obj.n = 0;
    cls.u.obj.pad = 0;
}

}  // namespace kj::link
