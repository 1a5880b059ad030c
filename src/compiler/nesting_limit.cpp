#include "compiler/nesting_limit.h"

#include "compiler/diagnostics.h"
#include "compiler/parser.h"

namespace kj::compiler {

static_assert(k_max_nesting == 512, "the message of D_NestingTooDeep names the limit");

namespace {
int g_depth = 0;
}  // namespace

NestingGuard::NestingGuard() : m_ok(g_depth < k_max_nesting) {
    ++g_depth;
    if (m_ok) return;
    if (!diagnostics_silenced()) {
        report(D_NestingTooDeep);
        // Every level being left would report its own missing closing token.
        silence_diagnostics();
    }
    while (tok() != T_Eof) advance();
}

NestingGuard::~NestingGuard() { --g_depth; }

int nesting_depth() { return g_depth; }

}  // namespace kj::compiler
