#include "vm/scalar_tree.h"

#include <type_traits>

#include "link/literals.h"
#include "link/opcodes.h"
#include "link/scalar_operators.h"

namespace kj::vm::tree {

using link::Op;


namespace {

template <class Op>
struct Raises {
    static bool ints(int32_t, int32_t) { return false; }
    static bool doubles(double, double) { return false; }
};
template <>
struct Raises<link::scalar::Remainder> {
    static bool ints(int32_t, int32_t b) { return b == 0; }
    static bool doubles(double, double y) { return link::scalar::rounded(y) == 0; }
};
// int ^ int gives an int or a double depending on the values: no fixed type.
template <class Op>
constexpr bool typed_by_value = std::is_same_v<Op, link::scalar::Power> || std::is_same_v<Op, link::scalar::DotPower>;

template <Kind K>
using Scalar = std::conditional_t<K == Int, int32_t, double>;

template <Kind K>
inline Scalar<K> value_of(const Operand& o, const Frame& f) {
    if constexpr (K == Int) return int_of(o, f);
    else return dbl_of(o, f);
}

template <class Op, Kind L, Kind R>
inline Value apply_values(Scalar<L> x, Scalar<R> y, const Frame& f) {
    Value out;
    if constexpr (L == Int && R == Int) {
        if (Raises<Op>::ints(x, y)) {
            *f.bail = k_bail_raise;
            return value::make_int(0);
        }
        Op::int_int(out, x, y);
    } else {
        if (Raises<Op>::doubles(x, y)) {
            *f.bail = k_bail_raise;
            return value::make_int(0);
        }
        Op::dbl_dbl(out, x, y);
    }
    return out;
}
template <class Op, Kind L, Kind R>
inline Value apply_binary(const Node& n, const Frame& f) {
    // A leaf is read after the other operand's node has run: a local that the
    // previous iteration stored is then not held waiting across the call.
    if (n.l.node || !n.r.node) {
        const auto x = value_of<L>(n.l, f);
        return apply_values<Op, L, R>(x, value_of<R>(n.r, f), f);
    }
    const auto y = value_of<R>(n.r, f);
    return apply_values<Op, L, R>(value_of<L>(n.l, f), y, f);
}
template <class Op, Kind L, Kind R>
int32_t binary_int(const Node& n, const Frame& f) { return apply_binary<Op, L, R>(n, f).u.ival; }
template <class Op, Kind L, Kind R>
double binary_dbl(const Node& n, const Frame& f) { return apply_binary<Op, L, R>(n, f).u.dval; }
template <class Op, Kind R>
int32_t accumulate_int(int32_t acc, Scalar<R> y, const Frame& f) { return apply_values<Op, Int, R>(acc, y, f).u.ival; }
template <class Op, Kind R>
double accumulate_dbl(double acc, Scalar<R> y, const Frame& f) { return apply_values<Op, Dbl, R>(acc, y, f).u.dval; }

template <class Op, Kind K>
inline Value apply_unary(const Node& n, const Frame& f) {
    Value out;
    if constexpr (K == Int) Op::on_int(out, int_of(n.l, f));
    else Op::on_dbl(out, dbl_of(n.l, f));
    return out;
}
template <class Op, Kind K>
int32_t unary_int(const Node& n, const Frame& f) { return apply_unary<Op, K>(n, f).u.ival; }
template <class Op, Kind K>
double unary_dbl(const Node& n, const Frame& f) { return apply_unary<Op, K>(n, f).u.dval; }

// The type of a result record.
Kind result_of(const Value& out) { return (out.type & KJ_TYPE_MASK) == value::T_Int ? Int : Dbl; }

// The operator's type for these operand types is read off the table by
// applying it once to harmless values.
template <class Op, Kind L, Kind R>
Kind set_binary(Node& n) {
    if constexpr (L == Int && R == Int && typed_by_value<Op>) {
        return Other;
    } else {
        Value probe;
        if constexpr (L == Int && R == Int) Op::int_int(probe, 7, 3);
        else Op::dbl_dbl(probe, 7.0, 3.0);
        const Kind k = result_of(probe);
        if (k == Int) n.int_fn = &binary_int<Op, L, R>;
        else n.dbl_fn = &binary_dbl<Op, L, R>;
        if (k == L) {
            n.right = R;
            // Plain +, - and * on doubles; on ints the table wraps around,
            // which the runner's unsigned arithmetic does too.
            if constexpr (std::is_same_v<Op, link::scalar::Plus>) n.acc_op = '+';
            if constexpr (std::is_same_v<Op, link::scalar::Minus>) n.acc_op = '-';
            if constexpr (std::is_same_v<Op, link::scalar::Times> || std::is_same_v<Op, link::scalar::DotTimes>) n.acc_op = '*';
            if constexpr (L == Int && R == Int) n.int_acc_i = &accumulate_int<Op, R>;
            if constexpr (L == Int && R == Dbl) n.int_acc_d = &accumulate_int<Op, R>;
            if constexpr (L == Dbl && R == Int) n.dbl_acc_i = &accumulate_dbl<Op, R>;
            if constexpr (L == Dbl && R == Dbl) n.dbl_acc_d = &accumulate_dbl<Op, R>;
        }
        return k;
    }
}
template <class Op>
Kind set_binary(Node& n, Kind l, Kind r) {
    if (l == Int) return r == Int ? set_binary<Op, Int, Int>(n) : set_binary<Op, Int, Dbl>(n);
    return r == Int ? set_binary<Op, Dbl, Int>(n) : set_binary<Op, Dbl, Dbl>(n);
}

template <class Op, Kind K>
Kind set_unary(Node& n) {
    Value probe;
    if constexpr (K == Int) Op::on_int(probe, 7);
    else Op::on_dbl(probe, 7.0);
    const Kind k = result_of(probe);
    if (k == Int) n.int_fn = &unary_int<Op, K>;
    else n.dbl_fn = &unary_dbl<Op, K>;
    return k;
}

}  // namespace

Kind binary_node(int token, Node& n, Kind l, Kind r) {
    if (l == Other || r == Other) return Other;
    switch (token) {
#define X(Name, token_, raises_, int_expr, dbl_expr) \
    case token_: return set_binary<link::scalar::Name>(n, l, r);
        KJ_SCALAR_BINARY(X)
#undef X
        default: return Other;
    }
}

Kind unary_node(int token, Node& n, Kind operand) {
    if (operand == Other) return Other;
    switch (token) {
#define X(Name, token_, int_expr, dbl_expr) \
    case token_: return operand == Int ? set_unary<link::scalar::Name, Int>(n) : set_unary<link::scalar::Name, Dbl>(n);
        KJ_SCALAR_UNARY(X)
#undef X
        default: return Other;
    }
}

bool is_unary_token(int token) {
    switch (token) {
#define X(Name, token_, int_expr, dbl_expr) case token_:
        KJ_SCALAR_UNARY(X)
#undef X
        return true;
        default: return false;
    }
}

bool may_raise(int token) { return !link::scalar::is_quiet_binary(token); }

Node& Builder::new_node() { return m_nodes.emplace_back(); }

void Builder::constant(const Value& v) {
    m_constants.push_back(v);
    m_stack.push_back({{nullptr, static_cast<int32_t>(m_constants.size() - 1), Constant}, kind_of(v)});
}

bool Builder::take(const link::Instr& in) {
    switch (static_cast<Op>(in.op)) {
        case Op::Pbp:
        case Op::Pap:
        case Op::Lbp:
        case Op::Lap: {
            // A local or an argument pushed (PBP, PAP) or put in place of
            // the record on top (LBP, LAP).
            const Op op = static_cast<Op>(in.op);
            const bool replaces = op == Op::Lbp || op == Op::Lap;
            if (replaces && m_stack.empty()) return false;
            const Base base = op == Op::Pbp || op == Op::Lbp ? Local : Argument;
            const Kind k = m_read(m_context, base, in.operand);
            if (k == Other) return false;
            if (replaces) m_stack.pop_back();
            m_stack.push_back({{nullptr, in.operand, base}, k});
            return true;
        }
        case Op::Psh: constant(value::make_int(in.operand)); return true;
        case Op::Lti:
        case Op::Ltd:
            if (m_stack.empty()) return false;
            m_stack.pop_back();
            constant(in.op == static_cast<int32_t>(Op::Lti) ? value::make_int(in.operand) : value::make_double(in.operand));
            return true;
        case Op::Lit: {
            if (m_stack.empty() || in.operand < 0 || in.operand >= link::literal_count()) return false;
            const Value& lit = link::literal_data()[in.operand];
            const Kind k = kind_of(lit);
            if (k == Other) return false;
            m_stack.pop_back();
            constant(k == Int ? value::make_int(lit.u.ival) : value::make_double(lit.u.dval));
            return true;
        }
        case Op::Opr: {
            Node& n = new_node();
            Kind k;
            if (is_unary_token(in.operand)) {
                if (m_stack.empty()) return false;
                Item& top = m_stack.back();
                if ((in.operand == link::T_Double || in.operand == link::T_IntToDouble) && top.kind == Int &&
                    !top.operand.node) {
                    // double(x) of an int local, argument or constant: the leaf read as a double.
                    m_nodes.pop_back();
                    top.operand.to_double = true;
                    top.kind = Dbl;
                    return true;
                }
                n.l = m_stack.back().operand;
                k = unary_node(in.operand, n, m_stack.back().kind);
                m_stack.pop_back();
            } else {
                if (m_stack.size() < 2) return false;
                const Item r = m_stack.back();
                m_stack.pop_back();
                const Item l = m_stack.back();
                m_stack.pop_back();
                n.l = l.operand;
                n.r = r.operand;
                k = binary_node(in.operand, n, l.kind, r.kind);
                if (tree::may_raise(in.operand)) m_may_raise = true;
            }
            if (k == Other) return false;
            m_stack.push_back({{&n}, k});
            return true;
        }
        default: return false;
    }
}

}  // namespace kj::vm::tree
