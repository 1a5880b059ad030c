// The linker compiles imported sources through the compiler: the one call
// from the linker up into the compiler, installed here (link/resolver.h).
#include "compiler/compiler.h"
#include "link/resolver.h"

namespace kj::api {

namespace {
const bool g_installed = (link::set_source_compiler(compiler::compile_source_file), true);
}  // namespace

}  // namespace kj::api
