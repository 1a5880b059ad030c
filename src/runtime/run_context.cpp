#include "runtime/run_context.h"

namespace kj::runtime {

namespace {
RunContext g_main;
}  // namespace

namespace detail {
__thread RunContext* t_run_context = &g_main;
}  // namespace detail

RunContext& main_run_context() { return g_main; }

RunContext* set_run_context(RunContext* context) {
    RunContext* previous = detail::t_run_context;
    detail::t_run_context = context ? context : &g_main;
    return previous;
}

}  // namespace kj::runtime
