#include "lib/io/data_set_files.h"

#include <algorithm>
#include <cctype>

#include "runtime/messages.h"

namespace kj::lib::io {

namespace {

bool is_data_set_kind(const std::string& path) {
    static const char* const kinds[] = {".in7", ".xlsx", ".xlsm", ".xls", ".wks", ".wk1",
                                        ".csv", ".dsv",  ".tsv",  ".dat", ".dht", ".dta"};
    auto dot = path.find_last_of('.');
    if (dot == std::string::npos || path.find('/', dot) != std::string::npos) return false;
    std::string ext = path.substr(dot);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return std::find(std::begin(kinds), std::end(kinds), ext) != std::end(kinds);
}

DataSetOffer not_built(const std::string& path) {
    if (!is_data_set_kind(path)) return DataSetOffer::declined;
    std::string text = "data-set files are not supported yet: \"" + path + "\"";
    runtime::run_message(text.c_str());
    return DataSetOffer::failed;
}

}  // namespace

DataSetOffer offer_data_set_load(const std::string& path, int, DataSetMatrix&) {
    return not_built(path);
}

DataSetOffer offer_data_set_save(const std::string& path, const DataSetMatrix&) {
    return not_built(path);
}

}  // namespace kj::lib::io
