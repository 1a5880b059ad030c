// Data sets and worksheets: loaddata, savedata, loadsheet, savesheet.
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "data/data_set_formats.h"
#include "data/in7_file.h"
#include "data/sheet.h"
#include "lib/args.h"
#include "lib/io/data_set_files.h"
#include "lib/library_rows.h"
#include "link/function_table.h"
#include "runtime/run_error.h"

namespace kj::lib {

using value::Value;

namespace {

constexpr double k_nan = std::numeric_limits<double>::quiet_NaN();

void warn_quoted(const char* what, const std::string& name) {
    const std::string text = std::string(what) + ": \"" + name + "\"";
    runtime::run_warning_message(current_function(), text.c_str());
}

Value string_value(const std::string& s) {
    Value v = value::make_int(0);
    value::set_string(v, s);
    return v;
}

Value string_array(const std::vector<std::string>& items) {
    Value v = value::make_int(0);
    value::set_array(v, static_cast<int64_t>(items.size()));
    for (std::size_t i = 0; i < items.size(); ++i) value::set_string(v.u.arr.v[i], items[i]);
    return v;
}

void store(Value& ref, Value out) { store_reference(ref, out); }

// Element i of an array argument as a string, or "" when it is none.
std::string array_string(const Value& a, std::size_t i) {
    if (!is_type(a, value::T_Array) || i >= static_cast<std::size_t>(a.u.arr.n)) return {};
    const Value& e = a.u.arr.v[i];
    return is_string(e) ? std::string(string_of(e)) : std::string();
}

bool path_of(const std::string& name, std::string& path) {
    if (io::find_data_file(name, path)) return true;
    warn_quoted("file not found", name);
    return false;
}

}  // namespace

void fn_loaddata(Value* result, Value* args, int count) {
    check_most(count, 13);
    const std::string name = string_arg(args, 0);
    const int flags = count > 12 ? int_arg(args, 12) : 0;
    value::set_int(*result, 0);
    std::string path;
    if (!path_of(data::has_extension(name) ? name : name + ".in7", path)) return;
    const data::DataFormat format = data::data_format_of(path);
    if (format == data::DataFormat::None) {
        warn_quoted("not a data-set file", name);
        return;
    }
    data::DataSet ds;
    if (!data::load_data_set(path, format, ds, (flags & 1) ? data::k_include_marked : 0)) return;

    const std::size_t t = ds.sample.observations() > 0 ? ds.observations() : 0, k = ds.variables.size();
    Value m = value::make_int(0);
    double** x = new_matrix(m, static_cast<long long>(t), static_cast<long long>(k));
    std::vector<std::string> names, descriptions;
    Value kinds = value::make_int(0);
    double** kx = new_matrix(kinds, k ? 1 : 0, static_cast<long long>(k));
    Value labels = value::make_int(0);
    value::set_array(labels, static_cast<int64_t>(k));
    for (std::size_t j = 0; j < k; ++j) {
        const data::Variable& v = ds.variables[j];
        for (std::size_t i = 0; i < t && x; ++i) x[i][j] = v.values[i];
        names.push_back(v.name);
        descriptions.push_back(v.description);
        kx[0][j] = static_cast<double>(static_cast<int>(v.kind));
        Value l = string_array(v.kind == data::VariableKind::Choice ? v.labels : std::vector<std::string>());
        labels.u.arr.v[j] = l;
    }
    store(args[1], m);
    store(args[2], string_array(names));
    const data::Sample& s = ds.sample;
    const int fields[] = {s.year1, s.period1, s.year2, s.period2, s.frequency};
    for (int i = 0; i < 5; ++i) store(args[3 + i], value::make_int(fields[i]));
    store(args[8], string_value(ds.description));
    store(args[9], string_array(descriptions));
    store(args[10], kinds);
    store(args[11], labels);
    value::set_int(*result, 1);
}

void fn_savedata(Value* result, Value* args, int count) {
    check_most(count, 13);
    const std::string name = string_arg(args, 0);
    const Value& m = matrix_value_arg(args, 1);
    const int flags = count > 12 ? int_arg(args, 12) : 0;
    data::DataSet ds;
    data::Sample& s = ds.sample;
    s = {int_arg(args, 3), int_arg(args, 4), int_arg(args, 5), int_arg(args, 6),
         int_arg(args, 7)};
    const long long t = m.u.mat.r, cols = m.u.mat.c;
    if (s.frequency < 1 || s.observations() != t) arg_error(5);
    const Value& names = args[2];
    const long long k = t == 0 && is_type(names, value::T_Array) ? names.u.arr.n : cols;
    if (is_string(args[8])) ds.description = std::string(string_of(args[8]));
    Value& kinds = args[10];
    // One kind for every variable, or a single kind for all of them.
    const bool has_kinds = !is_string(kinds) && try_convert_to_matrix(kinds) && count_of(kinds) > 0;
    const bool one_kind = has_kinds && count_of(kinds) == 1;
    if (has_kinds && !one_kind && count_of(kinds) < k) arg_size_error(10, kinds, 1, static_cast<int>(k));
    for (long long j = 0; j < k; ++j) {
        std::string vname = array_string(names, static_cast<std::size_t>(j));
        data::Variable& v = ds.add_variable(vname.empty() ? data::default_variable_name(j) : vname);
        v.sample = s;
        v.description = array_string(args[9], static_cast<std::size_t>(j));
        const int kind = has_kinds ? static_cast<int>(elements_of(kinds)[one_kind ? 0 : j]) : 0;
        if (kind < 0 || kind > 2) arg_error(10);
        v.kind = static_cast<data::VariableKind>(kind);
        const Value& labels = args[11];
        if (v.kind == data::VariableKind::Choice && is_type(labels, value::T_Array) && j < labels.u.arr.n) {
            const Value& l = labels.u.arr.v[j];
            if (is_type(l, value::T_Array))
                for (int i = 0; i < l.u.arr.n; ++i) v.labels.push_back(array_string(l, static_cast<std::size_t>(i)));
        }
        v.values.resize(static_cast<std::size_t>(t));
        for (long long i = 0; i < t; ++i) v.values[static_cast<std::size_t>(i)] = m.u.mat.m[i][j];
    }
    value::set_int(*result, 0);
    data::DataFormat format = data::data_format_of(name);
    if (format == data::DataFormat::None && !data::has_extension(name)) format = data::DataFormat::In7;
    if (format == data::DataFormat::None) {
        warn_quoted("cannot open file", name);
        return;
    }
    int save_flags = 0;
    if (flags & 1) save_flags |= data::k_append;
    if (flags & 2) save_flags |= data::k_backup;
    if (data::save_data_set(name, format, ds, save_flags)) value::set_int(*result, 1);
}

void fn_loadsheet(Value* result, Value* args, int count) {
    check_most(count, 3);
    const std::string name = string_arg(args, 0);
    int index = 0;
    std::string sheet_name;
    if (count > 1) {
        if (is_string(args[1])) sheet_name = std::string(string_of(args[1]));
        else index = int_arg(args, 1);
    }
    value::set_int(*result, 0);
    std::string path;
    if (!path_of(name, path)) return;
    const data::DataFormat format = data::data_format_of(path);
    if (format == data::DataFormat::None || format == data::DataFormat::In7 || format == data::DataFormat::Dat ||
        format == data::DataFormat::Dht || format == data::DataFormat::Dta)
        return;
    data::Sheet sheet;
    std::vector<std::string> sheet_names;
    const bool found = data::load_sheet(path, format, index, sheet_name, sheet, sheet_names);
    if (count > 2 && !sheet_names.empty()) store(args[2], string_array(sheet_names));
    if (!found) return;
    Value rows = value::make_int(0);
    value::set_array(rows, static_cast<int64_t>(sheet.rows.size()));
    for (std::size_t i = 0; i < sheet.rows.size(); ++i) {
        const data::SheetRow& row = sheet.rows[i];
        Value& r = rows.u.arr.v[i];
        value::set_array(r, static_cast<int64_t>(row.size()));
        for (std::size_t j = 0; j < row.size(); ++j) {
            const data::Cell& c = row[j];
            if (c.kind == data::Cell::Kind::Text) value::set_string(r.u.arr.v[j], c.text);
            else value::set_double(r.u.arr.v[j], c.kind == data::Cell::Kind::Number || c.kind == data::Cell::Kind::Date
                                                     ? c.number : k_nan);
        }
    }
    value::release(*result);
    *result = rows;
}

void fn_savesheet(Value* result, Value* args, int count) {
    check_most(count, 3);
    const std::string name = string_arg(args, 0);
    data::Sheet sheet;
    sheet.name = count > 2 && is_string(args[2]) ? std::string(string_of(args[2])) : "Sheet1";
    Value& x = args[1];
    auto number_cell = [](double d) {
        data::Cell c;
        if (!std::isnan(d)) c.kind = data::Cell::Kind::Number, c.number = d;
        return c;
    };
    if (is_type(x, value::T_Array)) {
        for (int i = 0; i < x.u.arr.n; ++i) {
            const Value& r = x.u.arr.v[i];
            if (!is_type(r, value::T_Array)) arg_type_error(1, value::T_Array, &x);
            data::SheetRow& row = sheet.rows.emplace_back();
            for (int j = 0; j < r.u.arr.n; ++j) {
                const Value& e = r.u.arr.v[j];
                if (is_string(e)) {
                    data::Cell c;
                    c.kind = data::Cell::Kind::Text;
                    c.text = std::string(string_of(e));
                    row.push_back(std::move(c));
                } else if (is_type(e, value::T_Int)) {
                    row.push_back(number_cell(e.u.ival));
                } else if (is_type(e, value::T_Double)) {
                    row.push_back(number_cell(e.u.dval));
                } else {
                    arg_type_error(1, -1, &e);
                }
            }
        }
    } else {
        const Value& m = matrix_value_arg(args, 1);
        for (int i = 0; i < m.u.mat.r; ++i) {
            data::SheetRow& row = sheet.rows.emplace_back();
            for (int j = 0; j < m.u.mat.c; ++j) row.push_back(number_cell(m.u.mat.m[i][j]));
        }
    }
    value::set_int(*result, 0);
    const data::DataFormat format = data::data_format_of(name);
    if (format == data::DataFormat::None || format == data::DataFormat::In7 || format == data::DataFormat::Dat ||
        format == data::DataFormat::Dht || format == data::DataFormat::Dta) {
        warn_quoted("cannot open file", name);
        return;
    }
    if (data::save_sheet(name, format, sheet)) value::set_int(*result, 1);
}

namespace {
const NamedRow k_data_rows[] = {
    {"loaddata", fn_loaddata, 12, k_varargs | k_serial},
    {"savedata", fn_savedata, 12, k_varargs | k_serial},
    {"loadsheet", fn_loadsheet, 1, k_varargs | k_serial},
    {"savesheet", fn_savesheet, 2, k_varargs | k_serial},
};
}  // namespace

std::span<const NamedRow> data_rows() { return k_data_rows; }

}  // namespace kj::lib
