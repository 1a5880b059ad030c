#include "lib/dimension_arg.h"

#include <string>

#include <kj80x.h>

#include "lib/arg_checks.h"
#include "lib/conversions.h"
#include "vm/conversions.h"
#include "runtime/messages.h"
#include "runtime/run_error.h"

namespace kj::lib {

int dimension_arg(value::Value* args, int k) {
    value::Value& v = args[k];
    if (value::type_of(v) != value::T_Int || value::is_null(v)) {
        double x = 0;
        if (!try_convert_to_double(v, &x)) arg_type_error(k, value::T_Int, &v);
        const vm::SizeFault fault = vm::size_fault(x);
        if (fault == vm::SizeFault::NotANumber || fault == vm::SizeFault::TooLarge) {
            const std::string number = vm::number_text(x);
            const std::string text =
                std::string(current_function()) + "(): " +
                (fault == vm::SizeFault::NotANumber
                     ? "argument " + std::to_string(k + 1) + " is " + number + ", not a dimension"
                     : "dimension " + number + " in argument " + std::to_string(k + 1) + " exceeds memory");
            runtime::run_message(text.c_str());
            runtime::raise_run_error(fault == vm::SizeFault::NotANumber ? runtime::E_ArgError : runtime::E_OutOfMemory);
        }
    }
    int32_t n = 0;
    if (!try_convert_to_int(v, &n)) arg_type_error(k, value::T_Int, &v);
    if (n < 0) runtime::raise_run_error(runtime::E_NegativeDim);
    return n;
}

}  // namespace kj::lib
