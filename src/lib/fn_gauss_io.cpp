// GAUSS input/output helpers: the current directory (cdir), the message of
// the last system error, line input and the error state of open files (for
// the fgets and fcheckerr families of the support source), and filesa.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include <unistd.h>

#include "lib/args.h"
#include "lib/fn_files.h"
#include "lib/io/file_value.h"
#include "lib/library_rows.h"
#include "link/function_table.h"

namespace kj::lib {

namespace {

using value::Value;

// cdir(drive): the current directory as a full path, without a trailing
// slash except at the root. There are no drive letters here: every drive
// argument ("" or 0, "C", "C:") gives the current directory.
void fn_gauss_cdir(Value* r, Value* a, int) {
    if (!is_string(a[0]) && !is_scalar(a[0])) arg_type_error(0, value::T_String, &a[0]);
    std::string dir;
    char buf[4096];
    if (::getcwd(buf, sizeof buf)) dir = buf;
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    value::set_string(*r, dir);
}

void fn_gauss_strerror(Value* r, Value*, int) { value::set_string(*r, std::string(std::strerror(errno))); }

// The stream of an open file argument.
std::FILE* stream_arg(Value* a, int i) {
    if (!is_type(a[i], value::T_File)) arg_type_error(i, value::T_File, &a[i]);
    const io::OpenFile* f = io::file_of(a[i]);
    if (!f || !f->stream) arg_error(i);
    return f->stream;
}

// __fgets__(file, maxsize [, strip]): one line of at most maxsize - 1
// characters, its line end kept unless strip is nonzero; "" at the end of
// the file.
void fn_gauss_fgets(Value* r, Value* a, int count) {
    check_most(count, 3);
    std::FILE* f = stream_arg(a, 0);
    const int most = int_arg(a, 1) - 1;
    const bool strip = count > 2 && int_arg(a, 2) != 0;
    std::string line;
    int c = 0;
    while (static_cast<int>(line.size()) < most && (c = std::getc(f)) != EOF) {
        line.push_back(static_cast<char>(c));
        if (c == '\n') break;
    }
    if (strip) {
        if (!line.empty() && line.back() == '\n') line.pop_back();
        if (!line.empty() && line.back() == '\r') line.pop_back();
    }
    value::set_string(*r, line);
}

// __ferror__(file): 1 when a read or write on the file failed, else 0.
void fn_gauss_ferror(Value* r, Value* a, int) { value::set_int(*r, std::ferror(stream_arg(a, 0)) ? 1 : 0); }

// __fclearerror__(file): the error state as __ferror__ gives it, then cleared.
void fn_gauss_fclearerror(Value* r, Value* a, int) {
    std::FILE* f = stream_arg(a, 0);
    value::set_int(*r, std::ferror(f) ? 1 : 0);
    std::clearerr(f);
}

// __isopen__(x): 1 for a file that is still open, else 0.
void fn_gauss_isopen(Value* r, Value* a, int) {
    value::set_int(*r, is_type(a[0], value::T_File) && io::file_of(a[0]) ? 1 : 0);
}

// __datainfo__(file): rows, columns and the current row (from 0) of an
// open data file, as a 1 x 3 matrix; the current row is -1 when the stream
// is not at the start of a row.
void fn_gauss_datainfo(Value* r, Value* a, int) {
    stream_arg(a, 0);
    const io::OpenFile* f = io::file_of(a[0]);
    if (!f->data_file()) arg_error(0);
    const std::int64_t row_bytes = std::int64_t{8} * f->dims[1];
    const std::int64_t at = io::file_position(*f) - f->data_start;
    const double row = row_bytes > 0 && at >= 0 && at % row_bytes == 0 ? static_cast<double>(at / row_bytes)
                       : row_bytes == 0 && at == 0                   ? 0.0
                                                                     : -1.0;
    value::set_matrix(*r, 1, 3);
    r->u.mat.m[0][0] = f->dims[0];
    r->u.mat.m[0][1] = f->dims[1];
    r->u.mat.m[0][2] = row;
}

const DescriptorRow k_gauss_io[] = {
    {"c$gauss::cdir", fn_gauss_cdir},
    {"$gauss::__strerror__", fn_gauss_strerror},
};

const NamedRow k_gauss_files[] = {
    {"gauss::__fgets__", fn_gauss_fgets, 2, k_varargs | k_serial},
    {"gauss::__ferror__", fn_gauss_ferror, 1, k_serial},
    {"gauss::__fclearerror__", fn_gauss_fclearerror, 1, k_serial},
    {"gauss::__datainfo__", fn_gauss_datainfo, 1, k_serial},
    {"gauss::__isopen__", fn_gauss_isopen, 1, k_serial},
    // filesa(pattern): the names of the files that match, as getfiles.
    {"gauss::filesa", fn_getfiles, 1, k_serial},
};

}  // namespace

std::span<const DescriptorRow> gauss_io_rows() { return k_gauss_io; }
std::span<const NamedRow> gauss_file_rows() { return k_gauss_files; }

}  // namespace kj::lib
