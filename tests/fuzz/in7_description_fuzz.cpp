// The description-file reader (.in7) on arbitrary text; the first byte
// decides whether marked variables are included.
#include "data/in7_file.h"
#include "data_fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    kj::fuzz::quiet_data_messages();
    kj::data::DataSet ds;
    ds.data_path = "/nonexistent/fuzz.bn7";
    kj::data::parse_in7_description(ds, kj::fuzz::bytes_of(data + 1, size - 1), true, data[0] & 1);
    return 0;
}
