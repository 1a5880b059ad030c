#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "link/code_check.h"
#include "link/operands.h"

namespace {

using kj::link::code_is_sound;
using kj::link::FunctionFrame;
using kj::link::Instr;
using kj::link::Op;
using kj::link::UnitBounds;

Instr in(Op op, int operand = 0) { return Instr{static_cast<int32_t>(op), operand}; }

// f(a, b) with two locals: ELF, INT 2, then the body; a lambda inside it and
// a second function g() whose reservation lies after its code.
std::vector<Instr> unit() {
    return {
        in(Op::Elf, 1), in(Op::Int, 2), in(Op::Psh), in(Op::Lap, 1), in(Op::Sbp, 1), in(Op::Pop, 0),  // 0-5
        in(Op::Jmp, 11), in(Op::Elf, 1), in(Op::Nop), in(Op::Lbp, 1), in(Op::Rtl, 1),                  // 6-10
        in(Op::Ret, 0),                                                                                 // 11
        in(Op::Elf, 1), in(Op::Jmp, 17), in(Op::Psh), in(Op::Lbp, 99), in(Op::Ret, 1),                 // 12-16
        in(Op::Int, 200), in(Op::Pop, 99), in(Op::Jmp, 14),                                             // 17-19
    };
}

const std::vector<FunctionFrame> k_functions = {{0, 2}, {7, 0}, {12, 0}};
const UnitBounds k_bounds{3, 2};

TEST(CodeCheck, SoundUnitPasses) { EXPECT_TRUE(code_is_sound(unit(), k_functions, k_bounds)); }

// The unit with one instruction replaced.
struct Damage {
    const char* what;
    int at;
    Instr bad;
};

template <std::size_t N>
void expect_each_rejected(const Damage (&cases)[N]) {
    for (const Damage& c : cases) {
        std::vector<Instr> code = unit();
        code[static_cast<std::size_t>(c.at)] = c.bad;
        EXPECT_FALSE(code_is_sound(code, k_functions, k_bounds)) << c.what;
    }
}

TEST(CodeCheck, EveryOperandStaysInsideWhatItNames) {
    const Damage cases[] = {
        {"jump past the end", 6, in(Op::Jmp, 20)},
        {"jump before the start", 6, in(Op::Jmf, -1)},
        {"argument beyond the parameters", 3, in(Op::Lap, 2)},
        {"negative argument", 3, in(Op::Sap, -1)},
        {"local beyond the frame", 4, in(Op::Sbp, 2)},
        {"moved local beyond the frame", 3, in(Op::Mvl, 2)},
        {"lambda local beyond its function's frame", 9, in(Op::Lbp, 2)},
        {"local beyond a reserved frame", 15, in(Op::Lbp, 100)},
        {"literal beyond the unit's", 0, in(Op::Elf, 2)},
        {"symbol beyond the unit's", 3, in(Op::Lod, 3)},
        {"load of no symbol", 3, in(Op::Lod, -1)},
        {"store to no symbol", 4, in(Op::Sto, -1)},
        {"object of no class", 3, in(Op::New, -1)},
        {"negative line number", 2, in(Op::Num, -1)},
        {"line number that negates past the int range", 2, in(Op::Num, INT32_MIN)},
        {"more local names forgotten than a frame holds", 2, in(Op::Elt, INT32_MIN)},
        {"unknown opcode", 2, Instr{127, 0}},
        {"negative opcode", 2, Instr{-5, 0}},
        {"frame of absurd size", 1, in(Op::Int, 1 << 24)},
        {"negative pop", 5, in(Op::Pop, -3)},
        {"code address outside the code", 3, in(Op::Lip, 100)},
        {"jump into another function", 6, in(Op::Jmp, 14)},
        {"jump back into another function", 18, in(Op::Jmt, 4)},
        {"code address in another function", 15, in(Op::Lip, -10)},
        {"return kind", 11, in(Op::Ret, 5)},
        {"foreach slot beyond the frame", 2, in(Op::For, 2)},
        {"unknown loop kind", 2, in(Op::For, -7)},
        {"copies beyond a few", 2, in(Op::Dup, 16)},
    };
    expect_each_rejected(cases);
}

TEST(CodeCheck, AMovedLocalIsAPushedArgument) {
    std::vector<Instr> code = unit();
    code[3] = in(Op::Mvl, 0);
    code[5] = in(Op::Cal, 1);  // the callee pushed by PSH, its argument by MVL
    EXPECT_TRUE(code_is_sound(code, k_functions, k_bounds));
}

TEST(CodeCheck, FunctionEntriesAndParametersAreChecked) {
    EXPECT_FALSE(code_is_sound(unit(), {{0, 2}, {20, 0}}, k_bounds));
    EXPECT_FALSE(code_is_sound(unit(), {{0, -1}}, k_bounds));
    // A function that reserves no frame at its entry.
    EXPECT_FALSE(code_is_sound(unit(), {{0, 2}, {3, 0}}, k_bounds));
    // Code outside every function has no frame to name.
    std::vector<Instr> code = {in(Op::Psh), in(Op::Lap, 0), in(Op::Ext)};
    EXPECT_FALSE(code_is_sound(code, {}, k_bounds));
    code[1] = in(Op::Lod, 0);
    EXPECT_TRUE(code_is_sound(code, {}, k_bounds));
}

// The depth every instruction starts at is proved from the function's entry:
// nothing pops into the locals (or a lambda's record and frame marker), and
// no path grows the stack without bound.
TEST(CodeCheck, StackDepthIsProved) {
    const Damage cases[] = {
        {"pop into the locals", 5, in(Op::Pop, 1)},
        {"load with nothing pushed: it would overwrite a local", 2, in(Op::Nop)},
        {"call of more records than the function pushed", 5, in(Op::Cal, 4)},
        {"member call of more records than the function pushed", 2, in(Op::Cam, 2)},
        {"indexed store of three records with two pushed", 4, in(Op::Xst)},
        {"copies of more records than pushed", 4, in(Op::Dup, 3)},
        {"operator of two operands with one pushed", 4, in(Op::Opr, 99)},
        {"lambda return without its value", 9, in(Op::Pop, 0)},
        {"function return in a lambda", 10, in(Op::Ret, 1)},
        {"lambda return in a function", 11, in(Op::Rtl, 0)},
        {"return of a value not pushed", 11, in(Op::Ret, 1)},
        {"jump to an address on the stack", 4, in(Op::Jst, 0)},
        {"address of what is no variable", 3, in(Op::Adr)},
        {"foreach step without its set-up", 4, in(Op::For, kj::link::k_for_foreach_step)},
        {"canonical loop without its jump to the exit", 4, in(Op::For, kj::link::k_for_canonical)},
        {"code that runs off the function's end", 11, in(Op::Nop)},
    };
    expect_each_rejected(cases);
}

TEST(CodeCheck, ALambdaMayReserveItsDepthAfterItsReturn) {
    // f jumps over the lambda, whose entry jumps to the reservation of its
    // depth placed after its RTL, which leads back into its body.
    std::vector<Instr> code = {in(Op::Elf, 0), in(Op::Int, 1),  in(Op::Jmp, 10), in(Op::Elf, 0),
                               in(Op::Jmp, 7), in(Op::Lbp, 0),  in(Op::Rtl, 1),  in(Op::Int, 70),
                               in(Op::Pop, 69), in(Op::Jmp, 5), in(Op::Psh, 0),  in(Op::Ret, 1)};
    const std::vector<FunctionFrame> functions = {{0, 0}, {3, 0}};
    EXPECT_TRUE(code_is_sound(code, functions, k_bounds));
    code[8] = in(Op::Pop, 70);  // the reservation gives back more than it took
    EXPECT_FALSE(code_is_sound(code, functions, k_bounds));
}

TEST(CodeCheck, LoopsMustKeepTheirDepth) {
    const std::vector<FunctionFrame> one = {{0, 0}};
    // A loop that pushes on every turn has no bound.
    EXPECT_FALSE(code_is_sound({in(Op::Elf, 0), in(Op::Int, 0), in(Op::Psh, 1), in(Op::Jmp, 2)}, one, k_bounds));
    // One that pops on every turn reaches the locals.
    EXPECT_FALSE(code_is_sound({in(Op::Elf, 0), in(Op::Int, 1), in(Op::Psh), in(Op::Psh), in(Op::Pop, 0), in(Op::Jmp, 4)},
                               one, k_bounds));
    // Paths that join at different depths pass while nothing pops below the shallower.
    const std::vector<Instr> join = {in(Op::Elf, 0), in(Op::Int, 0), in(Op::Psh, 0), in(Op::Jmf, 5), in(Op::Psh, 1),
                                     in(Op::Psh, 2), in(Op::Pop, 0), in(Op::Ret, 1)};
    EXPECT_TRUE(code_is_sound(join, one, k_bounds));
    std::vector<Instr> deeper = join;
    deeper[6] = in(Op::Pop, 2);  // three records: the path that jumps has two
    EXPECT_FALSE(code_is_sound(deeper, one, k_bounds));
}

TEST(CodeCheck, CanonicalForLoopStepsAtItsBackEdge) {
    // for (i = 1; i < 5; ++i) {}: head records, FOR, JMP to the exit, the body
    // and the back edge; the exit pops the loop's state.
    std::vector<Instr> code = {in(Op::Elf, 0), in(Op::Int, 1),  in(Op::Psh, 1),
                               in(Op::Psh, 5), in(Op::Psh, 88), in(Op::Psh, 0),
                               in(Op::Psh, 1), in(Op::For, kj::link::k_for_canonical),
                               in(Op::Jmp, 11), in(Op::Num, 2), in(Op::Jmp, 9),
                               in(Op::Pop, 0), in(Op::Ret, 0)};
    const std::vector<FunctionFrame> one = {{0, 0}};
    EXPECT_TRUE(code_is_sound(code, one, k_bounds));
    code[9] = in(Op::Psh, 0);  // a body that pushes on every turn
    EXPECT_FALSE(code_is_sound(code, one, k_bounds));
    code[9] = in(Op::Pop, 0);  // one that pops the loop's state
    EXPECT_FALSE(code_is_sound(code, one, k_bounds));
}

}  // namespace
