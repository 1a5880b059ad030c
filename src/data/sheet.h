// A worksheet as read from a spreadsheet or delimited text file: rows of
// cells, each a number, a date, a text, an error value or empty.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "data/data_set.h"

namespace kj::data {

struct Cell {
    // An error cell (a formula's "#DIV/0!", say) is used but holds no value:
    // it is missing wherever a number is wanted.
    enum class Kind : unsigned char { Empty, Number, Date, Text, Error };
    Kind kind = Kind::Empty;
    double number = 0;  // number, or a date-time for date cells
    std::string text;
};

using SheetRow = std::vector<Cell>;

// Upper limit on the cells (empty ones before a used cell included) that a
// sheet reader will hold.
constexpr std::size_t k_max_sheet_cells = std::size_t(1) << 24;

struct Sheet {
    std::string name;
    std::vector<SheetRow> rows;  // each row up to its last used cell
};

// A data set from a sheet: the first row gives the names when it holds text
// (else "Var1", ...); one variable per column; a column whose values are all
// dates becomes a date variable; text and error cells are missing (the
// columns with text named in a warning). Undated sample.
DataSet data_set_of_sheet(const Sheet& sheet);

// The sheet of a data set: a row of names, then one row per observation
// (missing values as empty cells, date variables as date cells).
Sheet sheet_of_data_set(const DataSet& ds);

// Number formats of spreadsheets that show dates or times: the built-in
// formats 14 to 22 and 45 to 47, and format codes with a day, month, year,
// hour or second letter outside quotes and brackets.
bool is_builtin_date_format(int id);
bool is_date_format(std::string_view code);

// "Var1", "Var2", ...: the name of the 0-based column j when none is given.
std::string default_variable_name(std::size_t j);

}  // namespace kj::data
