// Workbooks in the older binary spreadsheet format (.xls), read with libfreexl.
#pragma once

#include <string>
#include <vector>

#include "data/sheet.h"
#include "data/xlsx_file.h"

namespace kj::data {

// As read_xlsx: the sheet of the given index (or name) and all sheet names.
SheetRead read_xls(const std::string& path, int index, const std::string& name, Sheet& sheet,
                   std::vector<std::string>& sheet_names);

}  // namespace kj::data
