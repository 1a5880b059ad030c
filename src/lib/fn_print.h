// Printing built-ins: print, println, eprint, sprint, sprintbuffer, format.
#pragma once

#include "value/value.h"

namespace kj::lib {

void fn_print(value::Value* result, value::Value* args, int count);
void fn_println(value::Value* result, value::Value* args, int count);
void fn_eprint(value::Value* result, value::Value* args, int count);
void fn_sprint(value::Value* result, value::Value* args, int count);
void fn_sprintbuffer(value::Value* result, value::Value* args, int count);
void fn_format(value::Value* result, value::Value* args, int count);

}  // namespace kj::lib
