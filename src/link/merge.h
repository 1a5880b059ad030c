// Merging a symbol that arrives from a unit (compiled or loaded) into the
// global symbol table by name.
#pragma once

#include "value/value.h"

namespace kj::link {

// Takes over `incoming` (its payload, and for a class its member block) and
// returns the symbol number that stands for it; a full table is link error 0,
// fatal: the link stops there. A name starting with '@' and an unnamed symbol
// are always added. Otherwise, against an existing symbol of the same name:
//   1. different kinds (variable, function, library function, class):
//      "incompatible types", except a function declaration meeting a
//      library function;
//   2. both defined and not classes: "duplicate identifier";
//   3. functions whose argument counts disagree: "redefinition of function";
//   4. two class definitions that differ: "redefinition of class";
//   5. a definition arriving for a declaration replaces it in place.
// On an error the existing symbol number is returned (so references stay
// valid while the failed import is reported) and the incoming value dropped.
int merge_symbol(const char* name, value::Value& incoming);

// Whether two class records describe the same class (rule 4).
bool same_class(const value::Value& a, const value::Value& b);

}  // namespace kj::link
