#include "compiler/nesting_limit.h"

#include "compiler/diagnostics.h"
#include "compiler/parser.h"

namespace kj::compiler {

static_assert(k_max_nesting == 512, "the message of D_NestingTooDeep names the limit");

NestingGuard::NestingGuard(Parser& p) : m_parser(p), m_ok(p.nesting < k_max_nesting) {
    ++p.nesting;
    if (m_ok) return;
    if (!diagnostics_silenced()) {
        report(p, D_NestingTooDeep);
        // Every level being left would report its own missing closing token.
        silence_diagnostics();
    }
    while (tok(p) != T_Eof) advance(p);
}

NestingGuard::~NestingGuard() { --m_parser.nesting; }

int nesting_depth() { return parser().nesting; }

}  // namespace kj::compiler
