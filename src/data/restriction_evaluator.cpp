#include "data/restriction_evaluator.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "data/message_function.h"

namespace kj::data {

namespace {

void check_division(double divisor) {
    if (divisor == 0) report_error("Restriction error: Division by zero");
}

void check_power(double base, double exponent) {
    if ((base == 0 && exponent < 0) || (base < 0 && exponent != std::floor(exponent)))
        report_error("Restriction error: Power invalid");
}

// Recursive descent over a validated stream. Each level leaves its result in
// slot k of the operations object and uses slot k + 1 for a right operand;
// signs are folded in a loop, so only parentheses nest.
template <class Ops>
class Evaluator {
public:
    Evaluator(Ops& ops, const TokenStream& s) : m_ops(ops), m_c(s.data()) {}

    void run() {
        if (m_c.peek() == k_tok_start) m_c.next();
        expression(0);
    }

private:
    void expression(int k) {
        term(k);
        for (char16_t t = m_c.peek(); t == u'+' || t == u'-'; t = m_c.peek()) {
            m_c.next();
            term(k + 1);
            m_ops.combine(t, k);
        }
    }

    void term(int k) {
        power(k);
        for (char16_t t = m_c.peek(); t == u'*' || t == u'/'; t = m_c.peek()) {
            m_c.next();
            power(k + 1);
            m_ops.combine(t, k);
        }
    }

    void power(int k) {
        unary(k);
        while (m_c.peek() == u'^') {
            m_c.next();
            unary(k + 1);
            m_ops.combine(u'^', k);
        }
    }

    void unary(int k) {
        bool negative = false;
        for (char16_t t = m_c.peek(); t == u'-' || t == u'+'; t = m_c.peek()) {
            negative ^= t == u'-';
            m_c.next();
        }
        const char16_t t = m_c.next();
        if (t == u'(') {
            expression(k);
            if (m_c.peek() == u')') m_c.next();
        } else if (t == k_tok_param && m_c.next() == k_tok_number) {
            m_ops.parameter(parameter_index(m_c.text()), k);
        } else if (t == k_tok_number) {
            m_ops.constant(number_token_value(m_c.text()), k);
        } else {
            m_ops.constant(std::numeric_limits<double>::quiet_NaN(), k);  // not after validation
        }
        if (negative) m_ops.negate(k);
    }

    Ops& m_ops;
    TokenCursor m_c;
};

// Records the calls of the walk as steps.
struct RecordOps {
    ExpressionProgram steps;
    void constant(double c, int k) { steps.push_back({ExpressionStep::k_constant, k, 0, c}); }
    void parameter(int j, int k) { steps.push_back({ExpressionStep::k_parameter, k, j, 0}); }
    void negate(int k) { steps.push_back({ExpressionStep::k_negate, k, 0, 0}); }
    void combine(char16_t op, int k) { steps.push_back({op, k, 0, 0}); }
};

// Makes the calls the walk made, from its record.
template <class Ops>
void replay(const ExpressionProgram& p, Ops& ops) {
    for (const ExpressionStep& s : p) {
        switch (s.op) {
        case ExpressionStep::k_constant: ops.constant(s.value, s.slot); break;
        case ExpressionStep::k_parameter: ops.parameter(s.index, s.slot); break;
        case ExpressionStep::k_negate: ops.negate(s.slot); break;
        default: ops.combine(s.op, s.slot); break;
        }
    }
}

// Values only.
struct ValueOps {
    const double* theta = nullptr;
    double slots[k_max_nesting * 3 + 8];

    void constant(double c, int k) { slots[k] = c; }
    void parameter(int j, int k) { slots[k] = theta[j]; }
    void negate(int k) { slots[k] = -slots[k]; }
    void combine(char16_t op, int k) {
        double& a = slots[k];
        const double b = slots[k + 1];
        switch (op) {
        case u'+': a += b; break;
        case u'-': a -= b; break;
        case u'*': a *= b; break;
        case u'/': check_division(b); a /= b; break;
        default: check_power(a, b); a = std::pow(a, b); break;
        }
    }
};

// Values with gradients.
struct GradientOps {
    GradientOps(ExpressionDifferentiator& diff, const double* t, const double* r) : d(diff), theta(t), rows(r) {}
    ExpressionDifferentiator& d;
    const double* theta;
    const double* rows;
    double slots[k_max_nesting * 3 + 8];

    void constant(double c, int k) {
        slots[k] = c;
        std::fill_n(d.gradient(k), d.size(), 0.0);
    }
    void parameter(int j, int k) {
        slots[k] = theta[j];
        double* g = d.gradient(k);
        if (rows) {
            std::copy_n(rows + static_cast<std::ptrdiff_t>(j) * d.size(), d.size(), g);
        } else {
            std::fill_n(g, d.size(), 0.0);
            g[j] = 1.0;
        }
    }
    void negate(int k) {
        slots[k] = -slots[k];
        double* g = d.gradient(k);
        for (int p = 0; p < d.size(); ++p) g[p] = -g[p];
    }
    void combine(char16_t op, int k) {
        const int n = d.size();
        const double a = slots[k], b = slots[k + 1];
        double* ga = d.gradient(k);
        const double* gb = d.gradient(k + 1);
        switch (op) {
        case u'+':
            slots[k] = a + b;
            for (int p = 0; p < n; ++p) ga[p] += gb[p];
            break;
        case u'-':
            slots[k] = a - b;
            for (int p = 0; p < n; ++p) ga[p] -= gb[p];
            break;
        case u'*':
            slots[k] = a * b;
            for (int p = 0; p < n; ++p) ga[p] = b * ga[p] + a * gb[p];
            break;
        case u'/': {
            check_division(b);
            slots[k] = a / b;
            const double b2 = b * b;
            for (int p = 0; p < n; ++p) ga[p] = (b * ga[p] - a * gb[p]) / b2;
            break;
        }
        default: {
            check_power(a, b);
            const double y = std::pow(a, b);
            // d/da a^b = b a^(b-1), written so that a base of 0 gives the
            // limit rather than 0/0; components that do not move are skipped
            // so that an infinite factor does not turn them into NaN.
            const double da = b == 0 ? 0.0 : b * std::pow(a, b - 1);
            const double db = std::log(a) * y;
            for (int p = 0; p < n; ++p) {
                double g = ga[p] != 0 ? da * ga[p] : 0.0;
                if (gb[p] != 0) g += db * gb[p];  // NaN compares unequal: it is kept
                ga[p] = g;
            }
            slots[k] = y;
            break;
        }
        }
    }
};

}  // namespace

ExpressionProgram translate_expression(const TokenStream& s) {
    RecordOps record;
    Evaluator<RecordOps>(record, s).run();
    return std::move(record.steps);
}

double evaluate_expression(const ExpressionProgram& p, const double* theta) {
    ValueOps ops;  // the slots are written before they are read
    ops.theta = theta;
    replay(p, ops);
    return ops.slots[0];
}

double* ExpressionDifferentiator::gradient(int k) {
    while (static_cast<int>(m_slots.size()) <= k) m_slots.emplace_back(static_cast<std::size_t>(m_n));
    return m_slots[static_cast<std::size_t>(k)].data();
}

double ExpressionDifferentiator::evaluate(const ExpressionProgram& p, const double* theta, const double* rows,
                                          double* gradient_out) {
    GradientOps ops(*this, theta, rows);
    replay(p, ops);
    std::copy_n(gradient(0), m_n, gradient_out);
    return ops.slots[0];
}

void map_to_constrained(const ParameterRestrictions& set, const double* theta, double* phi) {
    for (int i = 0, k = 0; i < set.n; ++i)
        if (!set.restricted(i)) phi[k++] = theta[i];
}

void map_to_unconstrained(const ParameterRestrictions& set, const double* phi, double* theta) {
    for (int i = 0, k = 0; i < set.n; ++i) theta[i] = set.restricted(i) ? 0.0 : phi[k++];
    for (int i = 0; i < set.n; ++i)
        if (set.restricted(i)) theta[i] = evaluate_expression(set.programs[static_cast<std::size_t>(i)], theta);
}

void restriction_jacobian(const ParameterRestrictions& set, const double* phi, double* jacobian) {
    const int n = set.n, nf = set.free_count;
    const auto un = static_cast<std::size_t>(n), uf = static_cast<std::size_t>(nf);
    // Gradients with respect to phi: a free parameter's row is its unit
    // vector, a restricted one's comes from its expression.
    std::vector<double> theta(un), rows(un * uf, 0.0);
    for (int i = 0, k = 0; i < n; ++i) {
        if (set.restricted(i)) continue;
        theta[static_cast<std::size_t>(i)] = phi[k];
        rows[static_cast<std::size_t>(i) * uf + static_cast<std::size_t>(k++)] = 1.0;
    }
    ExpressionDifferentiator d(nf);
    for (int i = 0; i < n; ++i)
        if (set.restricted(i))
            theta[static_cast<std::size_t>(i)] = d.evaluate(set.programs[static_cast<std::size_t>(i)], theta.data(),
                                                            rows.data(), rows.data() + static_cast<std::size_t>(i) * uf);
    for (std::size_t i = 0; i < un; ++i)
        for (std::size_t k = 0; k < uf; ++k) jacobian[k * un + i] = rows[i * uf + k];
}

void test_values(const TestRestrictions& set, const double* theta, double* values) {
    for (int r = 0; r < set.count(); ++r) values[r] = evaluate_expression(set.programs[static_cast<std::size_t>(r)], theta);
}

void test_jacobian(const TestRestrictions& set, const double* theta, double* jacobian) {
    ExpressionDifferentiator d(set.n);
    for (int r = 0; r < set.count(); ++r)
        d.evaluate(set.programs[static_cast<std::size_t>(r)], theta, nullptr,
                   jacobian + static_cast<std::size_t>(r) * static_cast<std::size_t>(set.n));
}

}  // namespace kj::data
