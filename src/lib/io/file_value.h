// Files that programs open with fopen: the open-file record behind a `file`
// value, the open modes, data files with their matrix header, zip members
// read from memory, and the registry that tells a live file from a closed one.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "value/value.h"

namespace kj::lib::io {

enum FileFlag : std::uint32_t {
    k_file_read = 0x1,
    k_file_write = 0x2,
    k_file_append = 0x4,
    k_file_data = 0x8,       // carries a matrix data header (modes "f", "F")
    k_file_dataset = 0x10,   // a ".dat" data file (header with variable names)
    k_file_labelled = 0x20,  // "F" or ".dat": the data-file kind of header
    k_file_little = 0x40,    // binary numbers little-endian (the default)
    k_file_big = 0x80,       // binary numbers byte-swapped
    k_file_binary = 0x100,
    k_file_zip = 0x200,      // a member of a zip archive, read from memory
};

struct OpenFile {
    std::FILE* stream = nullptr;
    std::uint32_t flags = 0;
    std::int32_t dims[2] = {0, 0};  // data file: rows and columns
    std::int64_t data_start = 0;    // data file: offset of the element block
    bool header_dirty = false;      // data file written: header needs the final counts
    bool names_written = false;     // ".dat" data file: its variable names are in place
    std::int32_t serial = 0;        // tells this record from a later one at the same address
    std::string name;
    std::string member;             // zip member: its bytes (the stream reads them)

    bool readable() const { return (flags & k_file_read) != 0; }
    bool writable() const { return (flags & (k_file_write | k_file_append)) != 0 && !(flags & k_file_zip); }
    bool big_endian() const { return (flags & k_file_big) != 0; }
    bool data_file() const { return (flags & k_file_data) != 0; }
};

// Parsed mode characters (the first eight; unknown ones ignored).
struct OpenMode {
    std::uint32_t flags = 0;
    std::uint32_t access = 0;  // the first access character: k_file_read, k_file_write or k_file_append
    bool update = false;       // "+": reading and writing, the access deciding where and whether to truncate
    bool warn = false;         // "v": failure as a warning
    bool raise = false;        // "V": failure as a run-time error
};
OpenMode parse_open_mode(const std::string& mode);

enum class OpenFailure {
    None, NotFound, CannotOpen, BadHeader, ZipWrite, ZipUpdate,
};

// Opens name with the parsed mode; null with why set on failure.
OpenFile* open_file(const std::string& name, const OpenMode& mode, OpenFailure& why);

// Flushes a data file's header, closes the stream, forgets the record.
// 0, or -1 when the stream reported an error.
int close_file(OpenFile* f);
void close_all_files();

// The record into / out of a `file` value; file_of gives null for anything
// but a file that is still open.
void set_file_value(value::Value& v, OpenFile* f);
OpenFile* file_of(const value::Value& v);

// A data file's header with the current counts, written at its start (the
// stream position is kept): the 16-byte matrix header, or for "F" and ".dat"
// files the data-file header.
bool write_data_header(OpenFile& f);

// Position of the stream as the functions report it, -1 when unknown.
std::int64_t file_position(const OpenFile& f);

}  // namespace kj::lib::io
