// The worksheet reader of .xlsx workbooks on arbitrary XML, with a table of
// shared strings and cell styles of which some are dates; what it reads is
// written as a workbook again.
#include "data/xlsx_file.h"
#include "data_fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    kj::fuzz::quiet_data_messages();
    const kj::data::WorkbookContext context{{"one", "", "caf\xC3\xA9"}, {false, true, false, true}, size % 2 == 1};
    kj::data::Sheet sheet;
    if (kj::data::parse_worksheet(kj::fuzz::bytes_of(data, size), context, sheet).empty() && sheet.rows.size() < 4096)
        kj::data::xlsx_bytes(sheet);
    return 0;
}
