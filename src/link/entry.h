// The final link check and the binding of the program's entry point to the
// start sequence's LOD instruction (the "main slot").
#pragma once

#include <kj80x.h>

namespace kj::link {

// Binds one function of a native library without reporting failures: 0 with
// the entry point in *fn, L_CannotLoadDll when the library does not load,
// L_CannotLoadDllFunction when it lacks the function, L_NoDynamicLinking.
// KjMainInit installs the library loader (dll_loader.h).
using NativeLoader = int (*)(const char* library, const char* function, KjNativeFunction* fn);
void set_native_loader(NativeLoader loader);

// First binds every function still declared only: to the library function
// of its name when the function table has one, else, when its signature ends
// in "@library,function", through the native loader (the library tried with
// "_64" appended first, then as written; a "_64" library that is missing
// altogether is not reported): the symbol becomes a library function. A binding without the comma is "dll function name not
// specified"; without a loader, "dynamic linking not supported". Then
// reports every symbol still declared only (external) that a LOD, NEW or STO
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
