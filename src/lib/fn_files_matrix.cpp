// loadmat and savemat: whole matrices to and from files. Data-set kinds go
// through the data-set door; the rest are text matrix files or, with the
// extension .fmt, binary matrix files.
#include <cstring>
#include <string>

#include "data/data_file.h"
#include "data/progress.h"
#include "lib/args.h"
#include "lib/fn_files.h"
#include "lib/io/data_set_files.h"
#include "lib/io/file_paths.h"
#include "lib/io/matrix_files.h"
#include "data/safe_save.h"
#include "runtime/messages.h"
#include "runtime/run_error.h"

namespace kj::lib {

using value::Value;

namespace {

void warn_file(const char* fn, const char* what, const std::string& name) {
    const std::string text = std::string(what) + ": \"" + name + "\"";
    runtime::run_warning_message(fn, text.c_str());
}

void set_result_matrix(Value& result, const double* values, int rows, int cols) {
    double** m = new_matrix(result, rows, cols);
    if (m && rows > 0 && cols > 0)
        std::memcpy(m[0], values, static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols) * sizeof(double));
}

// Stores names (strings) through the reference argument, when one was given.
void store_names(Value* names_ref, const std::vector<std::string>& names) {
    if (!names_ref) return;
    Value out = value::make_int(0);
    value::set_array(out, static_cast<int>(names.size()));
    for (std::size_t k = 0; k < names.size(); ++k) value::set_string(out.u.arr.v[k], names[k]);
    store_reference(*names_ref, out);
}

[[noreturn]] void fmt_failure(io::FmtStatus s) { runtime::raise_run_error_message(io::fmt_message(s)); }

// A binary matrix file straight from the stream into the result; false
// (stream closed) when the file has no binary matrix header at all, which
// makes it a candidate for the data-file reader.
bool load_fmt_stream(Value& result, std::FILE* f) {
    unsigned char head[io::k_fmt_header_size];
    const std::size_t have = std::fread(head, 1, sizeof head, f);
    const std::int64_t size = io::stream_size(f);
    const io::FmtHeader h = io::parse_fmt_header(head, have, size < 0 ? 0 : static_cast<std::uint64_t>(size));
    if (h.status == io::FmtStatus::NotFmt) {
        std::fclose(f);
        return false;
    }
    if (h.status != io::FmtStatus::Ok) {
        std::fclose(f);
        fmt_failure(h.status);
    }
    double** m = new_matrix(result, h.rows, h.cols);
    const std::size_t n = static_cast<std::size_t>(h.rows) * static_cast<std::size_t>(h.cols);
    const bool complete = n == 0 || std::fread(m[0], sizeof(double), n, f) == n;
    std::fclose(f);
    if (!complete) fmt_failure(io::FmtStatus::InvalidFmt);
    if (n) io::doubles_from_little_endian(m[0], n);
    return true;
}

// A data file given a binary matrix file's name: the matrix and its names.
void load_data_file_bytes(Value& result, std::string_view bytes, Value* names_ref) {
    const data::DataFileMatrix m = data::parse_data_file(bytes);
    if (m.status != data::DataFileStatus::Ok) runtime::raise_run_error_message(data::data_file_message(m.status));
    set_result_matrix(result, m.values.data(), m.rows, m.cols);
    store_names(names_ref, m.names);
}

void load_text_bytes(Value& result, std::string_view bytes, bool one_column) {
    const io::TextMatrix t = io::parse_text_matrix(bytes, one_column);
    if (const char* msg = io::text_matrix_message(t.status); *msg) runtime::run_message(msg);
    if (t.status == io::TextMatrixStatus::Ok || t.status == io::TextMatrixStatus::ShortElements)
        set_result_matrix(result, t.values.data(), t.rows, t.cols);
}

}  // namespace

void fn_loadmat(Value* result, Value* args, int count) {
    check_type(value::T_String, args, 0, 0);
    const std::string name(string_of(args[0]));
    int flag = 0;
    Value* names_ref = nullptr;
    if (count > 1) {
        if (is_type(args[1], value::T_Array) && value::has_flag(args[1], value::k_address))
            names_ref = &args[1];
        else
            flag = int_arg(args, 1);
    }
    check_most(count, 2);
    value::set_int(*result, 0);

    std::string archive, member, path;
    const bool in_zip = io::split_member_name(name, archive, member);
    if (in_zip) {
        const std::string found = io::find_readable(archive);
        if (!found.empty()) path = found + "//" + member;
    } else {
        path = io::find_readable(name);
    }
    if (path.empty()) {
        warn_file("loadmat", "file not found", name);
        return;
    }
    io::DataSetMatrix data;
    switch (io::offer_data_set_load(path, flag, data)) {
        case io::DataSetOffer::Done:
            set_result_matrix(*result, data.values.data(), static_cast<int>(data.rows), static_cast<int>(data.cols));
            store_names(names_ref, data.names);
            return;
        case io::DataSetOffer::Failed: return;
        case io::DataSetOffer::Declined: break;
    }
    const bool fmt = io::lower_extension(in_zip ? member : path) == ".fmt";
    data::ProgressMeter meter("Loading", path, in_zip ? 0 : data::file_bytes(path));
    if (!in_zip) {
        std::FILE* f = std::fopen(path.c_str(), "rb");
        if (!f) {
            warn_file("loadmat", "file not found", name);
            return;
        }
        if (fmt) {
            if (!load_fmt_stream(*result, f)) {
                std::string bytes, error;
                if (!io::read_whole(path, bytes, error)) {
                    warn_file("loadmat", "cannot open file", name);
                    return;
                }
                load_data_file_bytes(*result, bytes, names_ref);
                meter.done();
                return;
            }
        } else {
            std::fclose(f);
            std::string bytes, error;
            if (!io::read_whole(path, bytes, error)) {
                warn_file("loadmat", "cannot open file", name);
                return;
            }
            load_text_bytes(*result, bytes, flag == 1);
        }
    } else {
        std::string bytes, error;
        if (!io::read_whole(path, bytes, error)) {
            runtime::run_warning_message("loadmat", error.c_str());
            return;
        }
        if (fmt) {
            io::FmtMatrix m = io::parse_fmt(bytes);
            if (m.status == io::FmtStatus::NotFmt) {
                load_data_file_bytes(*result, bytes, names_ref);
                meter.done();
                return;
            }
            if (m.status != io::FmtStatus::Ok) fmt_failure(m.status);
            set_result_matrix(*result, m.values.data(), m.rows, m.cols);
        } else {
            load_text_bytes(*result, bytes, flag == 1);
        }
    }
    store_names(names_ref, {});
    meter.done();
}

void fn_savemat(Value* result, Value* args, int count) {
    check_type(value::T_String, args, 0, 0);
    check_most(count, 3);
    const std::string name(string_of(args[0]));
    const MatrixArg x = matrix_arg(args, 1);
    int flag = 0;
    const Value* names = nullptr;
    if (count > 2) {
        if (is_type(args[2], value::T_Array))
            names = &args[2];
        else
            flag = int_arg(args, 2);
    }
    value::set_int(*result, 0);
    if (x.empty()) return;

    const bool fmt = io::lower_extension(name) == ".fmt";
    if (!fmt) {
        io::DataSetMatrix data;
        data.rows = static_cast<std::size_t>(x.r);
        data.cols = static_cast<std::size_t>(x.c);
        data.values.assign(x.data(), x.data() + x.count());
        if (names)
            for (int k = 0; k < names->u.arr.n; ++k) {
                const Value& e = names->u.arr.v[k];
                data.names.emplace_back(is_string(e) ? std::string(string_of(e)) : std::string());
            }
        switch (io::offer_data_set_save(name, data)) {
            case io::DataSetOffer::Done: value::set_int(*result, 1); return;
            case io::DataSetOffer::Failed: return;
            case io::DataSetOffer::Declined: break;
        }
    }
    data::SafeSave out(name);
    if (!out.ok()) {
        warn_file("savemat", "cannot open file", name);
        return;
    }
    // A text element takes 26 bytes, a binary one 8.
    data::ProgressMeter meter("Saving", name, static_cast<std::uint64_t>(x.count()) * (fmt ? 8 : 26));
    const bool written = fmt ? io::write_fmt(out.file(), x.data(), x.r, x.c)
                             : io::write_text_matrix(out.file(), x.data(), x.r, x.c, flag != 1);
    if (!written || !out.commit()) {
        runtime::run_warning_message("savemat", out.error().empty() ? ("cannot write \"" + name + "\"").c_str()
                                                               : out.error().c_str());
        return;
    }
    meter.done();
    value::set_int(*result, 1);
}

}  // namespace kj::lib
