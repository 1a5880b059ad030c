// The GAUSS dialect of the compiler: the top-level loop of a GAUSS unit with
// its implicit main and procedures, GAUSS statements and commands, name
// resolution in the gauss:: namespace, GAUSS operators that are calls of
// support functions, brace matrix constants and one-based indexing.
//
// Every GAUSS name lives in the gauss:: namespace: a procedure f of a GAUSS
// program is the function "gauss::f", a global variable x is "gauss::x", and
// the support source (kjgauss.kj, written in Kj) defines the procedures that
// GAUSS programs call by the same names. Only the implicit main is "main".
#pragma once

#include <string>

#include "compiler/expr_descriptor.h"
#include "value/value.h"

namespace kj::compiler {

struct Parser;

// The declaration loop of a GAUSS unit, after the scanner was opened in the
// GAUSS dialect. Registers automatic imports for the procedures it calls and
// nobody defines.
void compile_gauss_declarations(Parser& p);

// One GAUSS statement inside main or a procedure.
void gauss_statement(Parser& p);

// Name resolution of the GAUSS dialect (locals are looked up by the caller).
void gauss_global_name(Parser& p, const std::string& name, Expr& e);
// &name: the procedure itself (or a local holding one), not called.
void gauss_function_reference(Parser& p, const std::string& name, Expr& e);
// The symbol of the gauss:: function `full` ("gauss::name"): defined,
// declared, a library function, or a new external declaration.
int gauss_function_symbol(Parser& p, const std::string& full);
// The name of a GAUSS proc (folded) in the namespace: "gauss::" + name.
std::string gauss_name(const std::string& name);

// Binary operators of the dialect that are calls of support functions, at
// their precedence level of the shared expression parser (0: none).
int gauss_operator_level(int tok);
// Compiles "left op right" where left is in the top record and op (already
// consumed) is a GAUSS operator; `right` compiles the right operand.
void gauss_binary_operator(Parser& p, int op, void (*right)(Parser& p, int level, Expr& e), int level);
// Postfix factorial "x!" on the value in the top record.
void gauss_factorial(Parser& p);

// After "{" in operand position: a matrix constant (blank-separated
// elements, rows separated by ","), loaded as a literal.
void gauss_brace_constant(Parser& p);
// Elements up to `close` (T_RBrace or T_Semicolon, not consumed) as one
// constant value: a matrix of the numbers; when any element is text, an array
// of all elements in row order (strings, and numbers as doubles), repeated
// or cut to `count` elements when count > 0. words_as_text: unquoted words
// are text (let statements, upper case).
value::Value gauss_constant_elements(Parser& p, int close, bool column, bool words_as_text, int64_t count = 0);

// Index chain after "[": comma-separated one-based indices, "." for all.
void gauss_index_suffix(Parser& p, Expr& e);

// Keyword procedures (called with the rest of their statement as a string).
void add_gauss_keyword(Parser& p, const std::string& name);
bool is_gauss_keyword(const std::string& name);
// A library catalog declared this function: no automatic import for it.
void add_gauss_catalog_name(Parser& p, const std::string& full);
bool is_gauss_catalog_name(Parser& p, const std::string& full);
// A name declared as an external function only because it was used that way:
// assigning to it makes it a variable instead.
void add_gauss_implicit_function(Parser& p, int symbol);
bool take_gauss_implicit_function(Parser& p, int symbol);

// Procedures defined by GAUSS units, and gauss:: functions defined in Kj (the
// support code: kjgauss.kj and its modules). As in GAUSS, a program's
// procedure replaces the library's of the same name: it takes over a support
// function defined before it, and a support function compiled after it is
// hidden, so that every call, the library's own included, reaches the
// procedure.
void add_gauss_procedure(Parser& p, int symbol);
bool is_gauss_procedure(Parser& p, int symbol);
void add_gauss_support_function(Parser& p, int symbol);
bool is_gauss_support_function(Parser& p, int symbol);

// Commands of the command table; true when `word` is one (tok(p) is still
// the identifier).
bool gauss_command(Parser& p, const std::string& word);
// "library name, ...": reads the catalogs (kjgauss/lib/name.lcg).
void gauss_library_catalogs(Parser& p, const std::string& names);

// The support source kjgauss.kj, compiled once per run in Kj (its imports
// resolved when resolve is set). False after errors.
bool compile_gauss_support(bool resolve);
// Forgets the support source and the dialect's tables (compiler reset).
void reset_gauss_state();

}  // namespace kj::compiler
