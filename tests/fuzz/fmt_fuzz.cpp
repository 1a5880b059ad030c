// The .fmt matrix reader on arbitrary bytes, and the data-file reader that
// takes the files without a binary matrix header: a header must never make
// them read or allocate past the end of the data they were given.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "data/data_file.h"
#include "lib/io/matrix_files.h"

namespace {

void check_data_file(std::string_view bytes) {
    namespace kd = kj::data;
    const kd::DataFileMatrix m = kd::parse_data_file(bytes);
    if (m.status != kd::DataFileStatus::Ok) {
        if (!m.values.empty() || !m.names.empty()) std::abort();
        return;
    }
    const std::size_t n = static_cast<std::size_t>(m.rows) * static_cast<std::size_t>(m.cols);
    const auto start = static_cast<std::size_t>(kd::data_file_start(m.kind, m.cols));
    if (m.values.size() != n || start + 8 * n > bytes.size()) std::abort();
    if (m.kind == kd::DataFileKind::Names && m.names.size() != static_cast<std::size_t>(m.cols)) std::abort();
    for (const auto& name : m.names)
        if (name.size() > kd::k_data_name_size) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const kj::lib::io::FmtMatrix m = kj::lib::io::parse_fmt(bytes);
    if (m.status == kj::lib::io::FmtStatus::Ok) {
        const std::size_t n = static_cast<std::size_t>(m.rows) * static_cast<std::size_t>(m.cols);
        if (m.values.size() != n || 16 + 8 * n > size) std::abort();
    } else if (!m.values.empty()) {
        std::abort();
    } else if (m.status == kj::lib::io::FmtStatus::NotFmt) {
        check_data_file(bytes);
    }
    return 0;
}
