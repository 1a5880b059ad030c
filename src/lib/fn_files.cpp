// Files opened by programs: fopen and fclose, binary reading and writing
// (fread, fwrite) with both byte orders and data files, positions, sizes and
// times, printing into files, and the log stream.
#include "lib/fn_files.h"

#include <cmath>
#include <cstring>
#include <string>
#include <vector>
#include <sys/stat.h>

#include "data/data_file.h"
#include "lib/args.h"
#include "lib/io/file_paths.h"
#include "lib/io/file_value.h"
#include "lib/io/print_args.h"
#include "lib/io/print_sink.h"
#include "lib/library_rows.h"
#include "link/function_table.h"
#include "platform/directories.h"
#include "runtime/host.h"
#include "runtime/run_error.h"

namespace kj::lib {

using value::Value;
using io::OpenFile;

namespace {

// A result that is an int while it fits, else a double.
void set_count(Value& result, std::int64_t n) {
    if (n >= 2147483647LL)
        value::set_double(result, static_cast<double>(n));
    else
        value::set_int(result, static_cast<std::int32_t>(n));
}

OpenFile& file_arg(Value* args, int i) {
    if (!is_type(args[i], value::T_File)) arg_type_error(i, value::T_File, &args[i]);
    OpenFile* f = io::file_of(args[i]);
    if (!f) arg_error(i);
    return *f;
}

// The log stream opened by fopen(name, "l") or "la".
std::FILE*& log_file() {
    static std::FILE* f = nullptr;
    return f;
}
void close_log() {
    if (log_file()) std::fclose(log_file());
    log_file() = nullptr;
    io::set_log_stream(nullptr);
}

// A file value or a file name opened for this one call.
class FileOrName {
public:
    FileOrName(Value* args, int i, const char* mode) {
        if (is_string(args[i])) {
            io::OpenFailure why;
            m_file = io::open_file(std::string(string_of(args[i])), io::parse_open_mode(mode), why);
            m_owned = m_file != nullptr;
        } else {
            m_file = &file_arg(args, i);
        }
    }
    ~FileOrName() {
        if (m_owned) io::close_file(m_file);
    }
    FileOrName(const FileOrName&) = delete;
    FileOrName& operator=(const FileOrName&) = delete;
    OpenFile* get() const { return m_file; }

private:
    OpenFile* m_file = nullptr;
    bool m_owned = false;
};

// The type code of fread/fseek: a character code or a string whose first
// character (after a leading "%") is the code.
char type_code(Value* args, int i, char fallback) {
    const Value& v = args[i];
    if (is_string(v)) {
        std::string_view s = string_of(v);
        if (!s.empty() && s[0] == '%') s.remove_prefix(1);
        return s.empty() ? fallback : s[0];
    }
    const int code = int_arg(args, i);
    return code > 0 && code < 256 ? static_cast<char>(code) : fallback;
}

void swap_bytes(void* p, std::size_t size) {
    auto* b = static_cast<unsigned char*>(p);
    for (std::size_t i = 0; i < size / 2; ++i) std::swap(b[i], b[size - 1 - i]);
}
// The file's byte order applied to `n` items of `size` bytes (its own inverse).
void apply_order(const OpenFile& f, void* data, std::size_t size, std::size_t n) {
    if (!f.big_endian() || size < 2) return;
    auto* b = static_cast<unsigned char*>(data);
    for (std::size_t k = 0; k < n; ++k) swap_bytes(b + k * size, size);
}

// Bytes left between the position and the end, or -1 when unknown.
std::int64_t bytes_left(const OpenFile& f) {
    const std::int64_t size = (f.flags & io::k_file_zip) ? static_cast<std::int64_t>(f.member.size())
                                                         : io::stream_size(f.stream);
    const std::int64_t at = io::file_position(f);
    if (size < 0 || at < 0) return -1;
    return size > at ? size - at : 0;
}

std::int64_t file_size(const OpenFile& f) {
    return (f.flags & io::k_file_zip) ? static_cast<std::int64_t>(f.member.size()) : io::stream_size(f.stream);
}

double day_number(const struct stat& st) {
    return 2440588.0 + (static_cast<double>(st.st_mtim.tv_sec) + st.st_mtim.tv_nsec * 1e-9) / 86400.0;
}

// The variable names of a ".dat" data file (32 bytes each from byte 128) as
// an array of strings; the stream position is kept. -1 when they cannot be read.
std::int64_t read_variable_names(OpenFile& f, Value& out) {
    const std::size_t size = static_cast<std::size_t>(f.dims[1]) * data::k_data_name_size;
    std::string area(size, '\0');
    const off_t at = ftello(f.stream);
    const bool good = fseeko(f.stream, data::k_data_header_size, SEEK_SET) == 0 &&
                      std::fread(area.data(), 1, size, f.stream) == size;
    fseeko(f.stream, at, SEEK_SET);
    if (!good) return -1;
    const std::vector<std::string> names = data::parse_data_file_names(area, f.dims[1]);
    value::set_array(out, static_cast<int>(names.size()));
    for (std::size_t k = 0; k < names.size(); ++k) value::set_string(out.u.arr.v[k], names[k]);
    return static_cast<std::int64_t>(names.size());
}

// Writes the names area of a ".dat" data file after its header; the names
// fix the column count. Returns the number of names written.
std::int64_t write_variable_names(OpenFile& f, const Value& names) {
    if (f.names_written) runtime::raise_run_error_message("Variable names already written\n");
    std::vector<std::string> all;
    for (int k = 0; k < names.u.arr.n; ++k) all.emplace_back(string_of(names.u.arr.v[k]));
    const std::string area = data::data_file_names_area(all);
    if (fseeko(f.stream, data::k_data_header_size, SEEK_SET) != 0 ||
        std::fwrite(area.data(), 1, area.size(), f.stream) != area.size())
        return 0;
    f.dims[1] = static_cast<std::int32_t>(all.size());
    f.data_start = data::data_file_start(data::DataFileKind::Names, f.dims[1]);
    f.names_written = true;
    f.header_dirty = true;
    return static_cast<std::int64_t>(all.size());
}

}  // namespace

void fn_fopen(Value* result, Value* args, int count) {
    check_most(count, 2);
    const std::string name = string_arg(args, 0);
    const std::string mode = count > 1 ? string_arg(args, 1) : std::string("r");
    value::set_int(*result, 0);
    if (!mode.empty() && mode[0] == 'l') {
        close_log();
        log_file() = std::fopen(name.c_str(), mode.size() > 1 && mode[1] == 'a' ? "a" : "w");
        io::set_log_stream(log_file());
        value::set_int(*result, log_file() ? 1 : 0);
        return;
    }
    if (mode == "del") {
        value::set_int(*result, platform::remove_file(name) ? 1 : 0);
        return;
    }
    const io::OpenMode m = io::parse_open_mode(mode);
    io::OpenFailure why;
    OpenFile* f = io::open_file(name, m, why);
    if (f) {
        io::set_file_value(*result, f);
        return;
    }
    if (why == io::OpenFailure::ZipWrite) runtime::raise_run_error_message("Cannot write to .zip file");
    if (why == io::OpenFailure::ZipUpdate) return;
    if (m.warn || m.raise) {
        const bool reading = m.access == io::k_file_read;
        const std::string text = std::string(reading ? "file not found" : "cannot open file") + ": \"" + name + "\"";
        runtime::run_warning_message("fopen", text.c_str());
        if (m.raise) runtime::raise_run_error(runtime::E_Fatal);
    }
}

void fn_fclose(Value* result, Value* args, int) {
    if (is_string(args[0])) {
        if (string_of(args[0]) != "l") arg_error(0);
        close_log();
        value::set_int(*result, 0);
        return;
    }
    OpenFile& f = file_arg(args, 0);
    value::set_int(*result, io::close_file(&f));
}

void fn_feof(Value* result, Value* args, int) {
    OpenFile& f = file_arg(args, 0);
    int at_end = 0;
    if (f.readable() && f.stream) {
        const int c = std::getc(f.stream);
        if (c == EOF)
            at_end = 1;
        else
            std::ungetc(c, f.stream);
    }
    value::set_int(*result, at_end);
}

void fn_fflush(Value* result, Value* args, int) {
    if (is_type(args[0], value::T_Int) && args[0].u.ival == 0) {
        runtime::flush();
    } else {
        OpenFile& f = file_arg(args, 0);
        if (f.writable()) std::fflush(f.stream);
    }
    value::set_int(*result, 0);
}

namespace {
void print_to_file(Value* result, Value* args, int count, bool line) {
    OpenFile& f = file_arg(args, 0);
    if (f.writable()) {
        io::FileSink out(f.stream);
        if (line)
            io::print_line_args(out, args + 1, count - 1);
        else
            io::print_args(out, args + 1, count - 1);
    }
    value::set_int(*result, count - 1);
}
}  // namespace

void fn_fprint(Value* result, Value* args, int count) { print_to_file(result, args, count, false); }
void fn_fprintln(Value* result, Value* args, int count) { print_to_file(result, args, count, true); }

void fn_fread(Value* result, Value* args, int count) {
    check_most(count, 5);
    FileOrName source(args, 0, "rb");
    Value& target = args[1];
    if (!is_type(target, value::T_Array) || !value::has_flag(target, value::k_address)) arg_error(1);
    const char code = count > 2 ? type_code(args, 2, 'e') : 'e';
    value::set_int(*result, -1);
    OpenFile* f = source.get();
    if (!f || !f->readable()) {
        value::set_int(*result, f ? 0 : -1);
        return;
    }
    long long r = 1, c = 1;
    if (f->data_file() && (code == 'e' || code == 'f' || code == '4')) {
        r = f->dims[0];
        c = f->dims[1];
    }
    if (count > 3) r = int_arg(args, 3);
    if (count > 4) c = int_arg(args, 4);
    if (r < 0 || c < 0) runtime::raise_run_error(runtime::E_NegativeDim);
    const std::int64_t left = bytes_left(*f);
    Value out = value::make_int(0);
    std::int64_t got = 0;
    switch (code) {
        case 'c': {
            if (r <= 1) {
                const int b = std::getc(f->stream);
                if (b == EOF) return;
                value::set_int(out, b);
                got = 1;
            } else {
                const long long want = std::min<long long>(r, left >= 0 ? left : (1LL << 27));
                std::string bytes(static_cast<std::size_t>(want), '\0');
                got = static_cast<std::int64_t>(std::fread(bytes.data(), 1, bytes.size(), f->stream));
                if (got == 0) return;
                value::set_string(out, bytes.data(), got);
            }
            break;
        }
        case 's': {
            if (f->flags & io::k_file_dataset) {
                got = read_variable_names(*f, out);
                if (got < 0) return;
                break;
            }
            std::string bytes;
            char chunk[65536];
            for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, f->stream)) > 0;) bytes.append(chunk, n);
            if (bytes.empty()) return;
            std::string text;
            text.reserve(bytes.size());
            for (std::size_t k = 0; k < bytes.size(); ++k)
                if (!(bytes[k] == '\r' && k + 1 < bytes.size() && bytes[k + 1] == '\n')) text += bytes[k];
            got = static_cast<std::int64_t>(bytes.size());
            value::set_string(out, text);
            break;
        }
        case 'd': case 'i': case 'e': case 'f': case '4': {
            const std::size_t size = (code == 'e' || code == 'f') ? 8 : 4;
            if (c == 0 || r == 0) {
                new_matrix(out, 0, 0);
                break;
            }
            // Never more items than the rest of the file holds (a stream of
            // unknown length is read at most 128 MB at a time).
            const long long room = left >= 0 ? left : (1LL << 27);
            const bool single = r * c == 1;
            const std::size_t n = static_cast<std::size_t>(std::min<long long>(r * c, room / size + 1));
            std::vector<unsigned char> raw(n * size);
            const std::size_t items = std::fread(raw.data(), size, n, f->stream);
            if (items == 0) return;
            apply_order(*f, raw.data(), size, items);
            got = static_cast<std::int64_t>(items);
            if ((code == 'd' || code == 'i') && single) {
                std::int32_t i32;
                std::memcpy(&i32, raw.data(), 4);
                value::set_int(out, i32);
                break;
            }
            const long long rows = static_cast<long long>(items) / c;
            double** m = new_matrix(out, rows, rows ? c : 0);
            for (long long k = 0; k < rows * c; ++k) {
                double x;
                if (size == 8) {
                    std::memcpy(&x, raw.data() + k * 8, 8);
                } else if (code == '4') {
                    float y;
                    std::memcpy(&y, raw.data() + k * 4, 4);
                    x = y;
                } else {
                    std::int32_t y;
                    std::memcpy(&y, raw.data() + k * 4, 4);
                    x = y;
                }
                m[0][k] = x;
            }
            break;
        }
        default: arg_error(2);
    }
    store_reference(target, out);
    set_count(*result, got);
}

void fn_fwrite(Value* result, Value* args, int) {
    FileOrName sink(args, 0, "wb");
    OpenFile* f = sink.get();
    value::set_int(*result, 0);
    if (!f || !f->writable()) return;
    Value& x = args[1];
    std::int64_t items = 0;
    if (is_string(x)) {
        const std::string_view s = string_of(x);
        items = static_cast<std::int64_t>(std::fwrite(s.data(), 1, s.size(), f->stream));
    } else if (is_type(x, value::T_Int) && !f->data_file()) {
        std::int32_t i = x.u.ival;
        apply_order(*f, &i, 4, 1);
        items = static_cast<std::int64_t>(std::fwrite(&i, 4, 1, f->stream));
    } else if (is_type(x, value::T_Double) && !f->data_file()) {
        double d = x.u.dval;
        apply_order(*f, &d, 8, 1);
        items = static_cast<std::int64_t>(std::fwrite(&d, 8, 1, f->stream));
    } else if (is_type(x, value::T_Array)) {
        if (!(f->flags & io::k_file_dataset) || !is_string_array(x)) arg_error(1);
        items = write_variable_names(*f, x);
    } else {
        const MatrixArg m = matrix_arg(args, 1);
        if ((f->flags & io::k_file_dataset) && !f->names_written)
            runtime::raise_run_error_message("Must first write variable names as array of strings\n");
        if (f->data_file()) {
            // The first matrix fixes the columns, except in a ".dat" file, whose names did.
            if (f->dims[0] == 0 && f->dims[1] == 0 && !(f->flags & io::k_file_dataset)) f->dims[1] = m.c;
            if (m.c != f->dims[1] && !m.empty()) {
                char text[96];
                std::snprintf(text, sizeof text, "Columns don't match: file: %d, matrix: %d\n", f->dims[1], m.c);
                runtime::raise_run_error_message(text);
            }
        }
        if (!m.empty()) {
            const std::size_t n = static_cast<std::size_t>(m.count());
            if (f->big_endian()) {
                std::vector<double> copy(m.data(), m.data() + n);
                apply_order(*f, copy.data(), 8, n);
                items = static_cast<std::int64_t>(std::fwrite(copy.data(), 8, n, f->stream));
            } else {
                items = static_cast<std::int64_t>(std::fwrite(m.data(), 8, n, f->stream));
            }
            if (f->data_file()) {
                // Rows written over old ones (a file opened for update) add
                // nothing; rows past the last one extend the count.
                const std::int64_t at = io::file_position(*f);
                const std::int64_t end = at < 0 ? f->dims[0] + items / m.c : (at - f->data_start) / (8LL * m.c);
                if (end > f->dims[0]) f->dims[0] = static_cast<std::int32_t>(end);
                f->header_dirty = true;
            }
        }
    }
    set_count(*result, items);
}

void fn_fseek(Value* result, Value* args, int count) {
    check_most(count, 3);
    OpenFile& f = file_arg(args, 0);
    if (count == 1) {
        set_count(*result, (f.flags & io::k_file_zip) ? -1 : io::file_position(f));
        return;
    }
    const char code = count > 2 ? type_code(args, 1, 'c') : 'c';
    const long long n = int_arg(args, count > 2 ? 2 : 1);
    value::set_int(*result, -1);
    if (f.flags & io::k_file_zip) return;
    std::fflush(f.stream);
    int rc;
    if (n == -1) {
        rc = fseeko(f.stream, 0, SEEK_END);
    } else if (n < 0) {
        return;
    } else {
        long long at;
        switch (code) {
            case 'c': at = n; break;
            case 'd': case 'i': case '4': at = 4 * n; break;
            case 'e': case 'f':
                at = f.data_file() ? f.data_start + n * 8LL * f.dims[1] : 8 * n;
                break;
            default: arg_error(1);
        }
        rc = fseeko(f.stream, static_cast<off_t>(at), SEEK_SET);
    }
    value::set_int(*result, rc == 0 ? 0 : -1);
}

void fn_fsize(Value* result, Value* args, int) {
    std::int64_t size = -1;
    if (is_string(args[0])) {
        struct stat st {};
        if (::stat(std::string(string_of(args[0])).c_str(), &st) == 0 && S_ISREG(st.st_mode)) size = st.st_size;
    } else {
        size = file_size(file_arg(args, 0));
    }
    if (size > 2147483646)
        value::set_double(*result, static_cast<double>(size));
    else
        value::set_int(*result, static_cast<std::int32_t>(size));
}

void fn_ftime(Value* result, Value* args, int) {
    double t = std::nan("");
    struct stat st {};
    if (is_string(args[0])) {
        if (::stat(std::string(string_of(args[0])).c_str(), &st) == 0) t = day_number(st);
    } else {
        OpenFile& f = file_arg(args, 0);
        if (!(f.flags & io::k_file_zip) && ::fstat(::fileno(f.stream), &st) == 0) t = day_number(st);
    }
    value::set_double(*result, t);
}

void fn_kjprintlevel(Value* result, Value* args, int) {
    const int level = int_arg(args, 0);
    const int previous = runtime::state().print_level;
    runtime::state().print_level = level;
    value::set_int(*result, previous);
}

namespace {
constexpr std::uint32_t k_file_varargs = k_varargs | k_serial;
const NamedRow k_file_rows[] = {
    {"chdir", fn_chdir, 1, k_serial},
    {"fclose", fn_fclose, 1, k_serial},
    {"feof", fn_feof, 1, k_serial},
    {"fflush", fn_fflush, 1, k_serial},
    {"fopen", fn_fopen, 1, k_file_varargs},
    {"fprint", fn_fprint, 2, k_file_varargs},
    {"fprintln", fn_fprintln, 2, k_file_varargs},
    {"fread", fn_fread, 2, k_file_varargs},
    {"fremove", fn_fremove, 1, k_serial},
    {"frename", fn_frename, 2, k_serial},
    {"fscan", fn_fscan, 2, k_file_varargs},
    {"fseek", fn_fseek, 1, k_file_varargs},
    {"fsize", fn_fsize, 1, k_serial},
    {"ftime", fn_ftime, 1, k_serial},
    {"fwrite", fn_fwrite, 2, k_serial},
    {"getcwd", fn_getcwd, 0, k_serial},
    {"getfiles", fn_getfiles, 1, k_serial},
    {"getfolders", fn_getfolders, 1, k_serial},
    {"kjprintlevel", fn_kjprintlevel, 1, k_serial},
    {"loadmat", fn_loadmat, 1, k_file_varargs},
    {"savemat", fn_savemat, 2, k_file_varargs},
    {"scan", fn_scan, 1, k_file_varargs},
    {"sscan", fn_sscan, 2, k_file_varargs},
};
}  // namespace

void close_open_files() {
    io::close_all_files();
    close_log();
}

std::span<const NamedRow> file_rows() { return k_file_rows; }

}  // namespace kj::lib
