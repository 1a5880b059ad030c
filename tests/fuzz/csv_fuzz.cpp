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
    const kj::data::DataSet ds = kj::data::read_delimited_data_set(text, delimiter);
    const kj::data::Sheet sheet = kj::data::read_delimited_sheet(text, delimiter);
    const std::string again = kj::data::write_delimited_data_set(ds, delimiter);
    const kj::data::DataSet back = kj::data::read_delimited_data_set(again, delimiter);
    if (back.variables.size() != ds.variables.size()) __builtin_trap();
    kj::data::write_delimited_sheet(sheet, delimiter);
    return 0;
}
