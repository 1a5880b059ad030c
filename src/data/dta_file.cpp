#include "data/dta_file.h"

#include <cmath>
#include <cstdio>
#include <limits>
#include <map>
#include <readstat.h>

#include "data/in7_file.h"
#include "data/message_function.h"
#include "data/text_encoding.h"

namespace kj::data {

namespace {

constexpr double k_nan = std::numeric_limits<double>::quiet_NaN();
constexpr double k_day_1960 = 2436935;  // day number of 1960-01-01, day 0 of the format
constexpr double k_ms_per_day = 86400000.0;
constexpr int k_max_label_value = 65535;

enum class DateUnit { None, Days, Milliseconds };

DateUnit date_unit(const char* format) {
    if (!format) return DateUnit::None;
    const std::string f = format;
    if (f.starts_with("%td") || f.starts_with("%d")) return DateUnit::Days;
    if (f.starts_with("%tc") || f.starts_with("%tC")) return DateUnit::Milliseconds;
    return DateUnit::None;
}

struct ReadContext {
    DataSet* ds;
    std::vector<DateUnit> units;
    std::vector<std::string> label_sets;  // per variable
    std::map<std::string, std::map<int, std::string>> labels;
    int64_t rows = 0;
    std::string error;
};

int on_metadata(readstat_metadata_t* metadata, void* data) {
    auto* c = static_cast<ReadContext*>(data);
    c->rows = readstat_get_row_count(metadata);
    const int64_t vars = readstat_get_var_count(metadata);
    if (c->rows < 0 || vars < 0 || c->rows * std::max<int64_t>(vars, 1) > k_max_cells) {
        c->error = "too many observations";
        return READSTAT_HANDLER_ABORT;
    }
    const char* label = readstat_get_file_label(metadata);
    if (label) c->ds->description = utf8_text(label);
    c->ds->sample = Sample::undated(c->rows);
    return READSTAT_HANDLER_OK;
}

int on_variable(int, readstat_variable_t* variable, const char* label_set, void* data) {
    auto* c = static_cast<ReadContext*>(data);
    const char* name = readstat_variable_get_name(variable);
    Variable& v = c->ds->add_variable(utf8_text(name ? name : ""));
    if (v.name.empty()) v.name = "Var" + std::to_string(c->ds->variables.size());
    const char* label = readstat_variable_get_label(variable);
    if (label) v.description = utf8_text(label);
    v.values.assign(static_cast<std::size_t>(c->rows), k_nan);
    c->units.push_back(date_unit(readstat_variable_get_format(variable)));
    if (c->units.back() != DateUnit::None) v.kind = VariableKind::Date;
    c->label_sets.emplace_back(label_set ? label_set : "");
    return READSTAT_HANDLER_OK;
}

int on_value(int row, readstat_variable_t* variable, readstat_value_t value, void* data) {
    auto* c = static_cast<ReadContext*>(data);
    const int j = readstat_variable_get_index(variable);
    if (j < 0 || static_cast<std::size_t>(j) >= c->ds->variables.size() || row < 0 || row >= c->rows)
        return READSTAT_HANDLER_OK;
    if (readstat_value_is_missing(value, variable)) return READSTAT_HANDLER_OK;
    double x;
    switch (readstat_value_type(value)) {
    case READSTAT_TYPE_INT8: x = readstat_int8_value(value); break;
    case READSTAT_TYPE_INT16: x = readstat_int16_value(value); break;
    case READSTAT_TYPE_INT32: x = readstat_int32_value(value); break;
    case READSTAT_TYPE_FLOAT: x = readstat_float_value(value); break;
    case READSTAT_TYPE_DOUBLE: x = readstat_double_value(value); break;
    default: return READSTAT_HANDLER_OK;  // text is no observation
    }
    const DateUnit unit = c->units[static_cast<std::size_t>(j)];
    if (unit == DateUnit::Days) x += k_day_1960;
    if (unit == DateUnit::Milliseconds) x = x / k_ms_per_day + k_day_1960;
    c->ds->variables[static_cast<std::size_t>(j)].values[static_cast<std::size_t>(row)] = x;
    return READSTAT_HANDLER_OK;
}

int on_value_label(const char* set, readstat_value_t value, const char* label, void* data) {
    auto* c = static_cast<ReadContext*>(data);
    if (readstat_value_type(value) != READSTAT_TYPE_INT32 || readstat_value_is_tagged_missing(value))
        return READSTAT_HANDLER_OK;
    const int x = readstat_int32_value(value);
    if (x >= 0 && x <= k_max_label_value) c->labels[set ? set : ""][x] = utf8_text(label ? label : "");
    return READSTAT_HANDLER_OK;
}

ssize_t append_bytes(const void* data, size_t len, void* out) {
    static_cast<std::string*>(out)->append(static_cast<const char*>(data), len);
    return static_cast<ssize_t>(len);
}

bool all_whole(const std::vector<double>& x) {
    for (double v : x)
        if (!std::isnan(v) && v != std::floor(v)) return false;
    return true;
}

}  // namespace

std::string dta_variable_name(const std::string& name) {
    std::string out;
    for (char c : name) {
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
        out += ok ? c : '_';
    }
    if (out.empty() || (out[0] >= '0' && out[0] <= '9')) out.insert(out.begin(), '_');
    if (out.size() > 32) out.resize(32);
    return out;
}

bool read_dta(const std::string& path, DataSet& ds) {
    ds = DataSet();
    ReadContext c{&ds, {}, {}, {}, 0, {}};
    readstat_parser_t* parser = readstat_parser_init();
    readstat_set_metadata_handler(parser, on_metadata);
    readstat_set_variable_handler(parser, on_variable);
    readstat_set_value_handler(parser, on_value);
    readstat_set_value_label_handler(parser, on_value_label);
    const readstat_error_t error = readstat_parse_dta(parser, path.c_str(), &c);
    readstat_parser_free(parser);
    if (error != READSTAT_OK) {
        if (error == READSTAT_ERROR_OPEN) report_error("Cannot open " + path);
        else report_error("Cannot read " + path + ": " + (c.error.empty() ? readstat_error_message(error) : c.error));
        ds = DataSet();
        return false;
    }
    for (std::size_t j = 0; j < ds.variables.size(); ++j) {
        const auto set = c.labels.find(c.label_sets[j]);
        if (c.label_sets[j].empty() || set == c.labels.end() || set->second.empty()) continue;
        Variable& v = ds.variables[j];
        v.kind = VariableKind::Choice;
        v.labels.assign(static_cast<std::size_t>(set->second.rbegin()->first + 1), "");
        for (const auto& [x, label] : set->second) v.labels[static_cast<std::size_t>(x)] = label;
    }
    return true;
}

bool write_dta(const std::string& path, const DataSet& ds) {
    const int64_t rows = ds.sample.observations() > 0 ? ds.sample.observations() : 0;
    std::string bytes;
    readstat_writer_t* writer = readstat_writer_init();
    readstat_set_data_writer(writer, append_bytes);
    readstat_writer_set_file_format_version(writer, 118);
    if (!ds.description.empty()) readstat_writer_set_file_label(writer, ds.description.substr(0, 80).c_str());
    std::vector<readstat_variable_t*> vars;
    std::vector<DateUnit> units;
    std::map<std::string, int> used;
    for (const Variable& v : ds.variables) {
        std::string name = dta_variable_name(v.name);
        while (used.count(name)) name = dta_variable_name(name.substr(0, 28) + "_" + std::to_string(used.size()));
        used[name] = 1;
        readstat_variable_t* var = readstat_add_variable(writer, name.c_str(), READSTAT_TYPE_DOUBLE, 0);
        if (!v.description.empty()) readstat_variable_set_label(var, v.description.substr(0, 80).c_str());
        DateUnit unit = DateUnit::None;
        if (v.kind == VariableKind::Date) {
            unit = all_whole(v.values) ? DateUnit::Days : DateUnit::Milliseconds;
            readstat_variable_set_format(var, unit == DateUnit::Days ? "%td" : "%tc");
        } else if (v.kind == VariableKind::Choice && !v.labels.empty()) {
            readstat_label_set_t* set = readstat_add_label_set(writer, READSTAT_TYPE_INT32, name.c_str());
            for (std::size_t i = 0; i < v.labels.size(); ++i)
                readstat_label_int32_value(set, static_cast<int32_t>(i), v.labels[i].c_str());
            readstat_variable_set_label_set(var, set);
        }
        vars.push_back(var);
        units.push_back(unit);
    }
    readstat_error_t error = readstat_begin_writing_dta(writer, &bytes, static_cast<long>(rows));
    for (int64_t i = 0; i < rows && error == READSTAT_OK; ++i) {
        error = readstat_begin_row(writer);
        for (std::size_t j = 0; j < vars.size() && error == READSTAT_OK; ++j) {
            const std::vector<double>& x = ds.variables[j].values;
            double v = static_cast<std::size_t>(i) < x.size() ? x[static_cast<std::size_t>(i)] : k_nan;
            if (units[j] == DateUnit::Days) v -= k_day_1960;
            if (units[j] == DateUnit::Milliseconds) v = std::round((v - k_day_1960) * k_ms_per_day);
            error = std::isnan(v) ? readstat_insert_missing_value(writer, vars[j])
                                  : readstat_insert_double_value(writer, vars[j], v);
        }
        if (error == READSTAT_OK) error = readstat_end_row(writer);
    }
    if (error == READSTAT_OK) error = readstat_end_writing(writer);
    readstat_writer_free(writer);
    if (error != READSTAT_OK) {
        report_error("Cannot write " + path + ": " + readstat_error_message(error));
        return false;
    }
    return save_whole_file(path, bytes);
}

}  // namespace kj::data
