// Parameter restrictions and test restrictions: the compiled sets, and the
// compilers that validate restriction text and store one token stream per
// restriction for the evaluators of data/restriction_evaluator.h.
//
// A restriction text is a list of statements "&i = expression;", where the
// expression uses numbers, parameters "&j", + - * / ^ and parentheses,
// optionally followed by "start = v, v, ...;" with starting values for the
// free parameters. A test text is a list of "expression = 0;".
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "data/expression_scanner.h"

namespace kj::data {

// The messages of a compile: the first preceded by "Error: ", later ones on
// lines of their own; a message that would not fit the capacity is dropped.
class CompileMessages {
public:
    static constexpr std::size_t k_capacity = 480;
    void add(std::string_view message);
    void clear() { m_text.clear(); }
    const std::string& text() const { return m_text; }

private:
    std::string m_text;
};

// A validated expression in evaluation order, as the evaluators replay it:
// each step puts a constant or parameter into its slot, negates the slot,
// or combines the slot with the next one by + - * / or ^ (left in the slot).
struct ExpressionStep {
    enum Kind : char16_t { k_constant = u'c', k_parameter = u'&', k_negate = u'n' };
    char16_t op;  // a Kind or an operator character
    int slot;
    int index;    // the parameter of k_parameter
    double value; // the constant of k_constant
};
using ExpressionProgram = std::vector<ExpressionStep>;

// The steps of a validated stream (defined with the evaluators).
ExpressionProgram translate_expression(const TokenStream& s);

// The parameter vector theta of n elements: a free element has an empty
// stream; a restricted one its expression (start code, tokens, ";").
struct ParameterRestrictions {
    int n = 0;
    std::vector<TokenStream> streams;
    std::vector<ExpressionProgram> programs;  // the streams translated
    int free_count = 0;
    bool has_start = false;
    std::vector<double> start;

    bool restricted(int i) const { return !streams[static_cast<std::size_t>(i)].empty(); }
    void clear() { *this = ParameterRestrictions(); }
};

struct TestRestrictions {
    int n = 0;
    std::vector<TokenStream> streams;  // one expression each, ending in ";"
    std::vector<ExpressionProgram> programs;

    int count() const { return static_cast<int>(streams.size()); }
    void clear() { *this = TestRestrictions(); }
};

// Most parameters a set may have.
constexpr int k_max_parameters = 1 << 20;

// Deepest nesting of parentheses an expression may have.
constexpr int k_max_nesting = 200;

// Replaces set by the restrictions of text over n parameters. Returns the
// number of free parameters, or -1 (set left empty) with the reasons in
// messages. Scan errors also go to the data layer's message function.
int compile_parameter_restrictions(std::u16string_view text, int n, ParameterRestrictions& set,
                                   CompileMessages& messages);

// Replaces set by the test restrictions of text over n parameters. Returns
// their number m, or 0 (set left empty) on failure.
int compile_test_restrictions(std::u16string_view text, int n, TestRestrictions& set, CompileMessages& messages);

// The index j of a parameter reference "&j" whose text has been validated.
int parameter_index(std::u16string_view text);

// The process-wide sets and the messages of the last compile.
ParameterRestrictions& parameter_restrictions();
TestRestrictions& test_restrictions();
CompileMessages& compile_messages();

}  // namespace kj::data
