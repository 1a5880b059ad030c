#include "data/data_set_formats.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "data/data_file.h"
#include "data/delimited_file.h"
#include "data/dta_file.h"
#include "data/in7_file.h"
#include "data/message_function.h"
#include "data/progress.h"
#include "data/sheet.h"
#include "data/xls_file.h"
#include "data/xlsx_file.h"

namespace kj::data {

namespace {

const char* kind_name(DataFormat f) {
    switch (f) {
    case DataFormat::Xlsx: return ".xlsx";
    case DataFormat::Xls: return ".xls";
    case DataFormat::Wks: return ".wks/.wk1";
    case DataFormat::Dta: return ".dta";
    default: return "this kind of";
    }
}

bool not_built(DataFormat f, const std::string& path) {
    report_error(std::string(kind_name(f)) + " files are not supported in this version: " + path);
    return false;
}

bool is_delimited(DataFormat f) { return f == DataFormat::Csv || f == DataFormat::Dsv || f == DataFormat::Tsv; }

bool read_or_report(const std::string& path, std::string& bytes) {
    if (read_whole_file(path, bytes)) return true;
    report_error("Cannot open " + path);
    return false;
}

// The bytes of a delimited text file (without a final Ctrl-Z); a file that
// is not text is refused, with the line of its first control character.
bool read_text_file(const std::string& path, std::string& bytes) {
    if (!read_or_report(path, bytes)) return false;
    const std::size_t at = first_control_character(bytes);
    if (at == std::string::npos) {
        if (!bytes.empty() && bytes.back() == '\x1A') bytes.pop_back();
        return true;
    }
    const auto line = 1 + std::count(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(at), '\n');
    report_error("Not a text file: " + path + " (control character in line " + std::to_string(line) + ")");
    return false;
}

// A data file (".dat", or the old ".dht" name) as an undated data set.
bool read_data_file(const std::string& path, DataSet& ds) {
    std::string bytes;
    if (!read_or_report(path, bytes)) return false;
    if (!bytes.empty() && static_cast<unsigned char>(bytes[0]) == 0xDA) {
        report_error("Please convert old .dht/.dat to new .dat file");
        return false;
    }
    const DataFileMatrix m = parse_data_file(bytes);
    if (m.status != DataFileStatus::Ok) {
        report_error(std::string(data_file_message(m.status)) + ": " + path);
        return false;
    }
    ds = DataSet{};
    ds.sample = Sample::undated(m.rows);
    const auto rows = static_cast<std::size_t>(m.rows), cols = static_cast<std::size_t>(m.cols);
    for (std::size_t j = 0; j < cols; ++j) {
        const std::string name = j < m.names.size() && !m.names[j].empty() ? m.names[j] : default_variable_name(j);
        Variable& v = ds.add_variable(name);
        v.sample = ds.sample;
        v.values.resize(rows);
        for (std::size_t i = 0; i < rows; ++i) v.values[i] = m.values[i * cols + j];
    }
    return true;
}

bool write_data_file(const std::string& path, DataSet& ds) {
    const std::size_t rows = ds.variables.empty() ? 0 : ds.observations(), cols = ds.variables.size();
    if (rows > static_cast<std::size_t>(INT32_MAX) || cols > static_cast<std::size_t>(INT32_MAX / 64)) {
        report_error("Too many observations and variables for " + path);
        return false;
    }
    std::vector<double> values(rows * cols);
    std::vector<std::string> names;
    for (std::size_t j = 0; j < cols; ++j) {
        const Variable& v = ds.variables[j];
        names.push_back(v.name);
        for (std::size_t i = 0; i < rows; ++i) values[i * cols + j] = i < v.values.size() ? v.values[i] : NAN;
    }
    return save_whole_file(path, data_file_bytes(DataFileKind::Names, values.data(), static_cast<std::int32_t>(rows),
                                                 static_cast<std::int32_t>(cols), names));
}

// The bytes a load reads: a description file's data file counts.
std::uint64_t load_size(const std::string& path, DataFormat format) {
    if (format != DataFormat::In7) return file_bytes(path);
    return file_bytes(path) + file_bytes(path.substr(0, path.find_last_of('.')) + ".bn7");
}

// What a save is expected to write: eight bytes a value.
std::uint64_t save_size(const DataSet& ds) {
    const std::size_t t = ds.sample.observations() > 0 ? ds.observations() : 0;
    return static_cast<std::uint64_t>(t) * ds.variables.size() * 8;
}

std::uint64_t save_size(const Sheet& sheet) {
    std::uint64_t cells = 0;
    for (const SheetRow& row : sheet.rows) cells += row.size();
    return cells * 8;
}

bool load_data_set_of(const std::string& path, DataFormat format, DataSet& ds, int flags) {
    if (format == DataFormat::In7) return read_in7(ds, path, (flags & k_include_marked) != 0);
    if (format == DataFormat::Dta) return read_dta(path, ds);
    if (format == DataFormat::Dat || format == DataFormat::Dht) return read_data_file(path, ds);
    if (format == DataFormat::Xlsx || format == DataFormat::Xls) {
        Sheet sheet;
        std::vector<std::string> names;
        const SheetRead r = format == DataFormat::Xls ? read_xls(path, 0, "", sheet, names)
                                                      : read_xlsx(path, 0, "", sheet, names);
        if (r == SheetRead::NoSuchSheet) report_error("No worksheet in " + path);
        if (r != SheetRead::Ok) return false;
        ds = data_set_of_sheet(sheet);
        return true;
    }
    if (!is_delimited(format)) return not_built(format, path);
    std::string bytes;
    if (!read_text_file(path, bytes)) return false;
    if (read_delimited_data_set(bytes, delimiter_for(path, bytes), ds)) return true;
    report_error("Too many observations and variables in " + path);
    return false;
}

bool save_data_set_as(const std::string& path, DataFormat format, DataSet& ds, int flags) {
    if (format == DataFormat::In7) return write_in7(ds, path, (flags & k_append) != 0, (flags & k_backup) != 0);
    if (format == DataFormat::Xlsx) return write_xlsx(path, sheet_of_data_set(ds));
    if (format == DataFormat::Dta) return write_dta(path, ds);
    if (format == DataFormat::Dat) return write_data_file(path, ds);
    if (format == DataFormat::Dht) {
        report_error("Old .dht data files are only read; save as .dat: " + path);
        return false;
    }
    if (!is_delimited(format)) return not_built(format, path);
    return save_whole_file(path, write_delimited_data_set(ds, delimiter_for(path, format == DataFormat::Dsv ? ";" : "")));
}

bool load_sheet_of(const std::string& path, DataFormat format, int index, const std::string& name, Sheet& sheet,
                   std::vector<std::string>& sheet_names) {
    if (format == DataFormat::Xlsx) return read_xlsx(path, index, name, sheet, sheet_names) == SheetRead::Ok;
    if (format == DataFormat::Xls) return read_xls(path, index, name, sheet, sheet_names) == SheetRead::Ok;
    if (!is_delimited(format)) return not_built(format, path);
    std::string bytes;
    if (!read_text_file(path, bytes)) return false;
    if (!read_delimited_sheet(bytes, delimiter_for(path, bytes), sheet)) {
        report_error("Too many cells in " + path);
        return false;
    }
    sheet_names = {sheet.name};
    return name.empty() ? index == 0 : name == sheet.name;
}

bool save_sheet_as(const std::string& path, DataFormat format, const Sheet& sheet) {
    if (format == DataFormat::Xlsx) return write_xlsx(path, sheet);
    if (!is_delimited(format)) return not_built(format, path);
    return save_whole_file(path, write_delimited_sheet(sheet, delimiter_for(path, format == DataFormat::Dsv ? ";" : "")));
}

// Runs a load or save under a progress meter, which is done when it succeeded.
template <class Work>
bool metered(const char* action, const std::string& path, std::uint64_t bytes, Work&& work) {
    ProgressMeter meter(action, path, bytes);
    const bool ok = work();
    if (ok) meter.done();
    return ok;
}

}  // namespace

DataFormat data_format_of(const std::string& path) {
    if (!has_extension(path)) return DataFormat::None;
    std::string ext = path.substr(path.find_last_of('.'));
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    static const struct {
        const char* ext;
        DataFormat format;
    } kinds[] = {{".in7", DataFormat::In7}, {".xlsx", DataFormat::Xlsx}, {".xlsm", DataFormat::Xlsx},
                 {".xls", DataFormat::Xls}, {".wks", DataFormat::Wks},   {".wk1", DataFormat::Wks},
                 {".csv", DataFormat::Csv}, {".dsv", DataFormat::Dsv},   {".tsv", DataFormat::Tsv},
                 {".dat", DataFormat::Dat}, {".dht", DataFormat::Dht},   {".dta", DataFormat::Dta}};
    for (const auto& k : kinds)
        if (ext == k.ext) return k.format;
    return DataFormat::None;
}

bool load_data_set(const std::string& path, DataFormat format, DataSet& ds, int flags) {
    return metered("Loading", path, load_size(path, format), [&] { return load_data_set_of(path, format, ds, flags); });
}

bool save_data_set(const std::string& path, DataFormat format, DataSet& ds, int flags) {
    return metered("Saving", path, save_size(ds), [&] { return save_data_set_as(path, format, ds, flags); });
}

bool load_sheet(const std::string& path, DataFormat format, int index, const std::string& name, Sheet& sheet,
                std::vector<std::string>& sheet_names) {
    return metered("Loading", path, load_size(path, format),
                   [&] { return load_sheet_of(path, format, index, name, sheet, sheet_names); });
}

bool save_sheet(const std::string& path, DataFormat format, const Sheet& sheet) {
    return metered("Saving", path, save_size(sheet), [&] { return save_sheet_as(path, format, sheet); });
}

}  // namespace kj::data
