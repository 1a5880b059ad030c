// The parser's limit on nesting: parentheses, operators, array and matrix
// constants, calls and blocks each take a level while they are parsed. Too
// deep a nesting would exhaust the compiler's own stack; instead it is one
// compile error, after which the rest of the unit is skipped without further
// messages.
#pragma once

namespace kj::compiler {

constexpr int k_max_nesting = 512;

// Enter a level for the lifetime of the guard; when the limit is passed,
// `ok()` is false and the caller returns at once.
struct Parser;

class NestingGuard {
public:
    explicit NestingGuard(Parser& p);
    ~NestingGuard();
    NestingGuard(const NestingGuard&) = delete;
    NestingGuard& operator=(const NestingGuard&) = delete;
    bool ok() const { return m_ok; }

private:
    Parser& m_parser;
    bool m_ok;
};

// Levels entered now (0 between units).
int nesting_depth();

}  // namespace kj::compiler
