// Loop support: canonical for loops and foreach iteration.
#pragma once

#include <cstdint>
#include <cstring>

#include "vm/engine.h"

namespace kj::vm {

// FOR k: n >= 0 foreach set-up, -1 foreach step, -2/-3 canonical foreach.
// Loops run serially on the current engine.
void for_instruction(Engine& e, int k, bool debug);

// A canonical for loop (FOR -12/-13) runs inside the dispatch loop. Its state
// lives in the start value's record, which stays below the body's stack until
// the POP at the loop exit; the body leaves the stack as it found it, so the
// record is the top at the back-edge JMP.
struct CountedLoop {
    int64_t remaining;  // iterations still to run after the current one
    uint32_t counter;   // the counter's current value
    int32_t step;
    int32_t slot;       // the counter's local
    int32_t body;       // first instruction of the body
};
static_assert(sizeof(CountedLoop) <= sizeof(Value::u));

inline void put_counted_loop(Value& v, const CountedLoop& loop) {
    v = Value{};
    v.type = value::T_Blob;
    std::memcpy(&v.u, &loop, sizeof loop);
}
inline bool is_counted_loop(const Value& v) { return v.type == value::T_Blob; }

// FOR -12/-13 at e.ip: checks the head, sets the counter to the start value
// and turns the start record into the loop state. Returns the instruction
// before the one to run next: before the body, or before the loop exit when
// there is no iteration.
int32_t start_counted_for(Engine& e);

}  // namespace kj::vm
