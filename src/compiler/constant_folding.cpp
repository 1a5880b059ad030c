// Folding of operators whose operands are literals: the operands'
// instructions are replaced by one load or push of the result, computed by
// the run-time operator itself so that the folded value is exactly what the
// program would compute. Only operators that cannot fail on scalars fold.
#include <cmath>
#include <cstdint>

#include "compiler/emitter.h"
#include "compiler/tokens.h"
#include "link/literals.h"
#include "link/scalar_operators.h"

namespace kj::compiler {

namespace {

// A literal operand found in the code: its value, where its instructions
// start and whether they push a new record (PSH) or load into the top.
struct Operand {
    value::Value v{};
    int start = 0;
    bool push = false;
};

bool is_op(const link::Instr& in, Op op) { return in.op == static_cast<int32_t>(op); }

// The literal whose instructions end at index `end` (inclusive), not before barrier.
bool literal_at(int end, int barrier, Operand& out) {
    if (end < barrier || end < 0) return false;
    const link::Instr& in = instr(end);
    out.start = end;
    if (is_op(in, Op::Psh)) {
        out.v = value::make_int(in.operand);
        out.push = true;
        return true;
    }
    if (is_op(in, Op::Lti)) {
        out.v = value::make_int(in.operand);
    } else if (is_op(in, Op::Ltd)) {
        out.v = value::make_double(in.operand);
    } else if (is_op(in, Op::Lit)) {
        const value::Value& lit = link::literal_at(in.operand);
        const uint32_t t = value::type_of(lit);
        if ((t != value::T_Int && t != value::T_Double) || value::is_null(lit)) return false;
        out.v = lit;
        out.v.type = t;
    } else {
        return false;
    }
    // A load preceded by PSH 0 is a push of the literal.
    if (end - 1 >= barrier && is_op(instr(end - 1), Op::Psh) && instr(end - 1).operand == 0) {
        out.start = end - 1;
        out.push = true;
    }
    return true;
}

bool foldable_binary(int code) {
    switch (code) {
        case T_Plus: case T_Minus: case T_Star: case T_DotStar: case T_Slash: case T_DotSlash:
        case T_Caret: case T_DotCaret: case T_Percent: case T_Eq: case T_Ne: case T_Lt: case T_Le:
        case T_Gt: case T_Ge:
            return true;
        default: return false;
    }
}

double as_double(const value::Value& v) { return value::type_of(v) == value::T_Int ? v.u.ival : v.u.dval; }

// Operations that would raise a run-time error are left to the run.
bool would_fail(int code, const value::Value& a, const value::Value& b) {
    const bool ints = value::type_of(a) == value::T_Int && value::type_of(b) == value::T_Int;
    if ((code == T_Caret || code == T_DotCaret) && ints && a.u.ival == 0 && b.u.ival < 0) return true;
    if (code == T_Percent && std::floor(as_double(b) + 0.5) == 0) return true;
    return false;
}

// Emits the result as a load (or a push when the first operand pushed).
void emit_result(Parser& p, const value::Value& r, bool push) {
    if (value::type_of(r) == value::T_Int) {
        if (push) emit_plain(p, Op::Psh, r.u.ival);
        else emit_plain(p, Op::Lti, r.u.ival);
        return;
    }
    if (push) emit_plain(p, Op::Psh, 0);
    const double d = r.u.dval;
    if (d == std::trunc(d) && d >= INT32_MIN && d <= INT32_MAX && !(d == 0 && std::signbit(d))) {
        emit_plain(p, Op::Ltd, static_cast<int32_t>(d));
        return;
    }
    emit_plain(p, Op::Lit, link::add_double_literal(d));
}

}  // namespace

bool fold_operator(Parser& p, int code, int barrier) {
    const int last = code_here() - 1;
    Operand b;
    if (!literal_at(last, barrier, b)) return false;
    if (code == T_UnaryMinus || code == T_Not) {
        value::Value r = b.v;
        if (!link::scalar::unary(code, r, link::scalar::kind(r))) return false;
        link::code_truncate(b.start);
        emit_result(p, r, b.push);
        return true;
    }
    if (!foldable_binary(code) || !b.push) return false;
    Operand a;
    if (!literal_at(b.start - 1, barrier, a) || would_fail(code, a.v, b.v)) return false;
    value::Value r{};
    if (!link::scalar::binary(code, r, a.v, link::scalar::kind(a.v), b.v, link::scalar::kind(b.v)))
        return false;
    link::code_truncate(a.start);
    emit_result(p, r, a.push);
    return true;
}

}  // namespace kj::compiler
