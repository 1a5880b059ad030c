#include "compiler/compile_observer.h"

#include "compiler/parser.h"
#include "compiler/scanner.h"

namespace kj::compiler {

void set_compile_observer(const CompileObserver& observer) { parser().session.observer = observer; }

void observe_message(bool scanner, int line, int code, const std::string& text, int found_token) {
    const CompileObserver& o = parser().session.observer;
    if (o.message) o.message(scanner, line, code, text, found_token);
}

void observe_declaration(const std::string& name, DeclKind kind, int line, bool defined, const char* file) {
    const CompileObserver& o = parser().session.observer;
    if (o.declaration) o.declaration(name, kind, file ? file : current_file(), line, defined);
}

}  // namespace kj::compiler
