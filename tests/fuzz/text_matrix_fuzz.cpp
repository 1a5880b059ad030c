// The text matrix reader on arbitrary bytes: the first byte chooses the
// one-column mode, the rest is the file. Whatever the header claims, the
// reader must not allocate beyond what the text could hold.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "lib/io/matrix_files.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const bool one_column = data[0] & 1;
    const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    const kj::lib::io::TextMatrix m = kj::lib::io::parse_text_matrix(text, one_column);
    using S = kj::lib::io::TextMatrixStatus;
    if (m.status == S::Ok || m.status == S::ShortElements) {
        if (m.values.size() != static_cast<std::size_t>(m.rows) * static_cast<std::size_t>(m.cols)) std::abort();
        // No more than about one element per two bytes, except small matrices.
        if (m.values.size() > text.size() / 2 + 1 && m.values.size() > (1u << 16)) std::abort();
    } else if (!m.values.empty()) {
        std::abort();
    }
    return 0;
}
