// The two matrix-file formats of loadmat and savemat: the text matrix file
// (an optional "rows columns" header line, then the elements) and the binary
// .fmt file (a 16-byte header, then the elements as little-endian doubles).
// The readers work on bytes already in memory or on an open stream, check
// every size against what the file can hold before allocating, and report
// damage with a status instead of raising, so they also serve the fuzz targets.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace kj::lib::io {

// --- numbers in text ------------------------------------------------------

enum class NumberRead { Number, None, End };

// Reads one element at p (advanced past what it consumed): white space and at
// most one comma are skipped; then a decimal number, or one of the missing and
// infinite spellings ".", ".NaN", "#N/A", "M", "m", "+.Inf", "-.Inf". A token
// that is none of these is skipped with the rest of its line (none).
NumberRead read_number(const char*& p, const char* end, double& x);

// A decimal number (optional sign, digits, point, exponent; "inf" and "nan"
// words too) at p; false, with p unchanged, when there is none.
bool parse_decimal(const char*& p, const char* end, double& x);

// --- text matrix files -----------------------------------------------------

enum class TextMatrixStatus {
    Ok,
    Empty,          // no header (or, with one_column, no number): no matrix, no message
    Negative,       // "load matrix: no matrix elements"
    ShortElements,  // "load matrix: not enough matrix elements" (matrix still returned)
    TooLarge,       // the header asks for far more elements than the file could hold
};

struct TextMatrix {
    TextMatrixStatus status = TextMatrixStatus::Empty;
    int rows = 0;
    int cols = 0;
    std::vector<double> values;  // rows x cols, row-major; NaN where nothing was read
};

// one_column: ignore any header and read every number of the text into one
// column (up to the first token that is no number).
TextMatrix parse_text_matrix(std::string_view text, bool one_column);

// Text of the two messages above ("" for the others).
const char* text_matrix_message(TextMatrixStatus s);

// Writes rows x cols (row-major) as a text matrix file: the header line unless
// header is false, then " %25.16e" per element, a new line for each row and
// whenever a line holds as many elements as the line length allows.
bool write_text_matrix(std::FILE* out, const double* values, int rows, int cols, bool header);

// --- binary .fmt files ------------------------------------------------------

enum class FmtStatus {
    Ok,
    Obsolete,    // "Please convert old .dht/.dat to new .dat file"
    InvalidFmt,  // "Invalid .fmt file"
    NotFmt,      // "Invalid .fmt or .dat file": not a binary matrix file at all
};

constexpr int k_fmt_header_size = 16;

struct FmtHeader {
    FmtStatus status = FmtStatus::NotFmt;
    int rows = 0;
    int cols = 0;
};

// Reads the header from the first bytes of a file of file_size bytes (at
// least 16 must be given when the file has them). The element block must fit
// in the file: a header that claims more is invalid_fmt.
FmtHeader parse_fmt_header(const unsigned char* head, std::size_t have, std::uint64_t file_size);
const char* fmt_message(FmtStatus s);

// The 16 header bytes for rows x cols.
void make_fmt_header(unsigned char out[k_fmt_header_size], int rows, int cols);

// Element block conversion between memory and the little-endian file layout
// (a copy on little-endian machines, a byte swap elsewhere).
void doubles_from_little_endian(double* values, std::size_t n);
void doubles_to_little_endian(const double* values, std::size_t n, unsigned char* out);

// A whole .fmt file in memory (the fuzz target's entry).
struct FmtMatrix {
    FmtStatus status = FmtStatus::NotFmt;
    int rows = 0;
    int cols = 0;
    std::vector<double> values;
};
FmtMatrix parse_fmt(std::string_view bytes);

// Writes header and elements; false on a write error.
bool write_fmt(std::FILE* out, const double* values, int rows, int cols);

}  // namespace kj::lib::io
