#include "data/text_columns.h"

#include <string>

#include "data/message_function.h"

namespace kj::data {

namespace {
constexpr std::size_t k_named_columns = 10;  // further ones are counted, not named
}

TextColumns::Counts& TextColumns::at(std::size_t column) {
    if (column >= counts_.size()) counts_.resize(column + 1);
    return counts_[column];
}

void TextColumns::text(std::size_t column) { ++at(column).texts; }

void TextColumns::number(std::size_t column) { ++at(column).numbers; }

void TextColumns::report(const DataSet& ds) const {
    std::string text;
    std::size_t named = 0, more = 0;
    for (std::size_t j = 0; j < counts_.size() && j < ds.variables.size(); ++j) {
        const Counts& c = counts_[j];
        if (c.texts == 0) continue;
        if (named == k_named_columns) {
            ++more;
            continue;
        }
        text += named++ ? ", \"" : "\"";
        text += ds.variables[j].name + "\" (";
        text += c.numbers == 0 ? "text column" : std::to_string(c.texts) + (c.texts == 1 ? " cell" : " cells");
        text += ')';
    }
    if (named == 0) return;
    if (more) text += " and " + std::to_string(more) + (more == 1 ? " more column" : " more columns");
    report_warning("Text read as missing values: " + text);
}

}  // namespace kj::data
