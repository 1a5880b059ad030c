// The final link check and the binding of the program's entry point to the
// start sequence's LOD instruction (the "main slot").
#pragma once

namespace kj::link {

// Reports every symbol still declared only (external) that a LOD, NEW or STO
// names: "undefined function" for functions, "undefined reference" otherwise,
// once per symbol. When main_slot > 0 that instruction receives the symbol
// number of "main". Returns the number of link errors found.
int check_globals(int main_slot);

// Binds the slot to `name` (or keeps the bound "main" when name is null or not
// found). Reports, in this order: no stack or no code (not initialised), a slot
// below 1, a named function taking arguments, a slot without a function.
// True when the slot calls a function.
bool bind_entry(int main_slot, const char* name, bool stack_exists);

}  // namespace kj::link
