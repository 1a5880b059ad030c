// Statistical data files of the .dta kind, read and written with libreadstat:
// numeric variables (string variables are read as missing values, named in
// a warning), variable labels as descriptions, the file label as the data-set
// description, dates, times and periods (data/dta_dates.h) as date variables
// and value labels 0, 1, ... as the labels of choice variables. A file whose
// observations are consecutive periods of a period variable reads as a data
// set of that frequency and sample, and date variables of such a data set
// are written as periods again.
#pragma once

#include <string>

#include "data/data_set.h"

namespace kj::data {

bool read_dta(const std::string& path, DataSet& ds);
bool write_dta(const std::string& path, const DataSet& ds);

// Variable names the format accepts: letters, digits and '_', not starting
// with a digit, at most 32 bytes.
std::string dta_variable_name(const std::string& name);

}  // namespace kj::data
