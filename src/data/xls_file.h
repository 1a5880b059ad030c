// Workbooks in the older binary spreadsheet format (.xls), read with libfreexl;
// error values and the stored results of formulas come from the records
// themselves (biff_records.h).
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
