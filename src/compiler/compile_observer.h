// What a host that checks sources (an editor's language server) learns while
// a unit compiles: every message with its code, and every declaration at the
// line of its name. Nothing is reported while no observer is set, which is
// the case for every ordinary compilation.
#pragma once

#include <string>

namespace kj::compiler {

enum class DeclKind { Function, Class, Variable, Constant, DataMember, MemberFunction };

struct CompileObserver {
    // A compiler diagnostic (diagnostics.h, before the print and warning
    // settings are applied) or, with scanner true, a scanner message
    // (scanner_messages.h), about `line` of the current file (0: none); text
    // is the offending text the message quotes.
    void (*message)(bool scanner, int line, int code, const std::string& text, int found_token) = nullptr;
    // A name declared at `line` of `file`: for functions, defined says
    // whether a body followed (else it was a declaration only).
    void (*declaration)(const std::string& name, DeclKind kind, const std::string& file, int line,
                        bool defined) = nullptr;
};

void set_compile_observer(const CompileObserver& observer);  // an empty one ends observing

void observe_message(bool scanner, int line, int code, const std::string& text, int found_token = 0);
// At the name's token; `file` defaults to the current file, which is the
// name's while its token is the current one.
void observe_declaration(const std::string& name, DeclKind kind, int line, bool defined = true,
                         const char* file = nullptr);

}  // namespace kj::compiler
