// A worksheet as read from a spreadsheet or delimited text file: rows of
// cells, each a number, a text or empty.
#pragma once

#include <string>
#include <vector>

#include "data/data_set.h"

namespace kj::data {

struct Cell {
    enum class Kind : unsigned char { empty, number, date, text };
    Kind kind = Kind::empty;
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
// dates becomes a date variable; text cells are missing. Undated sample.
DataSet data_set_of_sheet(const Sheet& sheet);

// The sheet of a data set: a row of names, then one row per observation
// (missing values as empty cells, date variables as date cells).
Sheet sheet_of_data_set(const DataSet& ds);

// "Var1", "Var2", ...: the name of the 0-based column j when none is given.
std::string default_variable_name(std::size_t j);

}  // namespace kj::data
