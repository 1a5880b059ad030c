// The code image as the dispatch loop runs it: one slot per instruction, with
// the address of the handler to jump to beside the operand and the opcode.
// Common instruction sequences get the handler of the whole sequence in the
// slot of their first instruction; the other slots keep their own handlers,
// so a jump into the middle of a sequence runs it instruction by instruction.
#pragma once

#include <atomic>
#include <cstdint>

#include "link/code_image.h"

namespace kj::vm {

struct Slot {
    const void* handler;
    int32_t operand;
    int32_t op;
};
static_assert(sizeof(Slot) == 16);

// Operators that run fused with the load of an int argument or local and an
// int constant, named as in the scalar operator table.
#define KJ_FUSED_OPERATORS(X) X(Plus) X(Minus) X(Times) X(Lt) X(Le) X(Gt) X(Ge) X(Eq) X(Ne)
constexpr int k_fused_operators = 9;
// The fused operator's index for an operator token code, -1 for the others.
int fused_operator(int token);
// Binary operators of the scalar table, each with a handler of its own.
constexpr int k_binary_operators = 26;
// The index in the scalar table of a binary operator token, -1 for the others.
int binary_operator(int token);
// Unary operators of the scalar table, each with a handler of its own.
constexpr int k_unary_operators = 7;
int unary_operator(int token);

// Handler addresses, supplied by the dispatch loop.
struct Handlers {
    const void* by_opcode[256];          // by an opcode's low byte
    const void* push_global;             // PSH then LOD
    const void* loop_back;               // back-edge JMP of a canonical for loop
    const void* append_local;            // OPR ~, SBP b
    const void* transposed_product;      // OPR ', PBP b or PAP a or PSH LOD g, OPR *
    const void* checked_push;            // a push in code read from a file
    const void* checked_reach;           // a pop or read below the top in it
    const void* checked_push_reach;      // both
    const void* checked_return;          // RET in code read from a file
    const void* checked_jump;            // JST in code read from a file
    const void* argument_operator[k_fused_operators];  // PAP a, PSH c, OPR op
    const void* local_operator[k_fused_operators];     // PBP b, PSH c, OPR op
    const void* binary_operator[k_binary_operators];   // OPR op
    // Sequences of compiled code only (code read from a file keeps the
    // checks of each instruction):
    const void* argument_binary[k_binary_operators];   // PAP a, OPR op
    const void* local_binary[k_binary_operators];      // PBP b, OPR op
    const void* binary_to_local[k_binary_operators];   // OPR op, SBP b, POP 0
    const void* unary_operator[k_unary_operators];     // OPR op
    const void* argument_unary[k_unary_operators];     // PAP a, OPR op
    const void* local_unary[k_unary_operators];        // PBP b, OPR op
    const void* argument_branch[k_fused_operators];    // PAP a, PSH c, OPR op, [NUM], JMF/JMT, each way a POP 0
    const void* local_branch[k_fused_operators];       // PBP b, PSH c, OPR op, [NUM], JMF/JMT, each way a POP 0
    const void* line_loop_back;                        // NUM, back-edge JMP
    const void* line_return;                           // NUM, RET
    const void* prepare_local_store;                   // XRS, LBP b
    // PBP b, a simple expression, OPR op, SBP b, POP 0: the PBP is skipped
    // and the OPR's handler combines the local with the expression in place.
    const void* skipped_load;
    const void* accumulate[k_binary_operators];
};

// What the check before an instruction of code read from a file holds it to
// (link::stack_effect): the records it pushes beyond what it pops, and the
// records at and below the top it reads, overwrites or pops, all of which
// must lie above its function's locals.
struct CheckedReach {
    int growth;
    int reach;
};
CheckedReach checked_reach(const link::Instr* code, int i, int n);

// A checked slot's opcode carries this flag, so that handlers which look
// ahead and jump straight to the next instruction's own handler (a line
// marker on to a RET, an operator on to a CAL) leave it to go through its
// check. Handlers that read a slot's opcode take it with opcode_of.
constexpr int32_t k_checked_op = 0x100;
inline int32_t opcode_of(const Slot& s) { return s.op & 0xff; }
// A function entry's slot (ELF) carries in these bits how many slots a call
// outside debug mode goes past: the ELF and an INT 0 after it, which do
// nothing there.
constexpr int k_entry_skip_shift = 16;
inline int32_t entry_skip(const Slot& s) { return s.op >> k_entry_skip_shift; }

// The slots of the current code image, made again when the image has changed
// since the last call; two EXT slots follow the last instruction. When the
// image holds code read from files, a second row of as many slots follows:
// for each instruction given a checked handler, the handler it runs after the
// check (a fused sequence's included), with its growth as the operand and its
// reach less one, in bytes, as the opcode (for a JST, the function's code
// [operand, opcode) that it may jump to), at the distance ThreadedState::checked.
const Slot* translate_code(const Handlers& h);

struct ThreadedState {
    const Slot* slots = nullptr;
    uint64_t generation = 0;
    int32_t checked = 0;  // distance of the row of handlers behind checked slots
    // Dispatch loops running on the thread that runs main, in a cache line of
    // its own (the fields above are read by every loop, on every thread).
    alignas(64) std::atomic<int> depth{0};
    bool retired = false; // replaced slot arrays wait for depth 0
};
extern ThreadedState g_threaded;
void free_retired_slots();

inline const Slot* threaded_code(const Handlers& h) {
    if (g_threaded.slots && g_threaded.generation == link::code_generation()) return g_threaded.slots;
    return translate_code(h);
}

// Marks a dispatch loop as running: slot arrays replaced meanwhile (by code
// compiled while a run is stopped, say) stay valid until the outermost loop
// has left. The loops of a parallel loop's workers are not counted: they run
// while the loop that started them is counted, and counting them would make
// every iteration write a line that every core reads.
class ThreadedRun {
public:
    explicit ThreadedRun(bool counted) : m_counted(counted) {
        if (m_counted) ++g_threaded.depth;
    }
    ~ThreadedRun() {
        if (m_counted && --g_threaded.depth == 0 && g_threaded.retired) free_retired_slots();
    }
    ThreadedRun(const ThreadedRun&) = delete;
    ThreadedRun& operator=(const ThreadedRun&) = delete;

private:
    bool m_counted;
};

}  // namespace kj::vm
