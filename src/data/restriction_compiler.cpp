#include "data/restriction_compiler.h"

#include <climits>

#include "data/message_function.h"

namespace kj::data {

void CompileMessages::add(std::string_view message) {
    std::string piece(m_text.empty() ? "Error: " : "\n");
    piece += message;
    if (m_text.size() + piece.size() < k_capacity) m_text += piece;
}

int parameter_index(std::u16string_view text) {
    long long j = 0;
    for (char16_t c : text) {
        if (c < u'0' || c > u'9') break;
        j = j * 10 + (c - u'0');
        if (j > INT_MAX) return INT_MAX;
    }
    return static_cast<int>(j);
}

namespace {

constexpr const char* k_form = "Restrictions must be of the form: &1 = ....;";

// What the validator of an expression needs to know.
struct ExpressionRules {
    int n = 0;
    bool test = false;                  // "=" ends the expression too
    int target = -1;                    // the restricted parameter, or -1
    const ParameterRestrictions* set = nullptr;  // restricted parameters known so far
};

class Compiler {
public:
    explicit Compiler(CompileMessages& messages) : m_messages(messages) {}

    bool fail(const std::string& message, int line) {
        m_messages.add(message + " on line " + std::to_string(line));
        return false;
    }

    // Scans text into m_tokens; false after reporting a scan error.
    bool scan(std::u16string_view text) {
        std::string error;
        if (scan_expression_text(text, m_tokens, error)) return true;
        report_error(error.c_str());
        m_messages.add(error);
        return false;
    }

    // Checks the expression at c up to its terminator (left unread).
    bool validate(TokenCursor& c, const ExpressionRules& rules) {
        int depth = 0;
        bool operand = true;  // an operand is expected next
        for (;;) {
            const char16_t t = c.peek();
            const int line = c.line();
            if (t == u';' || (rules.test && t == u'=')) {
                if (depth != 0) return fail("Unbalanced ()", line);
                if (operand) return fail("Unexpected token", line);
                return true;
            }
            c.next();
            if (t == u')' && depth == 0) return fail("Unbalanced ()", line);
            if (operand) {
                if (t == u'(') {
                    if (++depth > k_max_nesting) return fail("Expression nested too deeply", line);
                } else if (t == k_tok_param) {
                    if (!reference(c, rules)) return false;
                    operand = false;
                } else if (t == k_tok_number) {
                    operand = false;
                } else if (t != u'+' && t != u'-') {
                    return fail("Unexpected token", line);
                }
            } else if (t == u')') {
                --depth;
            } else if (t == u'+' || t == u'-' || t == u'*' || t == u'/' || t == u'^') {
                operand = true;
            } else {
                return fail("Unexpected token", line);
            }
        }
    }

    // The whole number after "&" into j, and its line.
    bool parameter_number(TokenCursor& c, int& j, int& line) {
        if (c.peek() != k_tok_number) return fail("Missing constant", c.line());
        c.next();
        line = c.line();
        if (c.text().find_first_of(u"EeDd.") != std::u16string_view::npos)
            return fail("Parameter number must be integer", line);
        j = parameter_index(c.text());
        return true;
    }

    // A parameter reference on a right-hand side, after its "&".
    bool reference(TokenCursor& c, const ExpressionRules& rules) {
        int j = 0, line = 0;
        if (!parameter_number(c, j, line)) return false;
        if (j >= rules.n) return fail("Invalid parameter: &" + std::to_string(j), line);
        if (rules.target >= 0 && j >= rules.target && rules.set->restricted(j))
            return fail("Cannot access higher restricted parameter", line);
        return true;
    }

    // The stream of the expression from `from` to c's terminator: a start
    // code, a marker of the line it begins on, its tokens, ";" and the end.
    static TokenStream copy_expression(const char16_t* from, int line, const TokenCursor& c) {
        TokenStream s{k_tok_start};
        append_line_marker(s, line);
        s.insert(s.end(), from, c.position());
        s.push_back(u';');
        s.push_back(k_tok_end);
        return s;
    }

    bool expect(TokenCursor& c, char16_t code) {
        if (c.peek() == code) {
            c.next();
            return true;
        }
        return fail(std::string("Missing ") + static_cast<char>(code), c.line());
    }

    // One statement "&i = expression;" after its "&".
    bool restriction(TokenCursor& c, ParameterRestrictions& set) {
        int i = 0, line = 0;
        if (!parameter_number(c, i, line)) return false;
        if (i >= set.n) return fail("Cannot constrain parameter", line);
        if (!expect(c, u'=')) return false;
        const char16_t* from = c.position();
        const int from_line = c.line();
        if (!validate(c, {set.n, false, i, &set})) return false;
        if (set.restricted(i)) return fail("Constraint on parameter " + std::to_string(i) + " defined twice", line);
        set.streams[static_cast<std::size_t>(i)] = copy_expression(from, from_line, c);
        c.next();  // the ";"
        return true;
    }

    // "start = v, -v, ..." after "start"; an optional ";" ends it.
    bool starting_values(TokenCursor& c, ParameterRestrictions& set) {
        if (!expect(c, u'=')) return false;
        set.has_start = true;
        for (;;) {
            const bool negative = c.peek() == u'-';
            if (negative) c.next();
            if (c.peek() != k_tok_number) {
                if (negative) return fail("Missing constant", c.line());
                break;
            }
            c.next();
            const double v = number_token_value(c.text());
            set.start.push_back(negative ? -v : v);
            if (c.peek() != u',') break;
            c.next();
        }
        if (c.peek() == u';') c.next();
        return true;
    }

    int compile_parameters(std::u16string_view text, int n, ParameterRestrictions& set) {
        if (n <= 0) {
            m_messages.add("No parameters to restrict");
            return -1;
        }
        if (n > k_max_parameters) {
            m_messages.add("Too many parameters to restrict");
            return -1;
        }
        if (!scan(text)) return -1;
        set.n = n;
        set.streams.resize(static_cast<std::size_t>(n));
        TokenCursor c(m_tokens.data());
        if (c.next() != k_tok_start) return fail("Missing Start of code", c.line()), -1;
        while (c.peek() == k_tok_param) {
            c.next();
            if (!restriction(c, set)) return m_messages.add(k_form), -1;
        }
        // Now that every restricted parameter is known, no restriction may
        // use one that is computed after it.
        for (int i = 0; i < n; ++i) {
            if (!set.restricted(i)) continue;
            TokenCursor s(set.streams[static_cast<std::size_t>(i)].data());
            s.next();
            if (!validate(s, {n, false, i, &set})) return -1;
        }
        TokenCursor probe = c;
        if (probe.next() == k_tok_ident && probe.text() == u"start") {
            c = probe;
            if (!starting_values(c, set)) return -1;
        }
        if (c.peek() != k_tok_end) {
            fail("Unexpected token", c.line());
            return m_messages.add(k_form), -1;
        }
        set.free_count = 0;
        for (int i = 0; i < n; ++i) set.free_count += !set.restricted(i);
        if (set.has_start && static_cast<int>(set.start.size()) < set.free_count) {
            m_messages.add("Not enough starting values supplied");
            return -1;
        }
        for (const TokenStream& s : set.streams) set.programs.push_back(s.empty() ? ExpressionProgram() : translate_expression(s));
        return set.free_count;
    }

    int compile_tests(std::u16string_view text, int n, TestRestrictions& set) {
        if (n > k_max_parameters) {
            m_messages.add("Too many parameters to restrict");
            return 0;
        }
        if (!scan(text)) return 0;
        set.n = n;
        TokenCursor c(m_tokens.data());
        if (c.next() != k_tok_start) return fail("Missing Start of code", c.line()), 0;
        for (;;) {
            const char16_t t = c.peek();
            if (t != u'+' && t != u'-' && t != k_tok_param && t != k_tok_number && t != u'(') break;
            if (set.count() + 1 >= n) return fail("Too many restrictions", c.line()), 0;
            const char16_t* from = c.position();
            const int from_line = c.line();
            if (!validate(c, {n, true, -1, nullptr})) return 0;
            TokenStream s = copy_expression(from, from_line, c);
            if (!expect(c, u'=')) return 0;
            if (c.next() != k_tok_number || number_token_value(c.text()) != 0) return fail("Expected 0", c.line()), 0;
            if (!expect(c, u';')) return 0;
            set.programs.push_back(translate_expression(s));
            set.streams.push_back(std::move(s));
        }
        return set.count();
    }

private:
    CompileMessages& m_messages;
    TokenStream m_tokens;
};

}  // namespace

int compile_parameter_restrictions(std::u16string_view text, int n, ParameterRestrictions& set,
                                   CompileMessages& messages) {
    set.clear();
    messages.clear();
    const int result = Compiler(messages).compile_parameters(text, n, set);
    if (result < 0) set.clear();
    return result;
}

int compile_test_restrictions(std::u16string_view text, int n, TestRestrictions& set, CompileMessages& messages) {
    set.clear();
    messages.clear();
    const int m = Compiler(messages).compile_tests(text, n, set);
    if (m == 0) set.clear();
    return m;
}

ParameterRestrictions& parameter_restrictions() {
    static ParameterRestrictions set;
    return set;
}

TestRestrictions& test_restrictions() {
    static TestRestrictions set;
    return set;
}

CompileMessages& compile_messages() {
    static CompileMessages messages;
    return messages;
}

}  // namespace kj::data
