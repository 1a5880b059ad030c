#include "data/dta_file.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <map>
#include <readstat.h>
#include <sys/stat.h>

#include "data/dta_dates.h"
#include "data/in7_file.h"
#include "data/message_function.h"
#include "data/progress.h"
#include "data/text_columns.h"
#include "data/text_encoding.h"

namespace kj::data {

namespace {

constexpr double k_nan = std::numeric_limits<double>::quiet_NaN();
constexpr int k_max_label_value = 65535;

struct ReadContext {
    DataSet* ds;
    std::vector<DtaTime> units;
    TextColumns text;
    std::vector<std::string> label_sets;  // per variable
    std::map<std::string, std::map<int, std::string>> labels;
    int64_t rows = 0;
    // The room of a value-label set's name in the file's list of them: the
    // parser hands the names over as they stand there, and in a damaged file
    // the last one need not end within it.
    std::size_t label_set_room = 9;
    // Every observation of every variable takes a byte of the file at least:
    // a header that claims more is not believed (nor allocated for).
    int64_t file_bytes = std::numeric_limits<int64_t>::max();
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
    if (vars > 0 && c->rows > c->file_bytes / vars) {
        c->error = "more observations than the file holds";
        return READSTAT_HANDLER_ABORT;
    }
    const int version = readstat_get_file_format_version(metadata);
    c->label_set_room = version >= 118 ? 129 : version >= 110 ? 33 : 9;
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
    c->units.push_back(dta_time_of_format(readstat_variable_get_format(variable)));
    if (c->units.back() != DtaTime::None) v.kind = VariableKind::Date;
    c->label_sets.emplace_back(label_set ? label_set : "", label_set ? strnlen(label_set, c->label_set_room) : 0);
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
    case READSTAT_TYPE_STRING: {
        // Text is no observation; it is counted for the warning.
        const char* text = readstat_string_value(value);
        if (text && *text) c->text.text(static_cast<std::size_t>(j));
        return READSTAT_HANDLER_OK;
    }
    default: return READSTAT_HANDLER_OK;
    }
    c->text.number(static_cast<std::size_t>(j));
    c->ds->variables[static_cast<std::size_t>(j)].values[static_cast<std::size_t>(row)] =
        calendar_of_dta(c->units[static_cast<std::size_t>(j)], x);
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

// A data set whose observations are the consecutive periods of a period
// variable (the first such one) takes their frequency and sample.
void date_sample(DataSet& ds, const std::vector<DtaTime>& units) {
    const int64_t t = ds.sample.observations();
    for (std::size_t j = 0; j < ds.variables.size() && t > 0; ++j) {
        const DtaTime unit = units[j];
        if (dta_periods_per_year(unit) == 0) continue;
        const std::vector<double>& x = ds.variables[j].values;
        const double first = dta_of_calendar(unit, x[0]);
        bool consecutive = !std::isnan(first);
        for (int64_t i = 1; i < t && consecutive; ++i)
            consecutive = dta_of_calendar(unit, x[static_cast<std::size_t>(i)]) == first + static_cast<double>(i);
        if (!consecutive) continue;
        Sample s;
        s.frequency = dta_periods_per_year(unit);
        dta_year_period(unit, static_cast<int64_t>(first), s.year1, s.period1);
        dta_year_period(unit, static_cast<int64_t>(first) + t - 1, s.year2, s.period2);
        ds.sample = s;
        for (Variable& v : ds.variables) v.sample = s;
        return;
    }
}

// How a date variable is stored: as periods when the data set is dated at
// a period frequency and every date is the first day of a period, else as
// days when all are whole days, else as milliseconds.
DtaTime date_time_unit(const DataSet& ds, const Variable& v) {
    const DtaTime period = dta_period_of_frequency(ds.sample.frequency);
    const bool dated = ds.sample.frequency > 1 || ds.sample.year1 >= 1801;  // not an undated sample
    if (period != DtaTime::None && dated &&
        std::all_of(v.values.begin(), v.values.end(), [&](double d) { return starts_dta_period(period, d); }))
        return period;
    return all_whole(v.values) ? DtaTime::Days : DtaTime::Milliseconds;
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
    ReadContext c{&ds, {}, {}, {}, {}, 0, 9, std::numeric_limits<int64_t>::max(), {}};
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) c.file_bytes = st.st_size;
    readstat_parser_t* parser = readstat_parser_init();
    readstat_set_metadata_handler(parser, on_metadata);
    readstat_set_variable_handler(parser, on_variable);
    readstat_set_value_handler(parser, on_value);
    readstat_set_value_label_handler(parser, on_value_label);
    readstat_set_progress_handler(parser, [](double done, void*) {
        report_progress(done, 1);
        return int(READSTAT_HANDLER_OK);
    });
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
    date_sample(ds, c.units);
    c.text.report(ds);
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
    std::vector<DtaTime> units;
    std::map<std::string, int> used;
    for (const Variable& v : ds.variables) {
        std::string name = dta_variable_name(v.name);
        while (used.count(name)) name = dta_variable_name(name.substr(0, 28) + "_" + std::to_string(used.size()));
        used[name] = 1;
        readstat_variable_t* var = readstat_add_variable(writer, name.c_str(), READSTAT_TYPE_DOUBLE, 0);
        if (!v.description.empty()) readstat_variable_set_label(var, v.description.substr(0, 80).c_str());
        DtaTime unit = DtaTime::None;
        if (v.kind == VariableKind::Date) {
            unit = date_time_unit(ds, v);
            readstat_variable_set_format(var, dta_format_of_time(unit));
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
        report_progress(static_cast<double>(i), static_cast<double>(rows));
        error = readstat_begin_row(writer);
        for (std::size_t j = 0; j < vars.size() && error == READSTAT_OK; ++j) {
            const std::vector<double>& x = ds.variables[j].values;
            const double v =
                dta_of_calendar(units[j], static_cast<std::size_t>(i) < x.size() ? x[static_cast<std::size_t>(i)] : k_nan);
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
