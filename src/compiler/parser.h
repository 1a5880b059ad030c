// Internal interface of the parser and code generator: the Parser, which
// holds everything one compilation changes (the scanner, the token stream
// with one token of look-ahead, the state of the unit and of the function
// being compiled), and the parse functions the files of this folder share.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "compiler/compiler.h"
#include "compiler/diagnostics.h"
#include "compiler/emitter.h"
#include "compiler/expr_descriptor.h"
#include "compiler/scanner_state.h"
#include "compiler/session.h"
#include "compiler/tokens.h"
#include "value/value.h"

namespace kj::compiler {

struct Parser;

// --- token stream (token_stream.cpp) ---------------------------------------

struct Token {
    int tok = T_Eof;
    std::string text;
    int line = 0;
    int column = -1;  // bytes from the line's start; -1 when not known
};

const Token& cur(Parser& p);
int tok(Parser& p);  // cur(p).tok
void advance(Parser& p);
bool accept(Parser& p, int t);   // consumes cur when it is t
bool expect(Parser& p, int t);   // consumes it or reports code 6 with t's name
int peek();                      // the token after cur, not consumed
int last_line(Parser& p);        // line of the last consumed token
int tokens_consumed(Parser& p);  // tokens consumed so far (progress checks)

// --- function and unit state (compiler_state.cpp) ---------------------------

constexpr int k_max_loops = 40;
constexpr int k_max_labels = 40;
constexpr uint32_t k_serial = 0x80000u;

struct Local {
    std::string name;
    int slot;
    bool arg;
    uint32_t flags;  // k_const, k_serial
    int depth;       // block depth of the declaration
    int lambda;      // lambda nesting level it belongs to (0: the function)
};

struct Label {
    std::string name;
    int at = -1;      // instruction index once defined
    int chain = 0;    // forward gotos
    int serial = 0;   // serial-block depth at the definition
};

// One entry per enclosing loop or switch: break and continue chains.
struct LoopEntry {
    bool is_switch = false;
    int breaks = 0;
    int continues = 0;
    int serial = 0;   // serial-block depth at the loop
    std::size_t locals = 0;  // locals declared outside the loop
};

struct FunctionState {
    bool active = false;
    int symbol = -1;
    std::string name;
    int cls = -1;                 // class symbol of a member function
    bool is_static = false;
    bool is_ctor = false;
    bool is_dtor = false;
    bool varargs = false;
    int args = 0;                 // argument slots (hidden ones included)
    std::vector<Local> locals;
    int depth = 0;                // block depth
    int next_slot = 0;
    int max_slots = 0;
    int int_at = -1;              // the INT that reserves the locals
    std::vector<Label> labels;
    int lambda = 0;               // lambda nesting (0 or 1)
    bool names_slots = true;      // ELT names each local for the debugger
    int serial = 0;               // serial-block depth
    int parallel = 0;             // parallel loops entered
    std::vector<std::string> captured;  // locals a lambda body uses
    std::vector<int> gosub_sites; // GAUSS: return points of gosub, by number
    int gosub_returns = 0;        // GAUSS: chain of jumps to the return dispatch
    bool lambdas = false;         // a lambda was defined: no local is moved
    std::vector<int> moved_locals;  // the MVL instructions emitted so far
    std::vector<std::pair<int, int>> last_uses;  // bare local arguments (instruction, slot) to follow
};

struct UnitState {
    FunctionState fn;
    bool interactive = false;     // compiling interactive commands (implicit locals, slot limit)
    int local_limit = k_interactive_locals;        // interactive: slots beyond it are code 60
    std::vector<LoopEntry> loops;
    std::string ns;               // namespace being declared ("" outside)
    int array_base = 0;
    int stdlib = 0;
    int file_literal = 0;         // source file name of the function being compiled
    bool test_expression = false; // an assignment here draws warning 80
    int multiple_assign = 0;
    bool implicit_target = false; // a lone name as multiple-assignment target (interactive locals)
    int class_being_declared = -1;
};

// The parser's view of the scanner (token_stream.cpp).
struct TokenStream {
    Token cur;
    int last_line = 0;
    int consumed = 0;
    int space_nesting = 0;  // open ( and [ while blanks are tokens
};

// The statement whose locals may move into a call (move_local.cpp).
struct MovedLocals {
    int call = -1;                             // the call compiled last
    std::vector<std::pair<int, int>> args;     // its arguments' instructions [from, to)
    std::vector<std::pair<int, int>> statement_locals;  // bare local arguments (instruction, slot)
    int statement_value = -1;   // the PSH that receives the statement's value
    int statement_tokens = -1;  // tokens consumed before the statement's expression
};

// A forward goto waiting for its label, with the serial-block depth it came from.
struct PendingGoto {
    std::string label;
    int serial;
};

// The implicit main of a GAUSS unit (gauss_unit.cpp).
struct GaussMain {
    bool active = false;
    int file_literal = 0;
};

// One compilation: a source being scanned and compiled into the code image,
// with the session it belongs to.
struct Parser {
    explicit Parser(Session& s) : session(s) {}
    Parser(const Parser&) = delete;
    Parser& operator=(const Parser&) = delete;

    Session& session;
    ScanState scan;
    TokenStream tokens;
    UnitState unit;
    MovedLocals moved;
    int barrier = 0;          // no peephole touches instructions below this index
    int postfix_undo = -1;    // where the last post-increment's undo starts
    std::vector<PendingGoto> pending_gotos;
    int nesting = 0;          // levels of NestingGuard entered
    int line_override = 0;    // line of the next diagnostic when not the scanner's
    GaussMain gauss_main;
};

// The parser of the compilation running on this thread: the one a
// ParserScope installed, else the thread's own parser of the library session.
// Only the compiler's entry points (compiler.h, scanner.h, preprocessor.h)
// look it up; every function below them receives it as a parameter.
Parser& parser();

// Makes p the parser of this thread while the scope lasts (the previous one
// comes back after it).
class ParserScope {
public:
    explicit ParserScope(Parser& p);
    ~ParserScope();
    ParserScope(const ParserScope&) = delete;
    ParserScope& operator=(const ParserScope&) = delete;

private:
    Parser* m_previous;
};
// The file literal of the current source file.
int source_file_literal();
// The index of a string literal with this text (added when new).
int name_literal(const std::string& text);

// Locals: lookup from the innermost declaration; declare takes a free slot.
Local* find_local(Parser& p, const std::string& name);
int declare_local(Parser& p, const std::string& name, uint32_t flags);
// Block scope: leave releases (SBZ) the locals declared deeper than the new depth.
void enter_block(Parser& p);
void leave_block(Parser& p);
// ELT -k before a jump out of blocks: the debugger forgets the names of the
// locals declared from `outer` on (a break or continue skips the block ends).
void forget_local_names(Parser& p, std::size_t outer);
// After a lambda's code: its slots, from `first` on, are named (hidden) in the
// frame that defines it.
void name_lambda_slots(Parser& p, int first);
// A hidden local for compiler temporaries ("$t1", the switch value).
int hidden_local(Parser& p, const std::string& name);
// Interactive compilation: an unknown name being assigned (followed by "=",
// or alone as a multiple-assignment target) becomes a new local.
bool implicit_local_allowed(Parser& p);

// --- expressions (expr_parser.cpp, storage.cpp, calls.cpp, names.cpp) --------

void comma_expression(Parser& p, Expr& e);
void assignment_expression(Parser& p, Expr& e);
void conditional_expression(Parser& p, Expr& e);
void unary_expression(Parser& p, Expr& e);
// An assignment expression loaded into the top record.
void expression_value(Parser& p);
// A comma expression loaded into the top record (statements, tests).
void comma_value(Parser& p);
// After an expression statement: a post-increment's unused result is not restored.
void discard_postfix_value(Parser& p);
// Code was moved: the last post-increment's position no longer holds.
void forget_postfix_value(Parser& p);

void load(Parser& p, Expr& e);
// Left-value checks and the code before the right side of "=" (compound:
// the current value is loaded too). False after reporting.
bool store_begin(Parser& p, Expr& e, bool compound);
void store_end(Parser& p, Expr& e);
// &e: the address of a storage object replaces the top record.
void take_reference(Parser& p, Expr& e);
// ++e / --e in place; the new value stays in the top record.
void increment(Parser& p, Expr& e, int op);

// Locals handed to a call (move_local.cpp). A statement's value is pushed by
// begin_statement_value; an expression that is the statement's whole value
// begins where statement_value_here gives that PSH (else -1); call_suffix
// notes each argument's instructions; after `local = call(...)` an argument
// that is the local itself becomes MVL where that is safe. keep_moved_locals
// turns the function's MVL back into PBP when it defines a lambda.
void begin_statement_value(Parser& p);
int statement_value_here(Parser& p);
void note_call_arguments(Parser& p, int call, std::vector<std::pair<int, int>> args);
void move_assigned_local(Parser& p, const Expr& target, int statement);
void keep_moved_locals(Parser& p);
// After a statement's expression: its bare local arguments named once in it
// are kept; at the function's end (its code from `from` on) those that are
// not read again before a store or return become MVL.
void end_statement_value(Parser& p);
void move_last_uses(Parser& p, int from);
// return x; for a local x (its value pushed from `value` on): the value moves
// out of the frame that is being left instead of being copied.
void move_returned_local(Parser& p, int value);

// Index chain after "[": the target is loaded (XRS form) on the first bracket.
void index_suffix(Parser& p, Expr& e);
// Call after "(": the callee is e.
void call_suffix(Parser& p, Expr& e);
// ["~"] identifier of a member (or destructor) name, appended to name.
bool member_name(Parser& p, std::string& name);
// Member access after "." or "->".
void member_suffix(Parser& p, Expr& e);
// Resolves an identifier (already consumed, text in name) into e.
void resolve_name(Parser& p, const std::string& name, Expr& e);
// Global symbol k named `name` into e (a variable, function or class).
void global_symbol_place(int k, const std::string& name, Expr& e);
// A global by name (inside a namespace first namespace::name); -1 when absent.
int find_global(Parser& p, const std::string& name);
// An external declaration for a library function (or an inline one), which
// the linker binds to the library table; -1 when the library has no such name.
int declare_library_function(Parser& p, const std::string& name);
// ns::name, Class::member after the first part.
void qualified_name(Parser& p, std::string name, Expr& e);

// Matrix constants and constant expressions (matrix_constant.cpp).
// After "<": the constant up to ">", added as a literal; returns its index.
int matrix_constant(Parser& p);
// A scalar constant expression (int or double); false after reporting.
struct ConstValue {
    bool is_int = true;
    int32_t i = 0;
    double d = 0;
    double as_double() const { return is_int ? i : d; }
};
bool constant_expression(Parser& p, ConstValue& out);
// A constant value of a declaration: string, matrix constant or number (owned).
value::Value constant_value(Parser& p);
// "[" int constant "]" has begun: the dimension, "]" consumed (1 when not an int).
int dimension_value(Parser& p);
// Loads a literal int or double into the top record (LTI, LTD or LIT).
void emit_number(Parser& p, double d, bool is_int);

// --- statements and declarations --------------------------------------------

void statement(Parser& p);
void block_body(Parser& p);                         // statements up to "}" (consumed)
void test_expression(Parser& p);                    // "(" expr ")": value on the stack
void compile_declarations(Parser& p);               // the declaration loop until <eof>
void pragma_directive(Parser& p);                   // after the pragma token
void import_directive(const std::string& name);     // the import token's name
void local_declaration(Parser& p, uint32_t flags);  // after decl
// After enum: int constants named prefix + name, numbered from 0.
void enum_declaration(Parser& p, const std::string& prefix);
// True when a body followed (a definition), false for a declaration.
bool function_definition(Parser& p, const std::string& name, uint32_t qualifiers, const std::string& binding);
void class_declaration(Parser& p, bool is_struct);
void lambda_expression(Parser& p, Expr& e);    // after "[" when "=" or "&" follows
void multiple_assignment(Parser& p, Expr& e);  // after "[" otherwise
// Targets up to `close` ("]", or "}" in GAUSS), "=", expression; value in the top record.
void multiple_targets(Parser& p, bool declare, int close = T_RBracket);
void switch_statement(Parser& p, bool single);
void goto_statement(Parser& p);
void jump_to_label(Parser& p, const std::string& name);  // JMP to the label, forward or back
void define_label(Parser& p, const std::string& name);
void check_labels(Parser& p);  // at the end of a function

// Loops (loops.cpp).
bool push_loop(Parser& p, bool is_switch);  // false after "too many nested loops"
void pop_loop(Parser& p, int break_target, int continue_target);
void break_statement(Parser& p);
void continue_statement(Parser& p);
void for_statement(Parser& p, bool parallel);
void foreach_statement(Parser& p, bool parallel);
void loop_statement(Parser& p, int t);  // while and do, after the keyword

// NUM markers: before a test, return or loop jump (line) and after a simple statement.
void line_marker(Parser& p, int line);
void statement_end_marker(Parser& p);

// Function bodies (functions.cpp): after "{", compiles to "}" and finishes.
void function_body(Parser& p);

// --- classes (classes.cpp) --------------------------------------------------

// The class a function named "Class::member" belongs to.
struct MemberContext {
    int cls = -1;
    bool is_static = false;
    bool is_ctor = false;
    bool is_dtor = false;
    std::string member;
};
MemberContext member_context(Parser& p, const std::string& name, uint32_t qualifiers);
// A member function's symbol was declared or defined (sym: its global symbol).
void member_declared(const MemberContext& m, const std::string& name);
void member_defined(Parser& p, const MemberContext& m, const std::string& name, int sym);
// Puts a function value in symbol k (releasing what it held) or, for k < 0,
// in a new symbol `name`; returns the symbol number (-1 when the table is full).
int define_function_symbol(Parser& p, int k, const std::string& name, value::Value v);
bool is_class_symbol(int sym);
// Member lookup in a class and its bases: data member index or -1.
int find_data_member(int cls, const std::string& name, uint32_t* flags, int* owner);
// Member function lookup: true when the class (or a base) declares it; the
// declaring class in *owner.
bool find_member_function(int cls, const std::string& name, bool* is_static = nullptr, int* owner = nullptr);
// The global symbol "Owner::member" of a member function, declared external
// when its definition has not been compiled yet; -1 when the class has no
// such member function.
int member_function_symbol(Parser& p, int owner, const std::string& member);
// Puts the declaration of its class back into symbol k of a member function
// that is being defined again.
void redeclare_member_function(int k, int owner, const std::string& member);
// new Name(args)
void new_expression(Parser& p, Expr& e);
void delete_expression(Parser& p, Expr& e);

}  // namespace kj::compiler
