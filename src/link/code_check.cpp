#include "link/code_check.h"

#include <algorithm>
#include <utility>

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

// Records an instruction may push (an upper bound).
int64_t pushes(const Instr& in) {
    switch (static_cast<Op>(in.op)) {
        case Op::Psh: case Op::Pap: case Op::Pbp: case Op::Mvl: return 1;
        case Op::Dup: case Op::Int: return in.operand;
        default: return 0;
    }
}

bool operand_is_sound(const Instr& in, int32_t at, int32_t n, const Frame& f, int32_t main_locals,
                      const UnitBounds& b) {
    const int32_t k = in.operand;
    switch (static_cast<Op>(in.op)) {
        case Op::Jmp: case Op::Jmf: case Op::Jmt: return in_range(k, 0, n);
        case Op::Lip: return in_range64(static_cast<int64_t>(at) + k, 0, n);
        case Op::Lod: case Op::New: case Op::Sto: return in_range(k, 0, b.symbols);
        case Op::Lit: case Op::Elf: return in_range(k, 0, b.literals);
        case Op::Elt: return in_range(k, -k_max_frame_records, b.literals);  // -k forgets k local names
        case Op::Num: return k >= 0;                                         // a line number
        case Op::Pap: case Op::Lap: case Op::Sap: return in_range(k, 0, f.params);
        case Op::Pbp: case Op::Mvl: case Op::Lbp: case Op::Sbp: case Op::Sbz: return in_range(k, 0, f.locals);
        case Op::Lbm: case Op::Sbm: return in_range(k, 0, main_locals);
        case Op::For: return k >= 0 ? k < f.locals : (k >= -3 || k == -12 || k == -13);
        case Op::Int: case Op::Pop: case Op::Cal: case Op::Cam: return in_range(k, 0, k_max_frame_records);
        case Op::Dup: return in_range(k, 0, 16);
        case Op::Jst: return in_range(k, -16, 1);
        case Op::Ret: case Op::Rtl: return in_range(k, -1, 2);
        case Op::Xmv: case Op::Lmp: case Op::Smp: return in_range(k, 0, k_max_frame_records);
        default: return true;
    }
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
    int32_t main_locals = 0;
    for (const FunctionFrame& fn : functions) {
        if (!in_range(fn.entry, 0, n)) return false;
        const int32_t locals = locals_at_entry(code.data(), n, fn.entry);
        if (locals < 0) continue;
        if (locals > k_max_frame_records || fn.params < 0 || fn.params > k_max_frame_records) return false;
        frames.push_back({fn.entry, Frame{fn.params, locals}});
        main_locals = std::max(main_locals, locals);
    }
    std::size_t next = 0;
    Frame frame;
    int64_t pushed = 0;  // records the function's code pushed so far, at most
    int32_t start = 0;   // the function's code: [start, end)
    for (int32_t at = 0; at < n; ++at) {
        if (next < frames.size() && frames[next].first <= at) pushed = 0, start = at;
        while (next < frames.size() && frames[next].first <= at) frame = frames[next++].second;
        const int32_t end = next < frames.size() ? frames[next].first : n;
        const Instr& in = code[static_cast<std::size_t>(at)];
        if (!operand_is_sound(in, at, n, frame, main_locals, bounds)) return false;
        // Jumps and code addresses stay in the function: its argument and
        // local numbers mean nothing in another's frame.
        if ((is(in, Op::Jmp) || is(in, Op::Jmf) || is(in, Op::Jmt)) && !in_range(in.operand, start, end)) return false;
        if (is(in, Op::Lip) && !in_range64(static_cast<int64_t>(at) + in.operand, start, end)) return false;
        // A call's callee and arguments were pushed by this function's own code.
        if ((is(in, Op::Cal) || is(in, Op::Cam)) && in.operand >= pushed) return false;
        pushed += pushes(in);
    }
    return true;
}

}  // namespace kj::link
