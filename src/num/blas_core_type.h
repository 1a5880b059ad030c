// The OpenBLAS core type for this processor. OpenBLAS picks its kernels from
// the processor model; on models newer than the library it falls back to a
// generic SSE3 kernel that is several times slower. The choice here is made
// from the instruction-set features instead.
#pragma once

namespace kj::num {

// "SkylakeX" with the AVX-512 foundation, DQ, CD, BW and VL subsets enabled by
// the operating system, "Haswell" with AVX2 and FMA, else null.
const char* core_type_for_processor();

// Sets OPENBLAS_CORETYPE before the library is loaded, unless the user set it.
// KJ_BLAS_CORETYPE overrides the choice: "default" leaves OpenBLAS to its own
// detection (the test suite runs so), any other value is used as the core
// type. Returns the value set, or null when nothing was set.
const char* choose_openblas_core_type();

}  // namespace kj::num
