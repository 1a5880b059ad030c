// Indexing strings: a single index reads or writes one byte, a range or a
// matrix of indices selects a substring.
#include <cstring>

#include "vm/indexing.h"
#include "vm/operators_operand.h"

namespace kj::vm {

using namespace value;

namespace {

// The position of a scalar index (int, double or 1 by 1 matrix), or -1 with
// `scalar` false for other index types.
int scalar_position(const Value& index, bool& scalar) {
    scalar = true;
    if (!is_null(index)) {
        switch (type_of(index)) {
            case T_Int: return index.u.ival;
            case T_Double: return truncate_to_int(index.u.dval);
            case T_Matrix:
                if (index.u.mat.r == 1 && index.u.mat.c == 1) return truncate_to_int(index.u.mat.m[0][0]);
                break;
            default: break;
        }
    }
    scalar = false;
    return -1;
}

}  // namespace

void load_string(Value& target, const Value& index) {
    const int len = target.u.str.len;
    bool scalar;
    const int i = scalar_position(index, scalar);
    Value result;
    if (scalar) {
        // The terminating NUL is readable.
        if (i == len) {
            result = make_int(0);
        } else {
            select_single(i, len, value::IndexForm::Single, target);
            result = make_int(static_cast<unsigned char>(target.u.str.s[i]));
        }
    } else {
        const Selection s = select_by(index, len, value::IndexForm::Single, target);
        result = Value{};
        set_string_alloc(result, s.count());
        for (int k = 0; k < s.count(); ++k) result.u.str.s[k] = target.u.str.s[s.at(k)];
    }
    release(target);
    target = result;
}

void store_string(Value& target, const Value& index, const Value& val) {
    const int len = target.u.str.len;
    const uint32_t vt = is_null(val) ? T_None : type_of(val);
    bool scalar;
    const int i = scalar_position(index, scalar);
    if (scalar) {
        char byte;
        if (vt == T_Int || vt == T_Double)
            byte = static_cast<char>(vt == T_Int ? val.u.ival : truncate_to_int(val.u.dval));
        else if (vt == T_String && val.u.str.len == 1)
            byte = val.u.str.s[0];
        else
            runtime::raise_run_error(runtime::E_ScalarExpected);
        select_single(i, len, value::IndexForm::Single, target);
        target.u.str.s[i] = byte;
        return;
    }
    const Selection s = select_by(index, len, value::IndexForm::Single, target);
    if (vt == T_String) {
        const int n = val.u.str.len < s.count() ? val.u.str.len : s.count();
        for (int k = 0; k < n; ++k) target.u.str.s[s.at(k)] = val.u.str.s[k];
    } else if (vt == T_Int || vt == T_Double) {
        const char byte = static_cast<char>(vt == T_Int ? val.u.ival : truncate_to_int(val.u.dval));
        for (int k = 0; k < s.count(); ++k) target.u.str.s[s.at(k)] = byte;
    } else {
        runtime::raise_run_error(runtime::E_ScalarOrString);
    }
}

}  // namespace kj::vm
