// Printing built-ins: print, println, eprint, sprint, sprintbuffer, format.
#pragma once

#include <span>

#include "lib/library_groups.h"

namespace kj::lib {

void fn_print(KjValue* result, KjValue* args, int count);
void fn_println(KjValue* result, KjValue* args, int count);
void fn_eprint(KjValue* result, KjValue* args, int count);
void fn_sprint(KjValue* result, KjValue* args, int count);
void fn_sprintbuffer(KjValue* result, KjValue* args, int count);
void fn_format(KjValue* result, KjValue* args, int count);

// Rows for the file-and-printing group, registered by name as serial functions.
std::span<const NamedRow> print_rows();

}  // namespace kj::lib
