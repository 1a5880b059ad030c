// Indexing and member access after an operand: index chains that end as a
// load (XLD) or a store (XST) once the parser knows which, and members
// reached by index (class known at compile time) or by name.
#include "compiler/gauss/gauss.h"
#include "compiler/parser.h"
#include "value/value.h"

namespace kj::compiler {

namespace {

// The first bracket of a chain: the indexed variable is loaded through XRS,
// which turns an int or double into a 1 by 1 matrix when a store follows;
// a load turns the XRS into NOP.
void start_chain(Parser& p, Expr& e) {
    const bool variable = e.place == Place::Local || e.place == Place::Arg || e.place == Place::Global;
    if (!variable && e.place != Place::Member && e.place != Place::MemberName) {
        load(p, e);
        e.chain = -1;
        return;
    }
    if (e.flags & k_serial) gen(p, Op::Lck, 0);
    if (e.place == Place::MemberName) {
        Expr name = e;
        load(p, name);  // object, name, placeholder; the LMR below is replaced
        link::code_truncate(code_here() - 1);
        e.chain = emit_plain(p, Op::Xrs, 1);
        emit_plain(p, Op::Lmr);
        return;
    }
    e.chain = emit_plain(p, Op::Xrs, 1);
    const Op op = e.place == Place::Local ? Op::Lbp
                  : e.place == Place::Arg ? Op::Lap
                  : e.place == Place::Global ? Op::Lod
                                             : Op::Lmp;
    emit_plain(p, op, e.index);
}

void index_bound(Parser& p) {
    expression_value(p);
    if (p.unit.array_base != 0) {
        gen(p, Op::Psh, p.unit.array_base);
        gen(p, Op::Opr, T_Minus);
    }
}

}  // namespace

// index -> "]" | expr "]" | [expr] ":" [expr] "]"
void index_suffix(Parser& p, Expr& e) {
    if (e.place == Place::Indexed) gen(p, Op::Xld);
    else start_chain(p, e);
    if (accept(p, T_RBracket)) {
        gen(p, Op::Opr, T_FullRange);
    } else {
        gen(p, Op::Psh, 0);
        if (tok(p) == T_Colon) gen(p, Op::Lti, 0);
        else index_bound(p);
        if (accept(p, T_Colon)) {
            gen(p, Op::Psh, 0);
            if (tok(p) == T_RBracket) gen(p, Op::Lti, KJ_RANGE_OPEN);
            else index_bound(p);
            gen(p, Op::Opr, T_Colon);
        }
        expect(p, T_RBracket);
    }
    e.place = Place::Indexed;
    e.function = false;
}

// index -> item { "," item } "]",  item -> "." | expr [ ":" expr ]
void gauss_index_suffix(Parser& p, Expr& e) {
    if (e.place == Place::Indexed) gen(p, e.one_based ? Op::Xgl : Op::Xld);
    else start_chain(p, e);
    for (;;) {
        gen(p, Op::Psh, 0);
        if (tok(p) == T_Dot) {
            advance(p);
            gen(p, Op::Lti, 0);  // index 0 selects everything
        } else {
            expression_value(p);
            if (accept(p, T_Colon)) {
                gen(p, Op::Psh, 0);
                expression_value(p);
                gen(p, Op::Opr, T_Colon);
            }
            // x[1 3 5, .]: blank-separated indices form one index vector.
            while (tok(p) == T_IntLit || tok(p) == T_DoubleLit || tok(p) == T_Identifier) {
                gen(p, Op::Psh, 0);
                expression_value(p);
                gen(p, Op::Opr, T_Bar);
            }
        }
        e.place = Place::Indexed;
        e.one_based = true;
        e.function = false;
        if (!accept(p, T_Comma)) break;
        gen(p, Op::Xgl);
    }
    expect(p, T_RBracket);
}

bool member_name(Parser& p, std::string& name) {
    if (accept(p, T_Tilde)) name.push_back('~');
    if (tok(p) != T_Identifier) {
        report(p, D_Expected, "<identifier>", tok(p));
        return false;
    }
    name += cur(p).text;
    advance(p);
    return true;
}

// member -> ["~"] identifier
void member_suffix(Parser& p, Expr& e) {
    if (e.place == Place::Class) report(p, D_ClassBeforeDot, e.name);
    const int cls = e.cls;
    load(p, e);
    std::string name;
    if (!member_name(p, name)) return;
    e = Expr{};
    e.name = name;
    if (cls >= 0) {
        uint32_t flags = 0;
        const int m = find_data_member(cls, name, &flags, nullptr);
        if (m >= 0) {
            e.place = Place::Member;
            e.index = m;
            e.flags = flags;
            return;
        }
        if (!find_member_function(cls, name)) report(p, D_UndeclaredMember, name);
    }
    e.place = Place::MemberName;
}

}  // namespace kj::compiler
