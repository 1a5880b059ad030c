#include "num/instruction_sets.h"

namespace kj::num {

InstructionSet instruction_set() {
    static const InstructionSet k = [] {
        __builtin_cpu_init();
        if (__builtin_cpu_supports("avx512f")) return InstructionSet::Avx512;
        if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma")) return InstructionSet::Avx2;
        return InstructionSet::Scalar;
    }();
    return k;
}

}  // namespace kj::num
