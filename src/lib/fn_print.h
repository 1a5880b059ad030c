// Printing built-ins: print, println, eprint, sprint, sprintbuffer, format.
#pragma once

#include <kj80x.h>

namespace kj::lib {

void fn_print(KjValue* result, KjValue* args, int count);
void fn_println(KjValue* result, KjValue* args, int count);
void fn_eprint(KjValue* result, KjValue* args, int count);
void fn_sprint(KjValue* result, KjValue* args, int count);
void fn_sprintbuffer(KjValue* result, KjValue* args, int count);
void fn_format(KjValue* result, KjValue* args, int count);

}  // namespace kj::lib
