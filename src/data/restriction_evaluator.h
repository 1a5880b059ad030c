// Evaluation of compiled restrictions: values only, and values with their
// gradients by forward differentiation; the mappings between the full
// parameter vector theta and the free parameters phi; the Jacobians.
//
// Expressions associate to the left at every level, and a sign binds more
// tightly than "^": -2^2 is 4 and 2^3^2 is 64. Division by zero and invalid
// powers are reported to the data layer's message function as
// "Restriction error: ..." and evaluation goes on with the IEEE result.
#pragma once

#include "data/restriction_compiler.h"

namespace kj::data {

// The value of a compiled expression with theta as the parameters.
double evaluate_expression(const ExpressionProgram& p, const double* theta);

// The value of a compiled expression and its gradient with respect to
// `size` variables, given theta and the gradient rows of the parameters
// (row j, of `size` entries, for theta_j; row-major). Null rows stand for
// the identity: the gradient is then with respect to theta itself.
class ExpressionDifferentiator {
public:
    explicit ExpressionDifferentiator(int size) : m_n(size) {}
    double evaluate(const ExpressionProgram& p, const double* theta, const double* rows, double* gradient);

    // Used by the evaluator: slot k holds a value and a gradient.
    double* gradient(int k);
    int size() const { return m_n; }

private:
    int m_n;
    std::vector<std::vector<double>> m_slots;
};

// phi (free_count elements) -> theta (n): the free elements in index order,
// then each restricted element from its expression, in increasing order.
void map_to_unconstrained(const ParameterRestrictions& set, const double* phi, double* theta);
// theta (n) -> phi (free_count): the free elements in index order.
void map_to_constrained(const ParameterRestrictions& set, const double* theta, double* phi);
// J (free_count x n, row-major): J[k][i] = d theta_i / d phi_k at phi.
void restriction_jacobian(const ParameterRestrictions& set, const double* phi, double* jacobian);

// The m test expressions at theta (n elements).
void test_values(const TestRestrictions& set, const double* theta, double* values);
// Their gradients with respect to theta: m x n, row-major.
void test_jacobian(const TestRestrictions& set, const double* theta, double* jacobian);

}  // namespace kj::data
