// Delimited text data (.csv, .tsv, .dsv): one record per line, fields split
// at the delimiter, double quotes around fields that hold the delimiter, a
// quote ("" inside) or a line break; a first row of names.
#pragma once

#include <string>
#include <string_view>

#include "data/data_set.h"
#include "data/sheet.h"

namespace kj::data {

// The position of the first byte that no text file holds (a control
// character other than tab, line feed, vertical tab, form feed and carriage
// return; a final Ctrl-Z is allowed), or npos for text.
std::size_t first_control_character(std::string_view bytes);

// The delimiter for a file name: ',' for .csv (';' when the first line has
// semicolons but no commas), tab for .tsv; for .dsv and others the most
// frequent of tab, ';', '|' and ',' in the first line.
char delimiter_for(const std::string& path, const std::string& bytes);

// Every field as a cell: numbers and ISO dates read as such, the missing
// spellings "", ".", "NA", "NaN" as empty cells, anything else as text.
// False when the text holds more cells than a sheet may. A quote that is not
// closed is reported with its line, and its field ends with that line.
bool read_delimited_sheet(const std::string& bytes, char delimiter, Sheet& sheet);

// A data set straight from the text (names from a first row that holds text;
// text fields are missing values, their columns named in a warning).
// False when the observations and variables make more cells than a data set may.
// Rows with fewer or more fields than the first are padded with missing values
// and reported by the line of the first of them; unclosed quotes as above.
bool read_delimited_data_set(const std::string& bytes, char delimiter, DataSet& ds);

// The text of a sheet and of a data set (a row of names, then the data;
// missing values as empty fields, date variables as ISO dates).
std::string write_delimited_sheet(const Sheet& sheet, char delimiter);
std::string write_delimited_data_set(const DataSet& ds, char delimiter);

}  // namespace kj::data
