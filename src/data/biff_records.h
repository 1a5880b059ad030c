// The records of a binary workbook's stream (BIFF5 and BIFF8) that the
// workbook library leaves out or misreads: cells holding an error value
// (which it reads as 1 or 0) and the stored results of formulas (which it
// drops). Formulas are never calculated; their stored results are used.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "data/sheet.h"

namespace kj::data {

struct PlacedCell {
    std::uint32_t row = 0, col = 0;
    Cell cell;
};

// The error cells and formula results of the sheet of the given index (in
// the order the workbook lists its sheets), as error, number, date, text or
// empty-text cells. False when the stream holds no sheet of that index in a
// record format read here, or is encrypted.
bool read_biff_cells(std::string_view stream, int sheet, std::vector<PlacedCell>& cells);

}  // namespace kj::data
