#include "data/xls_file.h"

#include <cstdint>
#include <freexl.h>

#include "data/biff_records.h"
#include "data/compound_file.h"
#include "data/in7_file.h"
#include "data/message_function.h"
#include "data/text_encoding.h"
#include "data/value_text.h"

namespace kj::data {

namespace {

// Closes the workbook handle on every way out.
struct XlsHandle {
    const void* h = nullptr;
    ~XlsHandle() {
        if (h) freexl_close(h);
    }
};

Cell cell_of(const FreeXL_CellValue& v) {
    Cell c;
    switch (v.type) {
    case FREEXL_CELL_INT:
        c.kind = Cell::Kind::Number;
        c.number = v.value.int_value;
        break;
    case FREEXL_CELL_DOUBLE:
        c.kind = Cell::Kind::Number;
        c.number = v.value.double_value;
        break;
    case FREEXL_CELL_TEXT:
    case FREEXL_CELL_SST_TEXT:
        c.kind = Cell::Kind::Text;
        c.text = utf8_text(v.value.text_value ? v.value.text_value : "");
        break;
    case FREEXL_CELL_DATE:
    case FREEXL_CELL_DATETIME:
    case FREEXL_CELL_TIME: {
        const TextValue t = read_value(v.value.text_value ? v.value.text_value : "");
        if (t.kind != TextKind::None && t.value == t.value) {
            c.kind = Cell::Kind::Date;
            c.number = t.value;
        }
        break;
    }
    default: break;
    }
    return c;
}

// The library reads a cell holding an error value as the number 1 (or 0),
// and leaves out formulas: both are taken from the records themselves.
void add_error_and_formula_cells(const std::string& path, int sheet_index, unsigned rows, unsigned cols,
                                 Sheet& sheet) {
    std::string file, stream;
    if (!read_whole_file(path, file)) return;
    if (!read_compound_stream(file, "Workbook", stream) && !read_compound_stream(file, "Book", stream)) return;
    std::vector<PlacedCell> cells;
    if (!read_biff_cells(stream, sheet_index, cells)) return;
    for (PlacedCell& p : cells) {
        if (p.row >= rows || p.col >= cols) continue;
        if (p.row >= sheet.rows.size()) sheet.rows.resize(p.row + 1u);
        SheetRow& row = sheet.rows[p.row];
        if (p.col >= row.size()) row.resize(p.col + 1u);
        row[p.col] = std::move(p.cell);
    }
}

}  // namespace

SheetRead read_xls(const std::string& path, int index, const std::string& name, Sheet& sheet,
                   std::vector<std::string>& sheet_names) {
    XlsHandle x;
    if (freexl_open(path.c_str(), &x.h) != FREEXL_OK) {
        report_error("Not a valid workbook: " + path);
        return SheetRead::Failed;
    }
    unsigned count = 0;
    freexl_get_info(x.h, FREEXL_BIFF_SHEET_COUNT, &count);
    sheet_names.clear();
    int chosen = -1;
    for (unsigned i = 0; i < count && i < 65535; ++i) {
        const char* s = nullptr;
        freexl_get_worksheet_name(x.h, static_cast<unsigned short>(i), &s);
        sheet_names.push_back(utf8_text(s ? s : ""));
        if (name.empty() ? static_cast<int>(i) == index : sheet_names.back() == name) chosen = static_cast<int>(i);
    }
    if (chosen < 0) return SheetRead::NoSuchSheet;
    unsigned rows = 0;
    unsigned short cols = 0;
    if (freexl_select_active_worksheet(x.h, static_cast<unsigned short>(chosen)) != FREEXL_OK ||
        freexl_worksheet_dimensions(x.h, &rows, &cols) != FREEXL_OK) {
        report_error("Not a valid workbook: " + path);
        return SheetRead::Failed;
    }
    // Every cell of the stated dimensions is asked for: a forged size must not make that endless.
    if (static_cast<uint64_t>(rows) * cols > k_max_sheet_cells) {
        report_error("Not a valid workbook: " + path + " (sheet too large)");
        return SheetRead::Failed;
    }
    sheet = Sheet();
    sheet.name = sheet_names[static_cast<std::size_t>(chosen)];
    for (unsigned r = 0; r < rows && r < k_max_sheet_rows; ++r) {
        SheetRow row;
        for (unsigned short c = 0; c < cols; ++c) {
            FreeXL_CellValue v;
            if (freexl_get_cell_value(x.h, r, c, &v) != FREEXL_OK) continue;
            Cell cell = cell_of(v);
            if (cell.kind == Cell::Kind::Empty) continue;
            row.resize(c + 1u);
            row[c] = std::move(cell);
        }
        if (!row.empty()) {
            sheet.rows.resize(r + 1u);
            sheet.rows[r] = std::move(row);
        }
    }
    add_error_and_formula_cells(path, chosen, rows, cols, sheet);
    return SheetRead::Ok;
}

}  // namespace kj::data
