#include "compiler/emitter.h"

#include <climits>

#include "runtime/settings.h"
#include "compiler/diagnostics.h"
#include "compiler/parser.h"
#include "compiler/tokens.h"

namespace kj::compiler {

namespace {
bool is(const link::Instr& in, Op op) { return in.op == static_cast<int32_t>(op); }
}  // namespace

int emit_plain(Parser& p, Op op, int operand) {
    const int at = link::emit(op, operand);
    if (at < 0) report(p, D_CodeBufferFull);
    return at;
}

int gen(Parser& p, Op op, int operand) {
    const int n = link::code_size();
    const int limit = barrier(p);
    if (n > limit && n > 0) {
        link::Instr& last = link::code_at(n - 1);
        if (is(last, Op::Psh)) {
            switch (op) {
                case Op::Lap: last = {static_cast<int32_t>(Op::Pap), operand}; return n - 1;
                case Op::Lbp: last = {static_cast<int32_t>(Op::Pbp), operand}; return n - 1;
                case Op::Lti: last.operand = operand; return n - 1;
                case Op::Opr:
                    if (operand == T_UnaryMinus && last.operand != INT_MIN) {
                        last.operand = -last.operand;
                        return n - 1;
                    }
                    break;
                default: break;
            }
        }
        if (op == Op::Opr && runtime::settings().optimize && fold_operator(p, operand, limit))
            return link::code_size() - 1;
    }
    return emit_plain(p, op, operand);
}

int code_here() { return link::code_size(); }
link::Instr& instr(int index) { return link::code_at(index); }

int mark_label(Parser& p) {
    p.barrier = link::code_size();
    return p.barrier;
}

int barrier(Parser& p) { return p.barrier; }
void restore_barrier(Parser& p, int at) { p.barrier = at; }

int emit_jump(Parser& p, Op op, int chain) { return emit_plain(p, op, chain); }

int join_chains(int a, int b) {
    if (a == 0) return b;
    if (b == 0) return a;
    int last = b;
    while (link::code_at(last).operand != 0) last = link::code_at(last).operand;
    link::code_at(last).operand = a;
    return b;
}

void patch_chain(int head, int target) {
    while (head > 0) {
        link::Instr& in = link::code_at(head);
        const int next = in.operand;
        in.operand = target;
        head = next;
    }
}

void patch_here(Parser& p, int head) { patch_chain(head, mark_label(p)); }

std::string listing(int from, int to) {
    std::string out;
    for (int i = from; i < to && i < link::code_size(); ++i) {
        const link::Instr& in = link::code_at(i);
        out += link::mnemonic(in.op);
        out += ' ';
        out += std::to_string(in.operand);
        out += '\n';
    }
    return out;
}

}  // namespace kj::compiler
