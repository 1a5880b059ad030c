// Data files: a matrix of doubles behind a header that the runtime keeps up
// to date while the file is written. Two kinds share one 128-byte header:
// the matrix data file (fopen mode "F"), whose elements start at byte 136,
// and the data file with variable names (".dat"), whose header is followed
// by a 32-byte name per column, one type byte per column (0: double) and zero
// bytes up to a multiple of 8. All integers are little-endian:
//
//   offset  size  content
//        0     8  signature "KjDATA", 0x1A, 0x01
//        8     4  kind: 1 matrix data file, 2 data file with variable names
//       12     4  rows
//       16     4  columns
//       20     4  offset of the element block
//       24     8  size of the element block in bytes (rows x columns x 8)
//       32    96  zero
//      128     8  matrix data file: zero; data file with names: the names
//
// The elements follow as IEEE doubles, row after row. The first byte (0x4B)
// tells a data file from a binary matrix file (0xDD) and from the obsolete
// binary format (0xDA).
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace kj::data {

constexpr int k_data_header_size = 128;
constexpr int k_matrix_data_start = 136;
constexpr int k_data_name_size = 32;

enum class DataFileKind : std::int32_t { Matrix = 1, Names = 2 };

// Offset of the element block for a file of this kind with cols columns.
std::int64_t data_file_start(DataFileKind kind, std::int64_t cols);

// The names area of a ".dat" file: each name in 32 bytes (cut at 32 bytes,
// never inside a UTF-8 character, padded with zero bytes), one zero byte per
// name, zero bytes up to a multiple of 8.
std::string data_file_names_area(const std::vector<std::string>& names);

// The 128 header bytes.
void make_data_file_header(unsigned char out[k_data_header_size], DataFileKind kind, std::int32_t rows,
                           std::int32_t cols);

enum class DataFileStatus {
    Ok,
    NotDataFile,  // no data-file signature
    BadHeader,    // signature present, but kind, counts or offsets make no sense
    Truncated,    // the file is shorter than its header says
};

struct DataFileHeader {
    DataFileStatus status = DataFileStatus::NotDataFile;
    DataFileKind kind = DataFileKind::Matrix;
    std::int32_t rows = 0;
    std::int32_t cols = 0;
    std::int64_t data_start = 0;
};

// Reads the header from the first bytes of a file of file_size bytes (the
// first 128 when it has them); the names area and the element block must fit
// in the file.
DataFileHeader parse_data_file_header(const unsigned char* head, std::size_t have, std::uint64_t file_size);

// The names from a names area of cols x 32 bytes (each up to its first zero).
std::vector<std::string> parse_data_file_names(std::string_view area, std::int32_t cols);

const char* data_file_message(DataFileStatus s);

// A whole data file in memory: the matrix (row-major) and, for a ".dat"
// file, the variable names.
struct DataFileMatrix {
    DataFileStatus status = DataFileStatus::NotDataFile;
    DataFileKind kind = DataFileKind::Matrix;
    std::int32_t rows = 0;
    std::int32_t cols = 0;
    std::vector<double> values;
    std::vector<std::string> names;
};
DataFileMatrix parse_data_file(std::string_view bytes);

// The whole file for rows x cols (row-major); names are written for the
// "names" kind only (missing ones as empty names).
std::string data_file_bytes(DataFileKind kind, const double* values, std::int32_t rows, std::int32_t cols,
                            const std::vector<std::string>& names);

}  // namespace kj::data
