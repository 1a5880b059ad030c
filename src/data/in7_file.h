// The native data-set files: a text description file (.in7) that lists the
// data set and its variables, and a binary data file (.bn7) that holds the
// observations, one block per variable.
#pragma once

#include <string>

#include "data/data_set.h"

namespace kj::data {

// Writes the selected variables of ds over ds's whole sample: the data file
// first (which fixes each variable's data offset), then the description file.
// A path without extension gets ".in7"; the data file is the same path with
// ".bn7". append adds the variables to an existing pair; backup keeps the
// previous files as "<name>.bak". Nothing is replaced unless all is written.
bool write_in7(DataSet& ds, const std::string& path, bool append, bool backup);

// Reads the description from its text: the data-set description, the data
// file name and (when read_variables) the variable list, "-" variables only
// with include_marked. data_path must already hold the default data path.
bool parse_in7_description(DataSet& ds, const std::string& text, bool read_variables,
                           bool include_marked);
// Sets ds.sample from the variables (the first one's frequency, from the
// earliest start to the latest end) and reads their observations from the
// bytes of the data file.
bool place_in7_data(DataSet& ds, const std::string& bytes);

// Both files from disk.
bool read_in7(DataSet& ds, const std::string& path, bool include_marked);

// File helpers shared by the readers of the data-set layer.
bool read_whole_file(const std::string& path, std::string& bytes);
bool file_exists(const std::string& path);
// Replaces path by bytes through a safe save; reports and returns false on failure.
bool save_whole_file(const std::string& path, const std::string& bytes);
// The path with its extension (after the last '.' of the last component)
// replaced by ext (".bn7"), or ext appended when it has none.
std::string with_extension(const std::string& path, const std::string& ext);
bool has_extension(const std::string& path);

}  // namespace kj::data
