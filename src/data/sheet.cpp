#include "data/sheet.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "data/text_columns.h"

namespace kj::data {

std::string default_variable_name(std::size_t j) { return "Var" + std::to_string(j + 1); }

bool is_builtin_date_format(int id) { return (id >= 14 && id <= 22) || (id >= 45 && id <= 47); }

bool is_date_format(std::string_view code) {
    bool quoted = false, bracket = false;
    for (char c : code) {
        if (c == '"') quoted = !quoted;
        else if (!quoted && c == '[') bracket = true;
        else if (!quoted && c == ']') bracket = false;
        else if (!quoted && !bracket && std::strchr("dmyhsDMYHS", c)) return true;
    }
    return false;
}

DataSet data_set_of_sheet(const Sheet& sheet) {
    DataSet ds;
    TextColumns text;
    std::size_t first = 0, cols = 0;
    for (const SheetRow& row : sheet.rows) cols = std::max(cols, row.size());
    const bool header = !sheet.rows.empty() &&
                        std::any_of(sheet.rows[0].begin(), sheet.rows[0].end(),
                                    [](const Cell& c) { return c.kind == Cell::Kind::Text; });
    if (header) first = 1;
    const std::size_t t = sheet.rows.size() - first;
    ds.sample = Sample::undated(static_cast<int64_t>(t));
    for (std::size_t j = 0; j < cols; ++j) {
        std::string name;
        if (header && j < sheet.rows[0].size() && sheet.rows[0][j].kind == Cell::Kind::Text) name = sheet.rows[0][j].text;
        else if (header && j < sheet.rows[0].size() && sheet.rows[0][j].kind != Cell::Kind::Empty)
            name = default_variable_name(j);
        if (name.empty()) name = default_variable_name(j);
        Variable& v = ds.add_variable(name);
        v.values.assign(t, std::numeric_limits<double>::quiet_NaN());
        bool dates = false, others = false;
        for (std::size_t i = 0; i < t; ++i) {
            const SheetRow& row = sheet.rows[first + i];
            if (j >= row.size()) continue;
            const Cell& c = row[j];
            if (c.kind == Cell::Kind::Number || c.kind == Cell::Kind::Date) v.values[i] = c.number;
            if (c.kind == Cell::Kind::Date) dates = true;
            if (c.kind == Cell::Kind::Number) others = true;
            if (c.kind == Cell::Kind::Text) text.text(j);
            else if (c.kind != Cell::Kind::Empty) text.number(j);
        }
        if (dates && !others) v.kind = VariableKind::Date;
    }
    text.report(ds);
    return ds;
}

Sheet sheet_of_data_set(const DataSet& ds) {
    Sheet sheet;
    const std::size_t t = ds.sample.observations() > 0 ? ds.observations() : 0;
    sheet.rows.resize(t + 1);
    for (const Variable& v : ds.variables) {
        Cell name;
        name.kind = Cell::Kind::Text;
        name.text = v.name;
        sheet.rows[0].push_back(std::move(name));
    }
    for (std::size_t i = 0; i < t; ++i) {
        SheetRow& row = sheet.rows[i + 1];
        row.resize(ds.variables.size());
        for (std::size_t j = 0; j < ds.variables.size(); ++j) {
            const Variable& v = ds.variables[j];
            const double x = i < v.values.size() ? v.values[i] : std::numeric_limits<double>::quiet_NaN();
            if (x == x) {
                row[j].kind = v.kind == VariableKind::Date ? Cell::Kind::Date : Cell::Kind::Number;
                row[j].number = x;
            }
        }
    }
    return sheet;
}

}  // namespace kj::data
