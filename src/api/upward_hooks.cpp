#include "api/upward_hooks.h"

#include "compiler/compiler.h"
#include "link/resolver.h"
#include "value/value.h"
#include "vm/call_trace.h"
#include "vm/objects.h"
#include "vm/pending_aliases.h"

namespace kj::api {

void install_upward_hooks() {
    link::set_source_compiler(compiler::compile_source_file);
    value::set_object_deleter(vm::delete_object);
    value::set_payload_rescuer(vm::rescue_pending_alias);
    vm::install_error_reporter();
}

}  // namespace kj::api
