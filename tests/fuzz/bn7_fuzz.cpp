// The data-file reader (.bn7): the first 64 bytes describe up to four
// variables (sample start, length, frequency and data offset, all small), the
// rest is the data file read against them.
#include "data/in7_file.h"
#include "data_fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    constexpr std::size_t k_head = 64;
    if (size < k_head) return 0;
    kj::fuzz::quiet_data_messages();
    kj::data::DataSet ds;
    for (int j = 0; j < 4; ++j) {
        const std::uint8_t* d = data + 16 * j;
        if (d[0] & 0x80) continue;
        kj::data::Variable& v = ds.add_variable("v" + std::to_string(j));
        kj::data::Sample& s = v.sample;
        s.frequency = 1 + (d[1] % 12) * (d[0] & 1 ? 0 : 1);
        s.year1 = 1900 + static_cast<std::int8_t>(d[2]);
        s.period1 = 1 + d[3] % 13;
        s.year2 = s.year1 + d[4] % 40 - 2;
        s.period2 = 1 + d[5] % 13;
        v.offset = static_cast<std::int16_t>(d[6] | d[7] << 8);
        if (d[8] & 1) v.sample.frequency = static_cast<std::int8_t>(d[9]);
    }
    kj::data::place_in7_data(ds, kj::fuzz::bytes_of(data + k_head, size - k_head));
    return 0;
}
