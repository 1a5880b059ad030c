// A small assembler for p-code, used by tests and benchmarks to build programs
// without the compiler. It appends to the current code image, literal table
// and symbol table.
//
//   global NAME [= 3 | 2.5 | "text"]
//   extern NAME(PARAMS)              declared only
//   function NAME(PARAMS) [file "x.kj"]
//     label:
//     MNEMONIC [OPERAND]             ; comment
//   end
//
// PARAMS: comma-separated [const] NAME [= default], optionally ending in "...".
// A function starts with its ELF. Operands: integers; labels for JMP, JMF, JMT
// and LIP (as offsets); symbol names for LOD, STO and NEW; for LIT a number or
// a quoted string; for OPR an operator (+ - * / % < <= > >= == != neg ++ --)
// or its token code.
#pragma once

#include <string>
#include <string_view>

namespace kj::link {

struct AssemblyResult {
    bool ok = true;
    std::string error;  // "line N: ..." when not ok
};

AssemblyResult assemble(std::string_view source);

}  // namespace kj::link
