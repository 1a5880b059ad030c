// The emitter: appends instructions to the code image with the peepholes of
// the compiler, keeps forward-jump chains in the operands of pending jumps and
// marks jump targets, past which no peephole looks back.
#pragma once

#include <string>

#include "link/code_image.h"

namespace kj::compiler {

struct Parser;

using link::Op;

// Appends op (the compiler's emit); returns the index of the instruction that holds it (a merge
// returns the index of the merged instruction). A full image is fatal (code 2).
// Peepholes after the last jump target: PSH followed by LAP, LBP or LTI
// becomes PAP, PBP or PSH; PSH n followed by OPR "Unary -" becomes PSH -n;
// with optimisation on, an operator applied to literal operands is folded.
int gen(Parser& p, Op op, int operand = 0);
// Appends without any peephole.
int emit_plain(Parser& p, Op op, int operand = 0);

int code_here();
link::Instr& instr(int index);
// The current position becomes a jump target; returns it.
int mark_label(Parser& p);
// The current barrier, and putting back one read earlier (only after the
// code above it was truncated away again).
int barrier(Parser& p);
void restore_barrier(Parser& p, int at);

// Forward jumps: the operand of a pending jump holds the previous jump of its
// chain; 0 ends a chain (address 0 is never a jump target).
int emit_jump(Parser& p, Op op, int chain = 0);
// Joins two chains into one; returns its head. Only b is walked: a chain
// grown by joining one new jump at a time is built in linear time.
int join_chains(int a, int b);
void patch_chain(int head, int target);
// Patches the chain to the current position, which becomes a jump target.
void patch_here(Parser& p, int head);

// Constant folding of the operator just requested (constant_folding.cpp):
// true when the operands' instructions were replaced by the result.
bool fold_operator(Parser& p, int code, int barrier);

// One line per instruction from..to-1: mnemonic and operand.
std::string listing(int from, int to);

}  // namespace kj::compiler
