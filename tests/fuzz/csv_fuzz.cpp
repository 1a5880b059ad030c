// The delimited-text readers: the first byte picks the delimiter; the text is
// read as a data set and as a sheet, written again and read back.
#include "data/delimited_file.h"
#include "data_fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    kj::fuzz::quiet_data_messages();
    static const char delimiters[] = {',', ';', '\t', '|'};
    const char delimiter = delimiters[data[0] % 4];
    const std::string text = kj::fuzz::bytes_of(data + 1, size - 1);
    kj::data::DataSet ds, back;
    kj::data::Sheet sheet;
    if (kj::data::read_delimited_data_set(text, delimiter, ds)) {
        const std::string again = kj::data::write_delimited_data_set(ds, delimiter);
        if (!kj::data::read_delimited_data_set(again, delimiter, back)) __builtin_trap();
        if (back.variables.size() != ds.variables.size()) __builtin_trap();
    }
    if (kj::data::read_delimited_sheet(text, delimiter, sheet)) kj::data::write_delimited_sheet(sheet, delimiter);
    return 0;
}
