#include "compiler/nesting_limit.h"

#include "compiler/diagnostics.h"
#include "compiler/parser.h"

namespace kj::compiler {

static_assert(k_max_nesting == 512, "the message of D_NestingTooDeep names the limit");

NestingGuard::NestingGuard() : m_ok(parser().nesting < k_max_nesting) {
    ++parser().nesting;
    if (m_ok) return;
    if (!diagnostics_silenced()) {
        report(D_NestingTooDeep);
        // Every level being left would report its own missing closing token.
        silence_diagnostics();
    }
    while (tok() != T_Eof) advance();
}

NestingGuard::~NestingGuard() { --parser().nesting; }

int nesting_depth() { return parser().nesting; }

}  // namespace kj::compiler
