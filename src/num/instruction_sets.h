// The vector instruction sets of this processor that kernels are built for,
// detected once.
#pragma once

namespace kj::num {

enum class InstructionSet { Scalar, Avx2, Avx512 };

// The widest available: AVX-512F, else AVX2 with FMA, else none.
InstructionSet instruction_set();

}  // namespace kj::num
