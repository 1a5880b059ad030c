// Workbooks in the XML spreadsheet format (.xlsx, .xlsm): a zip archive of
// XML parts. Reads one worksheet with shared and inline strings, numbers,
// booleans and date cells (numbers with a date format); writes a workbook of
// one worksheet.
#pragma once

#include <string>
#include <vector>

#include "data/sheet.h"

namespace kj::data {

// Largest sheet cell position accepted (the format's own limits).
constexpr long k_max_sheet_rows = 1048576;
constexpr long k_max_sheet_columns = 16384;

// What a worksheet part needs from the rest of the workbook.
struct WorkbookContext {
    std::vector<std::string> shared_strings;
    std::vector<bool> date_styles;  // per cell style index: a date format
    bool date1904 = false;
};

// One worksheet's XML into sheet; "" or the reason it failed.
std::string parse_worksheet(const std::string& xml, const WorkbookContext& context, Sheet& sheet);

enum class SheetRead { Ok, NoSuchSheet, Failed /* and reported */ };

// Reads the worksheet of the given index (or name, when not empty) and the
// names of all sheets.
SheetRead read_xlsx(const std::string& path, int index, const std::string& name, Sheet& sheet,
               std::vector<std::string>& sheet_names);

// Longest text a cell holds; longer texts are cut.
constexpr std::size_t k_max_cell_text = 32767;

// The bytes of a workbook holding the sheet: the package parts, a styles
// part with date formats, numbers in the shortest form that reads back
// exactly, date cells with a date format, infinities as the text "+.Inf" and
// "-.Inf" (which the reader takes as numbers), missing values as empty cells
// and error cells as #N/A. cut_texts counts texts cut to k_max_cell_text
// characters. The sheet must fit in k_max_sheet_rows x k_max_sheet_columns.
std::string xlsx_bytes(const Sheet& sheet, std::size_t* cut_texts = nullptr);

// Writes the workbook; a sheet too large for the format is refused, and cut
// texts are reported in a warning.
bool write_xlsx(const std::string& path, const Sheet& sheet);

// Spreadsheet day numbers (1900 system) and calendar day numbers.
double calendar_day_of_serial(double serial, bool date1904);
double serial_of_calendar_day(double day);

}  // namespace kj::data
