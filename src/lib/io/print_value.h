// Printing of values: every type in its readable form or, under "%v", in a
// form that reads back as the same value; matrices as aligned tables.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "lib/io/number_format.h"
#include "lib/io/print_sink.h"
#include "value/value.h"

namespace kj::lib::io {

// What the directives of one print call collected for the next value.
struct PrintDirectives {
    const FormatSpec* spec = nullptr;            // format of the value; null: the defaults
    const value::Value* row_labels = nullptr;    // array of labels
    const value::Value* column_labels = nullptr; // array of labels
    const value::Value* column_formats = nullptr;// array of format strings, one per column
    std::optional<std::string_view> row_separator;  // replaces the line feeds between rows
    std::string_view column_separator;
    bool lower_triangle = false;
};

void print_value(OutputSink& out, const value::Value& v, const PrintDirectives& d = {});
// The same appended to a string (used for sprint-like results and labels).
std::string value_text(const value::Value& v, const PrintDirectives& d = {});

// Matrix table: labels, per-column formats, column blocks that fit the line
// length, separators and the lower triangle; "<>" when empty.
void print_matrix(OutputSink& out, double** m, int rows, int cols, const PrintDirectives& d);
// "<1,2;\n 3,4 >": elements in "%.17g", NaN as ".".
void append_matrix_readable(std::string& out, double** m, int rows, int cols);
// Matrix-file layout: an optional "%d %d\n" header, then each element as a
// blank and the element format, a new line for every row and whenever a line
// holds line length / (element width + 1) elements. NaN is "." in the field.
void write_matrix_text(OutputSink& out, double** m, int rows, int cols, const FormatSpec& element,
                       bool header);

}  // namespace kj::lib::io
