// The readers under binary workbooks: the first byte picks whether the rest
// is a compound file (whose "Workbook" stream is then read as records) or a
// record stream itself, and which sheet's error cells and formula results
// are taken.
#include "data/biff_records.h"
#include "data/compound_file.h"
#include "data_fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::string bytes = kj::fuzz::bytes_of(data + 1, size - 1);
    std::string stream;
    if (data[0] & 1) {
        if (!kj::data::read_compound_stream(bytes, "Workbook", stream)) return 0;
    } else {
        stream = bytes;
    }
    std::vector<kj::data::PlacedCell> cells;
    kj::data::read_biff_cells(stream, (data[0] >> 1) & 3, cells);
    return 0;
}
