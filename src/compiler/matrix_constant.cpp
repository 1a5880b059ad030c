// Matrix constants "<" ... ">" and the constant expressions of their
// elements, enum values and dimensions, evaluated at compile time.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <cstdlib>
#include <limits>
#include <vector>

#include "compiler/nesting_limit.h"
#include "compiler/parser.h"
#include "compiler/scanner.h"
#include "link/literals.h"
#include "link/symbols.h"
#include "runtime/alloc.h"
#include "value/value.h"

namespace kj::compiler {

namespace {

using CV = ConstValue;

CV make_int(int32_t i) { return CV{true, i, 0}; }
CV make_double(double d) { return CV{false, 0, d}; }

// The constant value of a named constant; false when the name is not one.
bool named_constant(Parser& p, const std::string& name, CV& out) {
    int k = find_global(p, name);
    if (k < 0 && p.unit.fn.cls >= 0) k = link::find_symbol(std::string(link::symbol_at(p.unit.fn.cls).name) + "::" + name);
    if (k < 0) return false;
    const value::Value& v = link::symbol_at(k).val;
    if (!value::has_flag(v, value::k_const)) return false;
    if (value::type_of(v) == value::T_Int) out = make_int(v.u.ival);
    else if (value::type_of(v) == value::T_Double) out = make_double(v.u.dval);
    else return false;
    return true;
}

CV arithmetic(Parser& p, int op, const CV& a, const CV& b) {
    if (op == T_Slash) {
        if (b.as_double() == 0) {
            report(p, D_DivideByZero);
            return make_int(1);
        }
        return make_double(a.as_double() / b.as_double());
    }
    if (op == T_Caret) {
        const double r = std::pow(a.as_double(), b.as_double());
        if (a.is_int && b.is_int && b.i >= 0 && std::fabs(r) <= INT32_MAX) return make_int(static_cast<int32_t>(r));
        return make_double(r);
    }
    if (a.is_int && b.is_int) {
        const int64_t x = a.i, y = b.i;
        const int64_t r = op == T_Plus ? x + y : op == T_Minus ? x - y : x * y;
        return make_int(static_cast<int32_t>(static_cast<uint32_t>(r)));
    }
    const double x = a.as_double(), y = b.as_double();
    return make_double(op == T_Plus ? x + y : op == T_Minus ? x - y : x * y);
}

CV const_unary(Parser& p);

// const_primary -> int | double | hex double | char | "." | ".NaN" | ".Inf" | "(" const ")" | name
CV const_primary(Parser& p) {
    switch (tok(p)) {
        case T_IntLit: {
            const double d = std::strtod(cur(p).text.c_str(), nullptr);
            advance(p);
            if (d >= INT32_MIN && d <= INT32_MAX) return make_int(static_cast<int32_t>(d));
            return make_double(d);
        }
        case T_DoubleLit: {
            const double d = std::strtod(cur(p).text.c_str(), nullptr);
            advance(p);
            return make_double(d);
        }
        case T_HexDoubleLit: {
            const double d = hex_double_value(cur(p).text.c_str());
            advance(p);
            return make_double(d);
        }
        case T_Transpose: {
            read_char_constant();
            const int code = std::atoi(token_text());
            advance(p);
            return make_int(code);
        }
        case T_Dot:
            advance(p);
            if (tok(p) == T_Identifier && cur(p).text == "Inf") {
                advance(p);
                return make_double(std::numeric_limits<double>::infinity());
            }
            if (tok(p) == T_Identifier && cur(p).text == "NaN") advance(p);
            return make_double(std::numeric_limits<double>::quiet_NaN());
        case T_LParen: {
            advance(p);
            ConstValue v;
            constant_expression(p, v);
            expect(p, T_RParen);
            return v;
        }
        case T_Identifier: {
            std::string name = cur(p).text;
            advance(p);
            while (tok(p) == T_ColonColon) {
                advance(p);
                if (tok(p) != T_Identifier) break;
                name += "::" + cur(p).text;
                advance(p);
            }
            CV v;
            if (named_constant(p, name, v)) return v;
            report(p, D_MustBeConstant, name);
            return make_int(1);
        }
        default:
            report(p, D_MustBeIntOrDouble);
            if (tok(p) != T_Eof && tok(p) != T_Gt && tok(p) != T_Semicolon) advance(p);
            return make_int(0);
    }
}

// const_power -> const_primary [ "^" const_unary ]
CV const_power(Parser& p) {
    CV a = const_primary(p);
    if (!accept(p, T_Caret)) return a;
    return arithmetic(p, T_Caret, a, const_unary(p));
}

// const_unary -> ("-" | "+" | "!") const_unary | const_power
CV const_unary(Parser& p) {
    const NestingGuard level(p);
    if (!level.ok()) return make_int(0);
    if (accept(p, T_Minus)) {
        CV v = const_unary(p);
        return v.is_int ? make_int(static_cast<int32_t>(0u - static_cast<uint32_t>(v.i))) : make_double(-v.d);
    }
    if (accept(p, T_Plus)) return const_unary(p);
    if (accept(p, T_Not)) return make_int(const_unary(p).as_double() == 0 ? 1 : 0);
    return const_power(p);
}

// const_term -> const_unary { ("*" | "/") const_unary }
CV const_term(Parser& p) {
    CV a = const_unary(p);
    while (tok(p) == T_Star || tok(p) == T_Slash) {
        const int op = tok(p);
        advance(p);
        a = arithmetic(p, op, a, const_unary(p));
    }
    return a;
}

// The matrix being built: its rows as they are written (a row shorter than
// the widest is padded with zeros), the widest row and the last row. Every
// size is checked before it is stored: a constant larger than the machine
// can hold is "out of memory".
class MatrixBuilder {
public:
    explicit MatrixBuilder(Parser& p) : m_parser(p) {}

    // Room for n more elements of row r from column c on; false after the
    // report when the constant would not fit.
    bool reserve(int r, int64_t c, int64_t n) {
        const int64_t rows = std::max<int64_t>(m_rows, int64_t{r} + 1);
        const int64_t cols = std::max<int64_t>(m_cols, c + n);
        if (rows > INT32_MAX || cols > INT32_MAX ||
            runtime::payload_bytes(static_cast<uint64_t>(rows) * static_cast<uint64_t>(cols), sizeof(double)) == 0) {
            report(m_parser, D_OutOfMemory, "<" + std::to_string(rows) + " x " + std::to_string(cols) + ">");
            return false;
        }
        reach_row(r);
        std::vector<double>& row = m_cells[static_cast<std::size_t>(r)];
        // Only the room is made here; the caller writes the n elements.
        if (static_cast<int64_t>(row.capacity()) < c + n)
            row.reserve(static_cast<std::size_t>(std::max<int64_t>(c + n, static_cast<int64_t>(row.capacity()) * 3 / 2)));
        if (static_cast<int64_t>(row.size()) < c) row.resize(static_cast<std::size_t>(c), 0.0);
        if (c + n > m_cols) m_cols = static_cast<int>(c + n);
        return true;
    }
    // Element c of row r, which reserve made room for.
    void write(int r, int64_t c, double x) {
        std::vector<double>& row = m_cells[static_cast<std::size_t>(r)];
        if (static_cast<int64_t>(row.size()) == c) row.push_back(x);
        else row[static_cast<std::size_t>(c)] = x;
    }
    void put(int r, int64_t c, double x) {
        if (reserve(r, c, 1)) write(r, c, x);
    }
    // from + k * step for k < n, from column c on.
    void put_range(int r, int64_t c, int64_t n, double from, double step) {
        if (!reserve(r, c, n)) return;
        for (int64_t k = 0; k < n; ++k) write(r, c + k, from + static_cast<double>(k) * step);
    }
    void reach_row(int r) {
        if (r + 1 > m_rows) {
            m_rows = r + 1;
            m_cells.resize(static_cast<std::size_t>(m_rows));
        }
    }
    value::Value take() {
        value::Value v{};
        value::set_matrix(v, m_rows, m_cols);
        for (int i = 0; i < m_rows && m_cols > 0; ++i) {
            std::vector<double>& row = m_cells[static_cast<std::size_t>(i)];
            if (!row.empty()) std::memcpy(v.u.mat.m[i], row.data(), row.size() * sizeof(double));
            std::fill(v.u.mat.m[i] + row.size(), v.u.mat.m[i] + m_cols, 0.0);
            std::vector<double>().swap(row);
        }
        return v;
    }

private:
    Parser& m_parser;
    std::vector<std::vector<double>> m_cells;
    int m_rows = 0, m_cols = 0;
};

// The next column after a run; a run too long was reported already.
int clamp_column(int64_t c) { return c > INT32_MAX ? INT32_MAX : static_cast<int>(c); }

// One element (or run of elements) at row r, from column c on; returns the next column.
int matrix_element(Parser& p, MatrixBuilder& m, int r, int c) {
    if (accept(p, T_LBracket)) {
        const int n = dimension_value(p);
        if (accept(p, T_LBracket)) {
            // [i][j] = v: one element, placed without moving the position
            const int j = dimension_value(p);
            expect(p, T_Assign);
            ConstValue v;
            constant_expression(p, v);
            if (n < 0 || j < 0) report(p, D_DimensionTooSmall);
            else m.put(n, j, v.as_double());
            return j + 1;
        }
        expect(p, T_Star);
        ConstValue v;
        constant_expression(p, v);
        if (n < 1) report(p, D_DimensionTooSmall);
        if (n >= 1) m.put_range(r, c, n, v.as_double(), 0.0);
        return n >= 1 ? clamp_column(int64_t{c} + n) : c;
    }
    ConstValue a;
    constant_expression(p, a);
    if (!accept(p, T_Colon)) {
        m.put(r, c, a.as_double());
        return c + 1;
    }
    double step = 1;
    bool explicit_step = false;
    if (accept(p, T_LBracket)) {
        explicit_step = true;
        ConstValue s;
        constant_expression(p, s);
        expect(p, T_RBracket);
        step = s.as_double();
    }
    ConstValue b;
    constant_expression(p, b);
    const double from = a.as_double(), to = b.as_double();
    if (from > to && !explicit_step) step = -1;
    if (step == 0 || (to > from && step < 0) || (to < from && step > 0) || std::isnan(from) || std::isnan(to)) {
        report(p, D_InfiniteMatrix);
        return c;
    }
    const double n = std::floor((to - from) / step + 1e-10) + 1;
    if (!(n < 4e18)) {
        char text[40];
        std::snprintf(text, sizeof text, "<%g elements>", n);
        report(p, D_OutOfMemory, text);
        return c;
    }
    m.put_range(r, c, static_cast<int64_t>(n), from, step);
    return clamp_column(int64_t{c} + static_cast<int64_t>(n));
}

}  // namespace

bool constant_expression(Parser& p, ConstValue& out) {
    const int before = compile_error_count();
    CV a = const_term(p);
    while (tok(p) == T_Plus || tok(p) == T_Minus) {
        const int op = tok(p);
        advance(p);
        a = arithmetic(p, op, a, const_term(p));
    }
    out = a;
    return compile_error_count() == before;
}

int dimension_value(Parser& p) {
    ConstValue v;
    constant_expression(p, v);
    if (!v.is_int) report(p, D_MustBeInt);
    expect(p, T_RBracket);
    return v.is_int ? v.i : 1;
}

value::Value constant_value(Parser& p) {
    value::Value v{};
    if (tok(p) == T_StringLit) {
        value::set_string(v, cur(p).text);
        advance(p);
    } else if (accept(p, T_Lt)) {
        const int k = matrix_constant(p);
        if (k >= 0) value::duplicate(v, link::literal_at(k));
    } else {
        ConstValue c;
        constant_expression(p, c);
        v = c.is_int ? value::make_int(c.i) : value::make_double(c.d);
    }
    return v;
}

// matrix -> [ row { ";" row } ] ">"      row -> element { "," element }
int matrix_constant(Parser& p) {
    MatrixBuilder m(p);
    int r = 0, c = 0;
    if (!accept(p, T_Gt)) {
        for (;;) {
            if (accept(p, T_DotGt)) {
                m.put(r, c, std::numeric_limits<double>::quiet_NaN());
                break;
            }
            c = matrix_element(p, m, r, c);
            if (accept(p, T_Comma)) continue;
            if (accept(p, T_Semicolon)) {
                ++r;
                c = 0;
                m.reach_row(r);
                continue;
            }
            if (accept(p, T_Gt)) break;
            if (accept(p, T_DotGt)) {
                break;
            }
            report(p, D_MatrixSeparator);
            if (tok(p) == T_Eof) break;
            advance(p);
        }
    }
    value::Value v = m.take();
    const int k = link::add_literal(v);
    if (k < 0) report(p, D_ConstantBufferFull);
    return k;
}

}  // namespace kj::compiler
