// The parser of each thread and the session of the library.
#include "compiler/parser.h"

namespace kj::compiler {

namespace {
thread_local Parser* t_parser = nullptr;
}  // namespace

Session& library_session() {
    static Session s;
    return s;
}

Parser& parser() {
    if (t_parser) return *t_parser;
    thread_local Parser own(library_session());
    return own;
}

ParserScope::ParserScope(Parser& p) : m_previous(t_parser) { t_parser = &p; }
ParserScope::~ParserScope() { t_parser = m_previous; }

}  // namespace kj::compiler
