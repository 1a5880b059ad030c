// Labels and goto: at most 40 labels per function, each with its index and
// the chain of forward gotos waiting for it. A jump out of a serial block is
// an error ("block must be closed").
#include "compiler/parser.h"

namespace kj::compiler {

namespace {

Label* find_label(const std::string& name) {
    for (Label& l : fn().labels)
        if (l.name == name) return &l;
    return nullptr;
}

Label* add_label(const std::string& name) {
    if (static_cast<int>(fn().labels.size()) >= k_max_labels) {
        report(D_TooManyLabels, name);
        return nullptr;
    }
    fn().labels.push_back({name, -1, 0, 0});
    return &fn().labels.back();
}

}  // namespace

// goto identifier ";"
void goto_statement() {
    if (tok() != T_Identifier) {
        expect(T_Identifier);
        return;
    }
    const std::string name = cur().text;
    advance();
    expect(T_Semicolon);
    jump_to_label(name);
}

void jump_to_label(const std::string& name) {
    Label* l = find_label(name);
    if (!l) l = add_label(name);
    if (!l) return;
    if (l->at >= 0) {
        if (fn().serial > l->serial) report(D_BlockNotClosed, "serial");
        emit_plain(Op::Jmp, l->at);
        return;
    }
    l->chain = emit_jump(Op::Jmp, l->chain);
    parser().pending_gotos.push_back({name, fn().serial});
}

// identifier ":" has been read
void define_label(const std::string& name) {
    Label* l = find_label(name);
    if (l && l->at >= 0) {
        report(D_DuplicateLabel, name);
        return;
    }
    if (!l) l = add_label(name);
    if (!l) return;
    l->serial = fn().serial;
    l->at = mark_label();
    patch_chain(l->chain, l->at);
    l->chain = 0;
    for (auto it = parser().pending_gotos.begin(); it != parser().pending_gotos.end();) {
        if (it->label != name) {
            ++it;
            continue;
        }
        if (it->serial > fn().serial) report(D_BlockNotClosed, "serial");
        it = parser().pending_gotos.erase(it);
    }
}

void check_labels() {
    for (const Label& l : fn().labels)
        if (l.at < 0) report(D_UndefinedLabel, l.name);
    fn().labels.clear();
    parser().pending_gotos.clear();
}

}  // namespace kj::compiler
