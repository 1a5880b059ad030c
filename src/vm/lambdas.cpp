#include "vm/lambdas.h"

#include "link/code_image.h"
#include "vm/calls.h"
#include "vm/frame.h"
#include "runtime/run_error.h"

namespace kj::vm {

void make_lambda(Engine& e) {
    Value* sp = e.sp;
    // Compiled code gives the parameter count, the entry's distance back from
    // here and the first slot; an entry outside the code (damaged object
    // code) is refused here rather than jumped to.
    const int64_t entry = static_cast<int64_t>(e.ip) - sp[-1].u.ival;
    if (value::type_of(sp[-2]) != value::T_Int || value::type_of(sp[-1]) != value::T_Int ||
        value::type_of(sp[0]) != value::T_Int || sp[-2].u.ival < 0 || sp[0].u.ival < 0 || entry < 0 ||
        entry >= link::code_size())
        runtime::raise_run_error(runtime::E_JumpAddress);
    Value lambda{};
    lambda.type = value::T_Lambda;
    lambda.u.lam.nparam = sp[-2].u.ival;
    lambda.u.lam.entry = static_cast<int32_t>(entry);
    lambda.u.lam.slot = static_cast<uint32_t>(sp[0].u.ival);
    lambda.u.lam.argbase = e.index(e.ap);
    lambda.u.lam.framebase = e.index(e.bp);
    value::release(sp[-2]);
    sp[-2] = lambda;
    value::release(sp[-1]);
    value::release(sp[0]);
    e.sp = sp - 2;
}

void call_lambda(Engine& e, Value* callee, int n) {
    const auto& lam = callee->u.lam;
    if (n != lam.nparam) runtime::raise_run_error(runtime::E_WrongArgCount, "lambda function");
    // The defining frame must still be below the call: its parameter slots
    // under the callee, its frame marker just under its base.
    Value* frame = e.at(lam.framebase);
    if (lam.framebase < 1 || frame + lam.slot + n > callee || !is_frame_marker(frame[-1]))
        runtime::raise_run_error(runtime::E_LambdaContext);
    if (e.sp + 2 >= e.limit()) runtime::raise_run_error(runtime::E_StackOverflow);

    // Arguments move, ownership included, into their parameter slots.
    for (int i = 0; i < n; ++i) {
        Value& arg = callee[1 + i];
        prepare_argument(arg);
        Value& slot = frame[lam.slot + static_cast<uint32_t>(i)];
        value::release(slot);
        slot = arg;
        arg = value::make_int(0);
    }
    e.sp = callee;
    *++e.sp = make_frame_marker(e);
    e.ip = lam.entry;
    e.ap = e.at(lam.argbase);
    e.bp = frame;
    *++e.sp = value::make_int(0);
}

void return_from_lambda(Engine& e, int r) {
    Value* lambda = e.sp - 2;
    if (e.sp - e.base < 2 || !is_frame_marker(e.sp[-1]) || value::type_of(*lambda) != value::T_Lambda)
        runtime::raise_run_error(runtime::E_Fatal, "missing lambda return");
    const SavedRegisters caller = saved_registers(e.sp[-1]);
    store_result(*lambda, *e.sp, r);
    value::release(*e.sp);
    e.sp = lambda;
    e.ip = caller.ip;
    e.ap = e.at(caller.ap);
    e.bp = e.at(caller.bp);
}

}  // namespace kj::vm
