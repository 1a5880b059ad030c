// The data-set layer's file kinds, chosen by extension, and loading and
// saving a whole data set in any of them.
#pragma once

#include <string>

#include "data/data_set.h"
#include "data/sheet.h"

namespace kj::data {

enum class DataFormat {
    None,  // not a data-set kind
    In7, Xlsx, Xls, Wks, Csv, Dsv, Tsv, Dat, Dht, Dta,
};

// By extension, ignoring case (".xlsm" counts as xlsx, ".wk1" as wks).
DataFormat data_format_of(const std::string& path);

// Flags of load_data_set.
constexpr int k_include_marked = 1;  // also "-" variables of a description file

// Reads the file into ds; false after the layer reported why.
bool load_data_set(const std::string& path, DataFormat format, DataSet& ds, int flags = 0);

// Flags of save_data_set.
constexpr int k_append = 1;  // add the variables to an existing .in7/.bn7 pair
constexpr int k_backup = 2;  // keep the previous files as ".bak"

// Writes ds; nothing is replaced unless the whole file was written.
bool save_data_set(const std::string& path, DataFormat format, DataSet& ds, int flags = 0);

// One worksheet (sheet: 0-based index, or the name when not empty) and the
// names of all sheets; false after a reported failure or an unknown sheet.
bool load_sheet(const std::string& path, DataFormat format, int index, const std::string& name,
                Sheet& sheet, std::vector<std::string>& sheet_names);
bool save_sheet(const std::string& path, DataFormat format, const Sheet& sheet);

}  // namespace kj::data
