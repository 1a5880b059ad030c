#include "compiler/compile_observer.h"

#include "compiler/scanner.h"

namespace kj::compiler {

namespace {
CompileObserver g_observer;
}  // namespace

void set_compile_observer(const CompileObserver& observer) { g_observer = observer; }

void observe_message(bool scanner, int line, int code, const std::string& text, int found_token) {
    if (g_observer.message) g_observer.message(scanner, line, code, text, found_token);
}

void observe_declaration(const std::string& name, DeclKind kind, int line, bool defined, const char* file) {
    if (g_observer.declaration) g_observer.declaration(name, kind, file ? file : current_file(), line, defined);
}

}  // namespace kj::compiler
