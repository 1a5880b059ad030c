// Labels and goto: at most 40 labels per function, each with its index and
// the chain of forward gotos waiting for it. A jump out of a serial block is
// an error ("block must be closed").
#include "compiler/parser.h"

namespace kj::compiler {

namespace {

Label* find_label(Parser& p, const std::string& name) {
    for (Label& l : p.unit.fn.labels)
        if (l.name == name) return &l;
    return nullptr;
}

Label* add_label(Parser& p, const std::string& name) {
    if (static_cast<int>(p.unit.fn.labels.size()) >= k_max_labels) {
        report(p, D_TooManyLabels, name);
        return nullptr;
    }
    p.unit.fn.labels.push_back({name, -1, 0, 0});
    return &p.unit.fn.labels.back();
}

}  // namespace

// goto identifier ";"
void goto_statement(Parser& p) {
    if (tok(p) != T_Identifier) {
        expect(p, T_Identifier);
        return;
    }
    const std::string name = cur(p).text;
    advance(p);
    expect(p, T_Semicolon);
    jump_to_label(p, name);
}

void jump_to_label(Parser& p, const std::string& name) {
    Label* l = find_label(p, name);
    if (!l) l = add_label(p, name);
    if (!l) return;
    if (l->at >= 0) {
        if (p.unit.fn.serial > l->serial) report(p, D_BlockNotClosed, "serial");
        emit_plain(p, Op::Jmp, l->at);
        return;
    }
    l->chain = emit_jump(p, Op::Jmp, l->chain);
    p.pending_gotos.push_back({name, p.unit.fn.serial});
}

// identifier ":" has been read
void define_label(Parser& p, const std::string& name) {
    Label* l = find_label(p, name);
    if (l && l->at >= 0) {
        report(p, D_DuplicateLabel, name);
        return;
    }
    if (!l) l = add_label(p, name);
    if (!l) return;
    l->serial = p.unit.fn.serial;
    l->at = mark_label(p);
    patch_chain(l->chain, l->at);
    l->chain = 0;
    for (auto it = p.pending_gotos.begin(); it != p.pending_gotos.end();) {
        if (it->label != name) {
            ++it;
            continue;
        }
        if (it->serial > p.unit.fn.serial) report(p, D_BlockNotClosed, "serial");
        it = p.pending_gotos.erase(it);
    }
}

void check_labels(Parser& p) {
    for (const Label& l : p.unit.fn.labels)
        if (l.at < 0) report(p, D_UndefinedLabel, l.name);
    p.unit.fn.labels.clear();
    p.pending_gotos.clear();
}

}  // namespace kj::compiler
