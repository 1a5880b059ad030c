#include "data/data_file.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace kj::data {

namespace {

constexpr unsigned char k_signature[8] = {'K', 'j', 'D', 'A', 'T', 'A', 0x1A, 0x01};
constexpr std::uint64_t k_element_size = 8;

void put32(unsigned char* p, std::uint32_t v) {
    for (int k = 0; k < 4; ++k) p[k] = static_cast<unsigned char>(v >> (8 * k));
}
void put64(unsigned char* p, std::uint64_t v) {
    for (int k = 0; k < 8; ++k) p[k] = static_cast<unsigned char>(v >> (8 * k));
}
std::uint32_t get32(const unsigned char* p) {
    std::uint32_t v = 0;
    for (int k = 3; k >= 0; --k) v = (v << 8) | p[k];
    return v;
}
std::uint64_t get64(const unsigned char* p) {
    std::uint64_t v = 0;
    for (int k = 7; k >= 0; --k) v = (v << 8) | p[k];
    return v;
}

double get_double(const char* p) {
    std::uint64_t bits = get64(reinterpret_cast<const unsigned char*>(p));
    return std::bit_cast<double>(bits);
}

// Length of name cut to at most 32 bytes without splitting a UTF-8 character.
std::size_t stored_length(const std::string& name) {
    std::size_t n = std::min<std::size_t>(name.size(), k_data_name_size);
    if (n < name.size())
        while (n > 0 && (static_cast<unsigned char>(name[n]) & 0xC0) == 0x80) --n;
    return std::min(n, name.find('\0'));
}

}  // namespace

std::int64_t data_file_start(DataFileKind kind, std::int64_t cols) {
    if (kind == DataFileKind::Matrix) return k_matrix_data_start;
    return k_data_header_size + (cols * (k_data_name_size + 1) + 7) / 8 * 8;
}

std::string data_file_names_area(const std::vector<std::string>& names) {
    const auto cols = static_cast<std::int64_t>(names.size());
    std::string area(static_cast<std::size_t>(data_file_start(DataFileKind::Names, cols) - k_data_header_size), '\0');
    for (std::size_t j = 0; j < names.size(); ++j)
        std::memcpy(area.data() + j * k_data_name_size, names[j].data(), stored_length(names[j]));
    return area;
}

void make_data_file_header(unsigned char out[k_data_header_size], DataFileKind kind, std::int32_t rows,
                           std::int32_t cols) {
    std::memset(out, 0, k_data_header_size);
    std::memcpy(out, k_signature, sizeof k_signature);
    put32(out + 8, static_cast<std::uint32_t>(kind));
    put32(out + 12, static_cast<std::uint32_t>(rows));
    put32(out + 16, static_cast<std::uint32_t>(cols));
    put32(out + 20, static_cast<std::uint32_t>(data_file_start(kind, cols)));
    put64(out + 24, static_cast<std::uint64_t>(rows) * static_cast<std::uint64_t>(cols) * k_element_size);
}

DataFileHeader parse_data_file_header(const unsigned char* head, std::size_t have, std::uint64_t file_size) {
    DataFileHeader h;
    if (have < sizeof k_signature || std::memcmp(head, k_signature, sizeof k_signature) != 0) return h;
    h.status = DataFileStatus::Truncated;
    if (have < k_data_header_size || file_size < k_data_header_size) return h;
    h.status = DataFileStatus::BadHeader;
    const std::uint32_t kind = get32(head + 8);
    const auto rows = static_cast<std::int32_t>(get32(head + 12));
    const auto cols = static_cast<std::int32_t>(get32(head + 16));
    if ((kind != 1 && kind != 2) || rows < 0 || cols < 0) return h;
    h.kind = static_cast<DataFileKind>(kind);
    const std::int64_t start = data_file_start(h.kind, cols);
    // 128 bits: a forged header must not wrap the element count around.
    using Wide = unsigned __int128;
    const Wide block = Wide(static_cast<std::uint64_t>(rows)) * static_cast<std::uint64_t>(cols) * k_element_size;
    if (get32(head + 20) != static_cast<std::uint64_t>(start) || Wide(get64(head + 24)) != block) return h;
    h.status = DataFileStatus::Truncated;
    if (Wide(file_size) < Wide(static_cast<std::uint64_t>(start)) + block) return h;
    h.status = DataFileStatus::Ok;
    h.rows = rows;
    h.cols = cols;
    h.data_start = start;
    return h;
}

std::vector<std::string> parse_data_file_names(std::string_view area, std::int32_t cols) {
    std::vector<std::string> names;
    for (std::int32_t j = 0; j < cols; ++j) {
        const std::size_t at = static_cast<std::size_t>(j) * k_data_name_size;
        if (at >= area.size()) break;
        std::string_view name = area.substr(at, k_data_name_size);
        names.emplace_back(name.substr(0, name.find('\0')));
    }
    return names;
}

const char* data_file_message(DataFileStatus s) {
    switch (s) {
        case DataFileStatus::NotDataFile: return "Invalid .fmt or .dat file";
        case DataFileStatus::BadHeader: return "Invalid .dat file header";
        case DataFileStatus::Truncated: return "The .dat file is shorter than its header says";
        default: return "";
    }
}

DataFileMatrix parse_data_file(std::string_view bytes) {
    DataFileMatrix m;
    const DataFileHeader h =
        parse_data_file_header(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), bytes.size());
    m.status = h.status;
    if (h.status != DataFileStatus::Ok) return m;
    m.kind = h.kind;
    m.rows = h.rows;
    m.cols = h.cols;
    if (h.kind == DataFileKind::Names)
        m.names = parse_data_file_names(bytes.substr(k_data_header_size), h.cols);
    const std::size_t n = static_cast<std::size_t>(h.rows) * static_cast<std::size_t>(h.cols);
    m.values.resize(n);
    const char* p = bytes.data() + h.data_start;
    for (std::size_t k = 0; k < n; ++k) m.values[k] = get_double(p + k * k_element_size);
    return m;
}

std::string data_file_bytes(DataFileKind kind, const double* values, std::int32_t rows, std::int32_t cols,
                            const std::vector<std::string>& names) {
    unsigned char head[k_data_header_size];
    make_data_file_header(head, kind, rows, cols);
    std::string bytes(reinterpret_cast<const char*>(head), sizeof head);
    if (kind == DataFileKind::Names) {
        std::vector<std::string> all(names.begin(), names.begin() + std::min<std::size_t>(names.size(), cols));
        all.resize(static_cast<std::size_t>(cols));
        bytes += data_file_names_area(all);
    } else {
        bytes.append(k_matrix_data_start - k_data_header_size, '\0');
    }
    const std::size_t n = static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols);
    const std::size_t at = bytes.size();
    bytes.resize(at + n * k_element_size);
    for (std::size_t k = 0; k < n; ++k)
        put64(reinterpret_cast<unsigned char*>(bytes.data() + at + k * k_element_size),
              std::bit_cast<std::uint64_t>(values[k]));
    return bytes;
}

}  // namespace kj::data
