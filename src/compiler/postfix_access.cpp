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
void start_chain(Expr& e) {
    const bool variable = e.place == Place::Local || e.place == Place::Arg || e.place == Place::Global;
    if (!variable && e.place != Place::Member && e.place != Place::MemberName) {
        load(e);
        e.chain = -1;
        return;
    }
    if (e.flags & k_serial) gen(Op::Lck, 0);
    if (e.place == Place::MemberName) {
        Expr name = e;
        load(name);  // object, name, placeholder; the LMR below is replaced
        link::code_truncate(code_here() - 1);
        e.chain = emit_plain(Op::Xrs, 1);
        emit_plain(Op::Lmr);
        return;
    }
    e.chain = emit_plain(Op::Xrs, 1);
    const Op op = e.place == Place::Local ? Op::Lbp
                  : e.place == Place::Arg ? Op::Lap
                  : e.place == Place::Global ? Op::Lod
                                             : Op::Lmp;
    emit_plain(op, e.index);
}

void index_bound() {
    expression_value();
    if (unit().array_base != 0) {
        gen(Op::Psh, unit().array_base);
        gen(Op::Opr, T_Minus);
    }
}

}  // namespace

// index -> "]" | expr "]" | [expr] ":" [expr] "]"
void index_suffix(Expr& e) {
    if (e.place == Place::Indexed) gen(Op::Xld);
    else start_chain(e);
    if (accept(T_RBracket)) {
        gen(Op::Opr, T_FullRange);
    } else {
        gen(Op::Psh, 0);
        if (tok() == T_Colon) gen(Op::Lti, 0);
        else index_bound();
        if (accept(T_Colon)) {
            gen(Op::Psh, 0);
            if (tok() == T_RBracket) gen(Op::Lti, KJ_RANGE_OPEN);
            else index_bound();
            gen(Op::Opr, T_Colon);
        }
        expect(T_RBracket);
    }
    e.place = Place::Indexed;
    e.function = false;
}

// index -> item { "," item } "]",  item -> "." | expr [ ":" expr ]
void gauss_index_suffix(Expr& e) {
    if (e.place == Place::Indexed) gen(e.one_based ? Op::Xgl : Op::Xld);
    else start_chain(e);
    for (;;) {
        gen(Op::Psh, 0);
        if (tok() == T_Dot) {
            advance();
            gen(Op::Lti, 0);  // index 0 selects everything
        } else {
            expression_value();
            if (accept(T_Colon)) {
                gen(Op::Psh, 0);
                expression_value();
                gen(Op::Opr, T_Colon);
            }
            // x[1 3 5, .]: blank-separated indices form one index vector.
            while (tok() == T_IntLit || tok() == T_DoubleLit || tok() == T_Identifier) {
                gen(Op::Psh, 0);
                expression_value();
                gen(Op::Opr, T_Bar);
            }
        }
        e.place = Place::Indexed;
        e.one_based = true;
        e.function = false;
        if (!accept(T_Comma)) break;
        gen(Op::Xgl);
    }
    expect(T_RBracket);
}

bool member_name(std::string& name) {
    if (accept(T_Tilde)) name.push_back('~');
    if (tok() != T_Identifier) {
        report(D_Expected, "<identifier>", tok());
        return false;
    }
    name += cur().text;
    advance();
    return true;
}

// member -> ["~"] identifier
void member_suffix(Expr& e) {
    if (e.place == Place::Class) report(D_ClassBeforeDot, e.name);
    const int cls = e.cls;
    load(e);
    std::string name;
    if (!member_name(name)) return;
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
        if (!find_member_function(cls, name)) report(D_UndeclaredMember, name);
    }
    e.place = Place::MemberName;
}

}  // namespace kj::compiler
