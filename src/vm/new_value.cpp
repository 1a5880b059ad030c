// NTP: values constructed from dimensions on the stack and the constants
// .NaN, .Inf and .Null.
#include <cstring>
#include <limits>

#include "vm/conversions.h"
#include "vm/operators.h"
#include "vm/operators_operand.h"
#include "link/operands.h"

namespace kj::vm {

using namespace value;

namespace {

// A load: the top's old payload is released first.
void load(Value& top, const Value& v) {
    release(top);
    top = v;
}

}  // namespace

void new_value(int code, Value*& sp) {
    switch (code) {
        case T_Matrix: {
            const int r = to_dimension(sp[-1]), c = to_dimension(sp[0]);
            MatrixTemp t(r, c);
            if (r > 0 && c > 0) MatZero(t.rows(), r, c);
            finish_binary(sp, t.take());
            return;
        }
        case T_String: {
            const int n = to_dimension(*sp);
            Value s{};
            set_string_alloc(s, n);
            if (n > 0) std::memset(s.u.str.s, ' ', static_cast<std::size_t>(n));
            return load(*sp, s);
        }
        case T_Array: {
            const int n = to_dimension(*sp);
            Value a{};
            set_array(a, n);
            return load(*sp, a);
        }
        case link::k_ntp_empty_matrix: {
            Value m{};
            m.type = T_Matrix | k_owns;
            return load(*sp, m);
        }
        case link::k_ntp_empty_array: {
            Value a{};
            a.type = T_Array | k_owns;
            return load(*sp, a);
        }
        case link::k_ntp_nan: return load(*sp, make_double(std::numeric_limits<double>::quiet_NaN()));
        case link::k_ntp_infinity: return load(*sp, make_double(std::numeric_limits<double>::infinity()));
        case link::k_ntp_no_value: return load(*sp, make_null());
        default: return;
    }
}

}  // namespace kj::vm
