#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "link/code_check.h"

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
        in(Op::Jmp, 10), in(Op::Elf, 1), in(Op::Lbp, 1), in(Op::Rtl, 1),                               // 6-9
        in(Op::Ret, 0),                                                                                 // 10
        in(Op::Elf, 1), in(Op::Jmp, 15), in(Op::Lbp, 99), in(Op::Ret, 1),                               // 11-14
        in(Op::Int, 200), in(Op::Pop, 99), in(Op::Jmp, 13),                                             // 15-17
    };
}

const std::vector<FunctionFrame> k_functions = {{0, 2}, {7, 0}, {11, 0}};
const UnitBounds k_bounds{3, 2};

TEST(CodeCheck, SoundUnitPasses) { EXPECT_TRUE(code_is_sound(unit(), k_functions, k_bounds)); }

TEST(CodeCheck, EveryOperandStaysInsideWhatItNames) {
    struct Case {
        const char* what;
        int at;
        Instr bad;
    };
    const Case cases[] = {
        {"jump past the end", 6, in(Op::Jmp, 18)},
        {"jump before the start", 6, in(Op::Jmf, -1)},
        {"argument beyond the parameters", 3, in(Op::Lap, 2)},
        {"negative argument", 3, in(Op::Pap, -1)},
        {"local beyond the frame", 4, in(Op::Sbp, 2)},
        {"moved local beyond the frame", 3, in(Op::Mvl, 2)},
        {"lambda local beyond its function's frame", 8, in(Op::Lbp, 2)},
        {"local beyond a reserved frame", 13, in(Op::Lbp, 100)},
        {"literal beyond the unit's", 0, in(Op::Elf, 2)},
        {"symbol beyond the unit's", 2, in(Op::Lod, 3)},
        {"load of no symbol", 2, in(Op::Lod, -1)},
        {"store to no symbol", 4, in(Op::Sto, -1)},
        {"object of no class", 2, in(Op::New, -1)},
        {"negative line number", 2, in(Op::Num, -1)},
        {"line number that negates past the int range", 2, in(Op::Num, INT32_MIN)},
        {"more local names forgotten than a frame holds", 2, in(Op::Elt, INT32_MIN)},
        {"unknown opcode", 2, Instr{127, 0}},
        {"negative opcode", 2, Instr{-5, 0}},
        {"frame of absurd size", 1, in(Op::Int, 1 << 24)},
        {"negative pop", 5, in(Op::Pop, -3)},
        {"code address outside the code", 2, in(Op::Lip, 100)},
        {"jump into another function", 6, in(Op::Jmp, 13)},
        {"jump back into another function", 16, in(Op::Jmt, 4)},
        {"code address in another function", 12, in(Op::Lip, -10)},
        {"return kind", 10, in(Op::Ret, 5)},
        {"foreach slot beyond the frame", 2, in(Op::For, 2)},
        {"unknown loop kind", 2, in(Op::For, -7)},
        {"call of more records than the function pushed", 5, in(Op::Cal, 4)},
        {"member call of more records than the function pushed", 2, in(Op::Cam, 2)},
    };
    for (const Case& c : cases) {
        std::vector<Instr> code = unit();
        code[static_cast<std::size_t>(c.at)] = c.bad;
        EXPECT_FALSE(code_is_sound(code, k_functions, k_bounds)) << c.what;
    }
}

TEST(CodeCheck, AMovedLocalIsAPushedArgument) {
    std::vector<Instr> code = unit();
    code[3] = in(Op::Mvl, 0);
    code[5] = in(Op::Cal, 1);  // the callee pushed by PSH, its argument by MVL
    EXPECT_TRUE(code_is_sound(code, k_functions, k_bounds));
}

TEST(CodeCheck, FunctionEntriesAndParametersAreChecked) {
    EXPECT_FALSE(code_is_sound(unit(), {{0, 2}, {18, 0}}, k_bounds));
    EXPECT_FALSE(code_is_sound(unit(), {{0, -1}}, k_bounds));
    // Code outside every function has no frame to name.
    std::vector<Instr> code = {in(Op::Psh), in(Op::Lap, 0), in(Op::Ext)};
    EXPECT_FALSE(code_is_sound(code, {}, k_bounds));
    code[1] = in(Op::Lod, 0);
    EXPECT_TRUE(code_is_sound(code, {}, k_bounds));
}

}  // namespace
