// The .fmt matrix reader on arbitrary bytes: a header must never make it
// read or allocate past the end of the data it was given.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "lib/io/matrix_files.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const kj::lib::io::FmtMatrix m = kj::lib::io::parse_fmt(bytes);
    if (m.status == kj::lib::io::FmtStatus::ok) {
        const std::size_t n = static_cast<std::size_t>(m.rows) * static_cast<std::size_t>(m.cols);
        if (m.values.size() != n || 16 + 8 * n > size) std::abort();
    } else if (!m.values.empty()) {
        std::abort();
    }
    return 0;
}
