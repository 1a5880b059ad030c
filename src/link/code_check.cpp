#include "link/code_check.h"

#include <algorithm>
#include <utility>

#include "link/operands.h"
#include "link/stack_effect.h"

namespace kj::link {

namespace {

bool is(const Instr& in, Op op) { return in.op == static_cast<int32_t>(op); }
bool in_range(int32_t k, int32_t lo, int32_t hi) { return k >= lo && k < hi; }
bool in_range64(int64_t k, int64_t lo, int64_t hi) { return k >= lo && k < hi; }

// Arguments and locals that the code of one function may name.
struct Frame {
    int32_t params = 0;
    int32_t locals = 0;
};

bool operand_is_sound(const Instr& in, int32_t at, int32_t n, const Frame& f, int32_t main_locals,
                      const UnitBounds& b) {
    const int32_t k = in.operand;
    switch (operand_kind(in.op)) {
        case OperandKind::Jump: return in_range(k, 0, n);
        case OperandKind::CodeOffset: return in_range64(static_cast<int64_t>(at) + k, 0, n);
        case OperandKind::Symbol: return in_range(k, 0, b.symbols);
        case OperandKind::Literal: return in_range(k, 0, b.literals);
        case OperandKind::LocalName: return in_range(k, -k_max_frame_records, b.literals);  // -k forgets k local names
        case OperandKind::Line: return k >= 0;
        case OperandKind::Argument: return in_range(k, 0, f.params);
        case OperandKind::Local: return in_range(k, 0, f.locals);
        case OperandKind::MainLocal: return in_range(k, 0, main_locals);
        case OperandKind::LoopStep:
            return k >= 0 ? k < f.locals
                          : (k == k_for_foreach_step || k == k_for_canonical_foreach ||
                             k == k_for_canonical_foreach_parallel || k == k_for_canonical ||
                             k == k_for_canonical_parallel);
        case OperandKind::Count: case OperandKind::Index: return in_range(k, 0, k_max_frame_records);
        case OperandKind::Copies: return in_range(k, 0, 16);
        case OperandKind::StackOffset: return in_range(k, -16, 1);
        case OperandKind::ReturnKind: return in_range(k, -1, 2);
        case OperandKind::None: case OperandKind::Constant: case OperandKind::Operation: case OperandKind::Inline:
        case OperandKind::TypeCode:
            return true;
    }
    return false;
}

// The depth proof: from each entry, every path through the function's code
// is followed with the interval of depths (records above the frame base) an
// instruction may start at; where paths join the intervals join. An
// instruction may pop only records above the frame's floor (its locals; a
// lambda's record and frame marker), and each instruction's interval may
// widen only a few times: a path that pushes on every turn of a loop has no
// depth to prove.
class DepthProof {
public:
    explicit DepthProof(const std::vector<Instr>& code)
        : m_code(code.data()), m_n(static_cast<int32_t>(code.size())), m_depths(code.size()), m_back_edge(code.size(), -1) {
        // The back-edge JMP of a canonical for loop steps the loop: on to the
        // body or out at the loop's exit (the dispatch loop never takes its
        // own target).
        for (int32_t i = 0; i + 1 < m_n; ++i) {
            if (!is(m_code[i], Op::For) || (m_code[i].operand != k_for_canonical && m_code[i].operand != k_for_canonical_parallel))
                continue;
            if (!is(m_code[i + 1], Op::Jmp)) continue;
            const int32_t back = m_code[i + 1].operand - 1;
            if (back > i + 1 && back < m_n && is(m_code[back], Op::Jmp)) m_back_edge[static_cast<std::size_t>(back)] = i;
        }
    }

    // Proves the code reached from entry, inside [start, end), starting at
    // `depth` records, never pops into the lowest `floor` ones and has a
    // bounded depth. A lambda returns with RTL, a function with RET.
    bool holds(int32_t entry, int32_t start, int32_t end, int64_t depth, int64_t floor, bool lambda) {
        for (const int32_t at : m_touched) m_depths[static_cast<std::size_t>(at)] = Depths{};
        m_touched.clear();
        m_work.clear();
        m_start = start, m_end = end;
        if (!reach(entry, depth, depth)) return false;
        while (!m_work.empty()) {
            const int32_t at = m_work.back();
            m_work.pop_back();
            const Depths d = m_depths[static_cast<std::size_t>(at)];
            const Instr& in = m_code[at];
            const StackEffect e = stack_effect(m_code, at, m_n);
            if (!e.known) return false;
            // A lambda's return also removes its record and frame marker.
            const int64_t pops = is(in, Op::Rtl) ? e.pops - 2 : e.pops;
            if (pops > 0 && d.lo - pops < floor) return false;
            const int64_t lo = d.lo + e.change(), hi = d.hi + e.change();
            if (hi > k_max_depth) return false;
            switch (static_cast<Op>(in.op)) {
                case Op::Ext: break;
                case Op::Ret: if (lambda) return false; break;
                case Op::Rtl: if (!lambda) return false; break;
                case Op::Jst: return false;  // its target is a value on the stack
                case Op::Jmp: {
                    const int32_t loop = m_back_edge[static_cast<std::size_t>(at)];
                    if (loop < 0) {
                        if (!reach(in.operand, lo, hi)) return false;
                    } else if (!reach(loop + 2, lo, hi) || !reach(m_code[loop + 1].operand, lo, hi)) {
                        return false;
                    }
                    break;
                }
                case Op::Jmf: case Op::Jmt:
                    if (!reach(in.operand, lo, hi) || !reach(at + 1, lo, hi)) return false;
                    break;
                case Op::For:
                    if (in.operand == k_for_canonical || in.operand == k_for_canonical_parallel) {
                        // FOR, JMP to the exit, the body ending in the back edge.
                        if (at + 1 >= m_end || !is(m_code[at + 1], Op::Jmp) || m_code[at + 1].operand < 1 ||
                            m_back_edge[static_cast<std::size_t>(m_code[at + 1].operand - 1)] != at)
                            return false;
                        if (!reach(at + 1, lo, hi) || !reach(at + 2, lo, hi)) return false;
                        break;
                    }
                    [[fallthrough]];
                default:
                    if (!reach(at + e.span, lo, hi)) return false;
            }
        }
        return true;
    }

private:
    struct Depths {
        int64_t lo = 0, hi = -1;  // hi < lo: not reached yet
        int changes = 0;
    };
    static constexpr int k_max_changes = 8;
    static constexpr int64_t k_max_depth = 2 * int64_t{k_max_frame_records};

    bool reach(int32_t at, int64_t lo, int64_t hi) {
        if (!in_range(at, m_start, m_end)) return false;  // falls out of the function's code
        Depths& d = m_depths[static_cast<std::size_t>(at)];
        if (d.hi < d.lo) {
            d = Depths{lo, hi, 0};
            m_touched.push_back(at);
        } else {
            if (lo >= d.lo && hi <= d.hi) return true;
            if (++d.changes > k_max_changes) return false;
            d.lo = std::min(d.lo, lo);
            d.hi = std::max(d.hi, hi);
        }
        m_work.push_back(at);
        return true;
    }

    const Instr* m_code;
    int32_t m_n;
    std::vector<Depths> m_depths;
    std::vector<int32_t> m_back_edge;  // the canonical FOR of a back-edge JMP, or -1
    std::vector<int32_t> m_touched;
    std::vector<int32_t> m_work;
    int32_t m_start = 0, m_end = 0;
};

// A lambda's code lies inside the function that defines it, which jumps over
// it (as over a GAUSS procedure defined inside another); it reserves no frame
// of its own: a NOP holds the place of the reservation of its depth, or its
// entry jumps to that reservation, placed right after the lambda's RTL.
bool is_lambda_entry(const std::vector<Instr>& code, int32_t entry) {
    const auto n = static_cast<int32_t>(code.size());
    const auto at = [&](int32_t i) { return code[static_cast<std::size_t>(i)]; };
    if (entry < 1 || entry + 1 >= n || !is(at(entry - 1), Op::Jmp) || at(entry - 1).operand <= entry) return false;
    if (is(at(entry + 1), Op::Nop)) return true;
    const int32_t stub = at(entry + 1).operand;
    return is(at(entry + 1), Op::Jmp) && in_range(stub, 1, n) && is(at(stub - 1), Op::Rtl) &&
           locals_at_entry(code.data(), n, entry) == 0;
}

}  // namespace

int32_t locals_at_entry(const Instr* code, int32_t n, int32_t entry) {
    const int32_t at = entry + 1;
    if (!in_range(at, 0, n)) return -1;
    if (is(code[at], Op::Int)) return code[at].operand;
    if (!is(code[at], Op::Jmp)) return -1;
    const int32_t stub = code[at].operand;
    if (!in_range(stub, 0, n - 1) || !is(code[stub], Op::Int) || !is(code[stub + 1], Op::Pop)) return -1;
    return code[stub].operand - (code[stub + 1].operand + 1);
}

bool code_is_sound(const std::vector<Instr>& code, std::vector<FunctionFrame> functions, const UnitBounds& bounds) {
    const auto n = static_cast<int32_t>(code.size());
    for (const Instr& in : code)
        if (!is_known_opcode(in.op)) return false;
    std::sort(functions.begin(), functions.end(),
              [](const FunctionFrame& a, const FunctionFrame& b) { return a.entry < b.entry; });
    // Frames in code order; a lambda's code keeps the frame of the function around it.
    std::vector<std::pair<int32_t, Frame>> frames;
    std::vector<int32_t> lambdas;
    int32_t main_locals = 0;
    for (const FunctionFrame& fn : functions) {
        if (!in_range(fn.entry, 0, n)) return false;
        // A function may be listed twice (a class's member function and its
        // symbol): its code has the fewer parameters to name.
        if (!frames.empty() && frames.back().first == fn.entry) {
            if (fn.params < 0) return false;
            frames.back().second.params = std::min(frames.back().second.params, fn.params);
            continue;
        }
        if (!lambdas.empty() && lambdas.back() == fn.entry) continue;
        if (is_lambda_entry(code, fn.entry)) {
            lambdas.push_back(fn.entry);
            continue;
        }
        // A function reserves its locals at its entry.
        const int32_t locals = locals_at_entry(code.data(), n, fn.entry);
        if (locals < 0 || locals > k_max_frame_records || fn.params < 0 || fn.params > k_max_frame_records) return false;
        frames.push_back({fn.entry, Frame{fn.params, locals}});
        main_locals = std::max(main_locals, locals);
    }
    const auto end_of = [&](std::size_t next) { return next < frames.size() ? frames[next].first : n; };
    std::size_t next = 0;
    Frame frame;
    int32_t start = 0;   // the function's code: [start, end)
    for (int32_t at = 0; at < n; ++at) {
        if (next < frames.size() && frames[next].first <= at) start = at;
        while (next < frames.size() && frames[next].first <= at) frame = frames[next++].second;
        const int32_t end = end_of(next);
        const Instr& in = code[static_cast<std::size_t>(at)];
        if (!operand_is_sound(in, at, n, frame, main_locals, bounds)) return false;
        // Jumps and code addresses stay in the function: its argument and
        // local numbers mean nothing in another's frame.
        if (operand_kind(in.op) == OperandKind::Jump && !in_range(in.operand, start, end)) return false;
        if (operand_kind(in.op) == OperandKind::CodeOffset && !in_range64(static_cast<int64_t>(at) + in.operand, start, end))
            return false;
    }
    // Each function's code from its entry, each lambda's from its own (it
    // starts above its record, frame marker and the record its result
    // replaces), and code before the first function from its start.
    DepthProof proof(code);
    if (n > 0 && (frames.empty() || frames[0].first > 0) && !proof.holds(0, 0, end_of(0), 0, 0, false)) return false;
    for (std::size_t f = 0; f < frames.size(); ++f) {
        const int32_t entry = frames[f].first;
        if (!proof.holds(entry, entry, end_of(f + 1), 0, frames[f].second.locals, false)) return false;
    }
    for (const int32_t entry : lambdas) {
        const auto around = std::upper_bound(frames.begin(), frames.end(), entry,
                                             [](int32_t e, const std::pair<int32_t, Frame>& f) { return e < f.first; });
        const int32_t from = around == frames.begin() ? 0 : around[-1].first;
        const int32_t to = around == frames.end() ? n : around->first;
        if (!proof.holds(entry, from, to, 3, 2, true)) return false;
    }
    return true;
}

}  // namespace kj::link
