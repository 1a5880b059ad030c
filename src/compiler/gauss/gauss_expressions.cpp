// Expressions of the GAUSS dialect: names in the gauss:: namespace, declared
// on first use; the string, logical and division operators compiled as calls
// of support functions; factorial; brace matrix constants.
#include <cmath>
#include <cstdlib>
#include <set>
#include <vector>

#include "compiler/gauss/gauss.h"
#include "compiler/parser.h"
#include "compiler/scanner.h"
#include "compiler/token_names.h"
#include "link/function_table.h"
#include "link/literals.h"
#include "link/symbols.h"

namespace kj::compiler {

namespace {

GaussNames& names(Parser& p) { return p.session.gauss; }

struct OperatorCall {
    const char* function;
    int relation;  // third argument, -1: none
    int level;
};

OperatorCall operator_call(int t) {
    if (t >= T_G_DollarLt && t <= T_G_DollarNe) return {"gauss::__opdollar__", t - T_G_DollarLt, 10};
    if (t >= T_G_DotDollarLt && t <= T_G_DotDollarNe) return {"gauss::__opdollardot__", t - T_G_DotDollarLt, 8};
    switch (t) {
        case T_G_DollarPlus: return {"gauss::__opstrplus__", -1, 13};
        case T_G_DollarTilde: return {"gauss::__opstrarrayhcat__", -1, 12};
        case T_G_DollarBar: return {"gauss::__opstrarrayvcat__", -1, 11};
        case T_G_Xor: return {"gauss::__opdotxor__", -1, 5};
        case T_G_XorWord: return {"gauss::__opxor__", -1, 5};
        case T_G_Eqv: return {"gauss::__opdoteqv__", -1, 5};
        case T_G_EqvWord: return {"gauss::__opeqv__", -1, 5};
        case T_Slash: return {"gauss::__opdivide__", -1, 14};
        case T_Percent:
        case T_G_StarTilde: return {nullptr, -1, 14};  // operators of the engine
        default: return {nullptr, -1, 0};
    }
}

// The callee goes below the left operand: [left] -> [f, left].
void callee_below_top(Parser& p, const char* function) {
    gen(p, Op::Psh, 0);
    gen(p, Op::Lod, gauss_function_symbol(p, function));
    gen(p, Op::Exc);
}

bool is_op(int at, Op op) { return instr(at).op == static_cast<int32_t>(op); }

// The right operand compiled at [from, code_here()) is a number literal.
bool number_literal(int from) {
    const int n = code_here() - from;
    if (n == 1) return is_op(from, Op::Psh);
    if (n != 2 || !is_op(from, Op::Psh) || instr(from).operand != 0) return false;
    if (is_op(from + 1, Op::Ltd)) return true;
    if (!is_op(from + 1, Op::Lit)) return false;
    const uint32_t t = value::type_of(link::literal_at(instr(from + 1).operand));
    return t == value::T_Double || t == value::T_Int;
}

}  // namespace

std::string gauss_name(const std::string& name) { return "gauss::" + name; }

void add_gauss_keyword(Parser& p, const std::string& name) { names(p).keywords.insert(name); }
bool is_gauss_keyword(const std::string& name) { return names(parser()).keywords.count(name) != 0; }
void add_gauss_catalog_name(Parser& p, const std::string& full) { names(p).catalog_names.insert(full); }
bool is_gauss_catalog_name(Parser& p, const std::string& full) { return names(p).catalog_names.count(full) != 0; }
void add_gauss_implicit_function(Parser& p, int symbol) { names(p).implicit_functions.insert(symbol); }
bool take_gauss_implicit_function(Parser& p, int symbol) { return names(p).implicit_functions.erase(symbol) != 0; }

void add_gauss_procedure(Parser& p, int symbol) { names(p).procedures.insert(symbol); }
bool is_gauss_procedure(Parser& p, int symbol) { return names(p).procedures.count(symbol) != 0; }
void add_gauss_support_function(Parser& p, int symbol) { names(p).support_functions.insert(symbol); }
bool is_gauss_support_function(Parser& p, int symbol) { return names(p).support_functions.count(symbol) != 0; }


int gauss_function_symbol(Parser& p, const std::string& full) {
    int k = link::find_symbol(full);
    if (k < 0) k = declare_library_function(p, full);
    if (k >= 0) return k;
    value::FuncInfo* info = link::new_function_info("$" + full, 0, false);
    value::Value f = link::make_function(0, info, true);
    f.type |= value::k_extern | KJ_FLAG_GLOBAL;
    k = link::add_symbol(full, f);
    if (k < 0) report(p, D_SymbolTableFull);
    // A definition in Kj support code replaces this declaration silently.
    else p.session.header_declared.insert(k);
    return k;
}

void gauss_global_name(Parser& p, const std::string& name, Expr& e) {
    const std::string full = gauss_name(name);
    int k = link::find_symbol(full);
    if (k < 0) k = declare_library_function(p, full);
    if (k >= 0 && tok(p) == T_Assign && take_gauss_implicit_function(p, k)) {
        // Used as a procedure before, assigned now: it is a variable.
        value::Value& v = link::symbol_at(k).val;
        value::release(v);
        v = value::make_int(0);
        v.type |= KJ_FLAG_GLOBAL;
    }
    if (k < 0) {
        const int t = tok(p);
        if (t == T_Comma || t == T_Assign || t == T_LBracket || t == T_RBrace) {
            value::Value v = value::make_int(0);
            v.type |= KJ_FLAG_GLOBAL;
            k = link::add_symbol(full, v);
            if (k < 0) {
                report(p, D_SymbolTableFull);
                return;
            }
        } else {
            k = gauss_function_symbol(p, full);
            if (k < 0) return;
            add_gauss_implicit_function(p, k);
        }
    }
    global_symbol_place(k, full, e);
    if (e.function && tok(p) != T_LParen) {
        // A procedure named without parentheses is called without arguments.
        load(p, e);
        gen(p, Op::Cal, 0);
        e = Expr{};
    }
}

void gauss_function_reference(Parser& p, const std::string& name, Expr& e) {
    e = Expr{};
    e.name = name;
    if (const Local* l = find_local(p, name)) {
        e.place = l->arg ? Place::Arg : Place::Local;
        e.index = l->slot;
        return;
    }
    const std::string full = gauss_name(name);
    const int k = gauss_function_symbol(p, full);
    if (k >= 0) global_symbol_place(k, full, e);
}

int gauss_operator_level(int t) { return operator_call(t).level; }

void gauss_binary_operator(Parser& p, int op, void (*right)(Parser& p, int level, Expr& e), int level) {
    const OperatorCall call = operator_call(op);
    if (!call.function) {
        gen(p, Op::Psh, 0);
        Expr r;
        right(p, level, r);
        load(p, r);
        gen(p, Op::Opr, op);
        return;
    }
    const int callee = code_here();
    callee_below_top(p, call.function);
    const int operand = code_here();
    gen(p, Op::Psh, 0);
    Expr r;
    right(p, level, r);
    load(p, r);
    if (op == T_Slash && number_literal(operand)) {
        // Division by a number is element-wise: no call needed.
        std::vector<link::Instr> code;
        for (int i = operand; i < code_here(); ++i) code.push_back(instr(i));
        link::code_truncate(callee);
        for (const link::Instr& in : code) gen(p, static_cast<Op>(in.op), in.operand);
        gen(p, Op::Opr, T_Slash);
        return;
    }
    int args = 2;
    if (call.relation >= 0) {
        gen(p, Op::Psh, call.relation);
        ++args;
    }
    gen(p, Op::Cal, args);
}

void gauss_factorial(Parser& p) {
    callee_below_top(p, "factorial");
    gen(p, Op::Cal, 1);
}

namespace {

// One element of a constant: a number, or text (a string or, in let
// statements, an unquoted word).
struct ConstantElement {
    double number = 0;
    bool text = false;
    std::string str;
};

// Text with numbers among it: an array of the elements in row order, strings
// and numbers each as read; `count` > 0 repeats (or cuts) them to that many.
value::Value mixed_constant(const std::vector<std::vector<ConstantElement>>& rows, int64_t count) {
    std::vector<const ConstantElement*> all;
    for (const auto& r : rows)
        for (const ConstantElement& e : r) all.push_back(&e);
    const int64_t n = count > 0 && !all.empty() ? count : static_cast<int64_t>(all.size());
    value::Value v{};
    value::set_array(v, n);
    for (int64_t i = 0; i < n; ++i) {
        const ConstantElement& e = *all[static_cast<std::size_t>(i) % all.size()];
        if (e.text) value::set_string(v.u.arr.v[i], e.str);
        else v.u.arr.v[i] = value::make_double(e.number);
    }
    return v;
}

}  // namespace

value::Value gauss_constant_elements(Parser& p, int close, bool column, bool words_as_text, int64_t count) {
    std::vector<std::vector<ConstantElement>> rows(1);
    bool text = false;
    for (;;) {
        while (tok(p) == T_Space) advance(p);
        const int t = tok(p);
        if (t == close || t == T_Eof || (close == T_RBrace && t == T_Semicolon)) break;
        if (t == T_Comma) {
            rows.emplace_back();
            advance(p);
            continue;
        }
        double sign = 1;
        if (t == T_Minus || t == T_Plus) {
            sign = t == T_Minus ? -1 : 1;
            advance(p);
            while (tok(p) == T_Space) advance(p);
        }
        ConstantElement e;
        switch (tok(p)) {
            case T_IntLit:
            case T_DoubleLit: e.number = sign * std::strtod(cur(p).text.c_str(), nullptr); break;
            case T_HexDoubleLit: e.number = sign * hex_double_value(cur(p).text.c_str()); break;
            case T_Dot: e.number = std::nan(""); break;
            case T_StringLit:
                e.text = true;
                e.str = cur(p).text;
                break;
            case T_Identifier:
                if (words_as_text) {
                    e.text = true;
                    e.str = cur(p).text;
                    for (char& c : e.str) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
                } else {
                    report(p, D_MustBeConstant, cur(p).text);
                    e.number = 1;
                }
                break;
            default:
                report(p, D_OutOfPlace, token_name(tok(p)));
                advance(p);
                continue;
        }
        text = text || e.text;
        rows.back().push_back(std::move(e));
        advance(p);
    }
    if (text) return mixed_constant(rows, count);
    value::Value v{};
    if (rows.size() == 1 && rows[0].empty()) {
        value::set_matrix(v, 0, 0);
        return v;
    }
    std::size_t c = 0;
    for (const auto& r : rows) c = std::max(c, r.size());
    for (const auto& r : rows)
        if (r.size() != c) {
            // {1 2, 3}: every row needs the same number of elements.
            report(p, D_WrongElementCount);
            break;
        }
    if (column && rows.size() == 1) {
        value::set_matrix_zero(v, static_cast<int64_t>(c), 1);
        for (std::size_t i = 0; i < c; ++i) v.u.mat.m[i][0] = rows[0][i].number;
        return v;
    }
    value::set_matrix_zero(v, static_cast<int64_t>(rows.size()), static_cast<int64_t>(c));
    for (std::size_t i = 0; i < rows.size(); ++i)
        for (std::size_t j = 0; j < rows[i].size(); ++j) v.u.mat.m[i][j] = rows[i][j].number;
    return v;
}

void gauss_brace_constant(Parser& p) {
    const bool spaces = space_token_on();
    set_space_token(true);
    advance(p);
    value::Value v = gauss_constant_elements(p, T_RBrace, false, false);
    set_space_token(spaces);
    // The table owns the constant before any report can end the compilation.
    const int k = link::add_literal(v);
    if (k < 0) {
        value::release(v);
        report(p, D_ConstantBufferFull);
    }
    expect(p, T_RBrace);
    gen(p, Op::Lit, k);
}

}  // namespace kj::compiler
