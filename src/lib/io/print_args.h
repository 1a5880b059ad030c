// The argument scan shared by print, println, sprint, eprint and fprint.
#pragma once

#include "lib/io/print_sink.h"
#include "value/value.h"

namespace kj::lib::io {

// Prints args[0 .. count) in order. A string that starts with "%" (not "%%")
// is a directive for the next value:
//   "%r" + array      row labels          "%c" + array     column labels
//   "%c" + number     that character      "%cf" + array    one format per column
//   "%rs" + string    row separator       "%cs" + string   column separator
//   "%lwr"            lower triangle only
//   any other format  the format of the next value.
// Directives apply to the next value only. Other strings print as text.
// Returns count (directives included).
int print_args(OutputSink& out, const value::Value* args, int count);

// print_args, then a line feed unless the output already ended a line.
int print_line_args(OutputSink& out, const value::Value* args, int count);

}  // namespace kj::lib::io
