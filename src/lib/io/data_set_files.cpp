#include "lib/io/data_set_files.h"

#include <cstdio>
#include <cstdlib>

#include "data/data_set_formats.h"
#include "data/message_function.h"
#include "data/progress.h"
#include "data/sheet.h"
#include "runtime/include_path.h"
#include "runtime/messages.h"
#include "runtime/settings.h"

namespace kj::lib::io {

namespace {

// The data-set layer reports through the run-time message channel.
void report_data_message(const char* caption, const char* text) {
    std::string line = caption;
    line += ": ";
    line += text;
    runtime::run_message(line.c_str());
}

// Progress of large loads and saves, at verbose level 1 and above:
// "Progress: Loading big.csv 40%".
void report_data_progress(const char* action, const char* path, int percent) {
    if (runtime::settings().verbose < 1) return;
    const std::string line = std::string(k_progress_caption) + action + " " + path + " " + std::to_string(percent) + "%";
    runtime::run_message(line.c_str());
}

}  // namespace

void install_data_messages() {
    data::set_message_function(report_data_message);
    data::set_progress_function(report_data_progress);
    // KJ_PROGRESS_BYTES lowers (or raises) the size from which progress is
    // reported, so that it can be seen without files of 100 MB.
    if (const char* bytes = std::getenv("KJ_PROGRESS_BYTES"); bytes && *bytes)
        data::set_progress_threshold(std::strtoull(bytes, nullptr, 10));
}

bool find_data_file(const std::string& name, std::string& path) {
    std::string tried;
    std::FILE* f = runtime::find_file(name.c_str(), false, tried);
    if (!f) return false;
    std::fclose(f);
    path = tried;
    return true;
}

DataSetOffer offer_data_set_load(const std::string& path, int, DataSetMatrix& out) {
    const data::DataFormat format = data::data_format_of(path);
    if (format == data::DataFormat::None) return DataSetOffer::Declined;
    data::DataSet ds;
    if (!data::load_data_set(path, format, ds)) return DataSetOffer::Failed;
    out.rows = ds.sample.observations() > 0 ? ds.observations() : 0;
    out.cols = ds.variables.size();
    out.values.assign(out.rows * out.cols, 0.0);
    out.names.clear();
    for (std::size_t j = 0; j < out.cols; ++j) {
        const data::Variable& v = ds.variables[j];
        out.names.push_back(v.name);
        for (std::size_t i = 0; i < out.rows; ++i) out.values[i * out.cols + j] = v.values[i];
    }
    return DataSetOffer::Done;
}

DataSetOffer offer_data_set_save(const std::string& path, const DataSetMatrix& in) {
    const data::DataFormat format = data::data_format_of(path);
    if (format == data::DataFormat::None) return DataSetOffer::Declined;
    data::DataSet ds;
    ds.sample = data::Sample::undated(static_cast<int64_t>(in.rows));
    for (std::size_t j = 0; j < in.cols; ++j) {
        std::string name = j < in.names.size() ? in.names[j] : std::string();
        data::Variable& v = ds.add_variable(name.empty() ? data::default_variable_name(j) : name);
        v.values.resize(in.rows);
        for (std::size_t i = 0; i < in.rows; ++i) v.values[i] = in.values[i * in.cols + j];
    }
    return data::save_data_set(path, format, ds) ? DataSetOffer::Done : DataSetOffer::Failed;
}

}  // namespace kj::lib::io
