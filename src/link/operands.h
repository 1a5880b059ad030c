// Named operands of the instructions whose operand selects a variant, shared
// by the code generator and the engine. Object files store these numbers.
#pragma once

#include <cstdint>

namespace kj::link {

// NTP: a value type code (KJ_TYPE_MATRIX, KJ_TYPE_STRING, KJ_TYPE_ARRAY built
// from dimensions on the stack; KJ_TYPE_LAMBDA makes a lambda), or one of
// these constants, which replace the top record.
constexpr int32_t k_ntp_empty_matrix = 256;
constexpr int32_t k_ntp_empty_array = 257;
constexpr int32_t k_ntp_nan = 258;
constexpr int32_t k_ntp_infinity = 259;
constexpr int32_t k_ntp_no_value = 260;

// FOR: an operand n >= 0 sets up a foreach over n index terms; the negative
// operands name the other steps. The parallel forms run like the serial ones.
constexpr int32_t k_for_foreach_step = -1;
constexpr int32_t k_for_canonical_foreach = -2;
constexpr int32_t k_for_canonical_foreach_parallel = -3;
constexpr int32_t k_for_canonical = -12;
constexpr int32_t k_for_canonical_parallel = -13;

}  // namespace kj::link
