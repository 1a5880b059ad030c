#include "lib/io/file_value.h"

#include <algorithm>
#include <sys/stat.h>
#include <vector>

#include "data/data_file.h"
#include "lib/io/file_paths.h"
#include "lib/io/matrix_files.h"

namespace kj::lib::io {

namespace {
// Every record that is open; a file value whose record is not here was closed.
std::vector<OpenFile*>& open_files() {
    static std::vector<OpenFile*> files;
    return files;
}

// Closed records stay allocated for a while, so that a file value used after
// fclose (its sizes, say) still points at something: a closed file has no
// rows or columns. The oldest are freed once many have gathered.
std::vector<OpenFile*>& closed_files() {
    static std::vector<OpenFile*> files;
    return files;
}
constexpr std::size_t k_closed_kept = 4096;

void retire(OpenFile* f) {
    f->stream = nullptr;
    f->dims[0] = f->dims[1] = 0;
    f->serial = 0;
    std::string().swap(f->member);
    std::string().swap(f->name);
    auto& closed = closed_files();
    if (closed.size() >= k_closed_kept) {
        delete closed.front();
        closed.erase(closed.begin());
    }
    closed.push_back(f);
}

void remember(OpenFile* f) {
    static std::int32_t next = 0;
    f->serial = ++next;
    open_files().push_back(f);
}

std::int64_t data_size(const OpenFile& f) {
    return (f.flags & k_file_zip) ? static_cast<std::int64_t>(f.member.size()) : stream_size(f.stream);
}

// A data file's header: the 16-byte matrix header, or the data-file header
// (whose kind sets the labelled and data-set flags).
bool read_data_header(OpenFile& f) {
    unsigned char head[data::k_data_header_size];
    std::rewind(f.stream);
    const std::size_t have = std::fread(head, 1, sizeof head, f.stream);
    const std::int64_t size = data_size(f);
    const std::uint64_t file_size = size < 0 ? 0 : static_cast<std::uint64_t>(size);
    const FmtHeader h = parse_fmt_header(head, std::min<std::size_t>(have, k_fmt_header_size), file_size);
    if (h.status == FmtStatus::Ok) {
        f.dims[0] = h.rows;
        f.dims[1] = h.cols;
        f.data_start = k_fmt_header_size;
        f.flags &= ~(k_file_labelled | k_file_dataset);
        return std::fseek(f.stream, f.data_start, SEEK_SET) == 0;
    }
    const data::DataFileHeader d = data::parse_data_file_header(head, have, file_size);
    if (d.status != data::DataFileStatus::Ok) return false;
    f.dims[0] = d.rows;
    f.dims[1] = d.cols;
    f.data_start = d.data_start;
    f.flags |= k_file_labelled;
    if (d.kind == data::DataFileKind::Names) {
        f.flags |= k_file_dataset;
        f.names_written = true;
    } else {
        f.flags &= ~k_file_dataset;
    }
    return std::fseek(f.stream, f.data_start, SEEK_SET) == 0;
}

OpenFile* open_member(const std::string& name, const std::string& archive, const std::string& member,
                      OpenFailure& why) {
    const std::string found = find_readable(archive);
    if (found.empty()) {
        why = OpenFailure::NotFound;
        return nullptr;
    }
    auto* f = new OpenFile;
    f->name = name;
    std::string error;
    if (!read_whole(found + "//" + member, f->member, error)) {
        delete f;
        why = OpenFailure::NotFound;
        return nullptr;
    }
    // An empty member still needs a stream that reports its end.
    f->stream = f->member.empty() ? std::fopen("/dev/null", "rb")
                                  : ::fmemopen(f->member.data(), f->member.size(), "rb");
    if (!f->stream) {
        delete f;
        why = OpenFailure::CannotOpen;
        return nullptr;
    }
    f->flags = k_file_read | k_file_zip | k_file_binary | k_file_little;
    return f;
}

bool exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}
}  // namespace

OpenMode parse_open_mode(const std::string& mode) {
    OpenMode m;
    std::uint32_t access = 0;
    for (std::size_t i = 0; i < mode.size() && i < 8; ++i) {
        switch (mode[i]) {
            case 'r': if (!access) access = k_file_read; break;
            case 'w': if (!access) access = k_file_write; break;
            case 'a': if (!access) access = k_file_append; break;
            case '+':
                if (!access) access = k_file_read;
                m.update = true;
                break;
            case 'b': m.flags |= k_file_binary; break;
            case 'e': m.flags = (m.flags & ~k_file_big) | k_file_little; break;
            case 'E': m.flags = (m.flags & ~k_file_little) | k_file_big; break;
            case 'f': m.flags |= k_file_data; break;
            case 'F': m.flags |= k_file_data | k_file_labelled; break;
            case 'v': m.warn = true; break;
            case 'V': m.raise = true; break;
            default: break;
        }
    }
    if (!access) access = k_file_read;
    m.access = access;
    if (m.update) access |= k_file_read | ((access & k_file_append) ? 0u : static_cast<std::uint32_t>(k_file_write));
    if (!(m.flags & k_file_big)) m.flags |= k_file_little;
    if (m.flags & k_file_data) m.flags |= k_file_binary;
    m.flags |= access;
    return m;
}

OpenFile* open_file(const std::string& name, const OpenMode& mode, OpenFailure& why) {
    why = OpenFailure::None;
    const std::uint32_t fl = mode.flags;
    // What the stream is opened for follows the first access character; "+"
    // adds the other direction without changing where writing starts: "r+"
    // keeps the contents, "w+" empties the file, "a+" writes at its end.
    const bool write = mode.access == k_file_write, append = mode.access == k_file_append;
    std::string archive, member;
    if (split_member_name(name, archive, member)) {
        if (mode.update || append) {
            why = OpenFailure::ZipUpdate;
            return nullptr;
        }
        if (write) {
            why = OpenFailure::ZipWrite;
            return nullptr;
        }
        OpenFile* f = open_member(name, archive, member, why);
        if (!f) return nullptr;
        // A data file inside an archive: its header gives rows and columns.
        if (mode.flags & k_file_data) {
            f->flags |= mode.flags & (k_file_data | k_file_big | k_file_little);
            if (mode.flags & k_file_big) f->flags &= ~k_file_little;
            if (!read_data_header(*f)) {
                std::fclose(f->stream);
                delete f;
                why = OpenFailure::BadHeader;
                return nullptr;
            }
        }
        remember(f);
        return f;
    }
    const bool is_data = (fl & k_file_data) != 0;
    std::string path = name;
    const char* how;
    if (is_data && (append || mode.update) && !write && exists(name)) {
        how = "r+b";
    } else if (is_data && (append || write)) {
        // Appending to a data file that is not there yet starts a new one.
        how = mode.update ? "w+b" : "wb";
    } else if (append) {
        how = mode.update ? "a+" : "a";
    } else if (write) {
        how = mode.update ? "w+" : "w";
    } else {
        how = mode.update ? "r+" : "r";
        path = find_readable(name);
        if (path.empty()) {
            why = OpenFailure::NotFound;
            return nullptr;
        }
    }
    std::FILE* stream = std::fopen(path.c_str(), how);
    if (!stream) {
        why = write || append ? OpenFailure::CannotOpen : OpenFailure::NotFound;
        return nullptr;
    }
    auto* f = new OpenFile;
    f->stream = stream;
    f->flags = fl;
    f->name = name;
    if (is_data) {
        bool good;
        if (how[0] == 'w') {
            // A new data file: the kind follows the mode and the name.
            if (lower_extension(name) == ".dat") f->flags |= k_file_labelled | k_file_dataset;
            f->data_start = !(f->flags & k_file_labelled) ? k_fmt_header_size
                            : (f->flags & k_file_dataset) ? data::k_data_header_size
                                                           : data::k_matrix_data_start;
            good = write_data_header(*f) && std::fseek(stream, f->data_start, SEEK_SET) == 0;
        } else {
            good = read_data_header(*f);
            if (good) {
                const std::int64_t end =
                    f->data_start + static_cast<std::int64_t>(f->dims[0]) * f->dims[1] * 8;
                good = std::fseek(stream, append ? end : f->data_start, SEEK_SET) == 0;
            }
        }
        if (!good) {
            std::fclose(stream);
            delete f;
            why = OpenFailure::BadHeader;
            return nullptr;
        }
    }
    remember(f);
    return f;
}

bool write_data_header(OpenFile& f) {
    unsigned char head[data::k_matrix_data_start] = {};
    std::size_t size = k_fmt_header_size;
    if (!(f.flags & k_file_labelled)) {
        make_fmt_header(head, f.dims[0], f.dims[1]);
    } else if (f.flags & k_file_dataset) {
        // The names area that follows is written with the names.
        data::make_data_file_header(head, data::DataFileKind::Names, f.dims[0], f.dims[1]);
        size = data::k_data_header_size;
    } else {
        data::make_data_file_header(head, data::DataFileKind::Matrix, f.dims[0], f.dims[1]);
        size = data::k_matrix_data_start;
    }
    const long at = std::ftell(f.stream);
    bool good = std::fseek(f.stream, 0, SEEK_SET) == 0 && std::fwrite(head, 1, size, f.stream) == size;
    if (at > 0) good = std::fseek(f.stream, at, SEEK_SET) == 0 && good;
    return good;
}

int close_file(OpenFile* f) {
    auto& files = open_files();
    auto it = std::find(files.begin(), files.end(), f);
    if (it == files.end()) return -1;
    files.erase(it);
    bool good = true;
    if (f->data_file() && f->header_dirty) good = write_data_header(*f);
    if (f->stream && std::fclose(f->stream) != 0) good = false;
    retire(f);
    return good ? 0 : -1;
}

void close_all_files() {
    while (!open_files().empty()) close_file(open_files().back());
    for (OpenFile* f : closed_files()) delete f;
    closed_files().clear();
}

void set_file_value(value::Value& v, OpenFile* f) {
    value::release(v);
    v = value::Value{};
    v.type = value::T_File;
    v.u.file.stream = f;
    v.u.file.mode = f->flags;
    v.u.file.pad = f->serial;
    v.u.file.dims = f->dims;
    v.u.file.archive = (f->flags & k_file_zip) ? f : nullptr;
}

OpenFile* file_of(const value::Value& v) {
    if (value::is_null(v) || value::type_of(v) != value::T_File) return nullptr;
    auto* f = static_cast<OpenFile*>(v.u.file.stream);
    const auto& files = open_files();
    return std::find(files.begin(), files.end(), f) != files.end() && f->serial == v.u.file.pad ? f : nullptr;
}

std::int64_t file_position(const OpenFile& f) {
    if (!f.stream) return -1;
    return static_cast<std::int64_t>(::ftello(f.stream));
}

}  // namespace kj::lib::io
