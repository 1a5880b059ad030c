#include "data/delimited_file.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <string_view>

#include "data/calendar.h"
#include "data/message_function.h"
#include "data/progress.h"
#include "data/text_columns.h"
#include "data/text_encoding.h"
#include "data/value_text.h"

namespace kj::data {

namespace {

constexpr double k_nan = std::numeric_limits<double>::quiet_NaN();

// Calls on_field(row, column, text, quoted) for every field and
// on_row(row, fields, line) after each row, line being the number (from 1) of
// the row's first line in the text; an empty line is one empty field, or no
// row with skip_empty. A byte-order mark at the start is dropped. A quote
// that is never closed is reported, and its field ends with its line as an
// unquoted one would (rather than taking the rest of the text).
template <class OnField, class OnRow>
void scan_fields(const std::string& bytes, char delimiter, bool skip_empty, OnField&& on_field, OnRow&& on_row) {
    const char* s = bytes.data();
    const std::size_t n = bytes.size();
    std::size_t p = n >= 3 && std::memcmp(s, "\xEF\xBB\xBF", 3) == 0 ? 3 : 0;
    std::string unquoted;
    std::size_t row = 0, line = 1;
    auto field_end = [&](std::size_t from) {
        while (from < n && s[from] != delimiter && s[from] != '\n' && s[from] != '\r') ++from;
        return from;
    };
    while (p < n) {
        if (skip_empty && s[p] == '\n') {
            ++p, ++line;
            continue;
        }
        if (skip_empty && s[p] == '\r' && (p + 1 == n || s[p + 1] == '\n')) {
            p += p + 1 == n ? 1 : 2;
            ++line;
            continue;
        }
        const std::size_t first_line = line;
        std::size_t col = 0;
        for (;; ++col) {
            std::string_view field;
            const bool quoted = p < n && s[p] == '"';
            if (quoted) {
                unquoted.clear();
                const std::size_t open = ++p;
                for (;;) {
                    const char* q = static_cast<const char*>(std::memchr(s + p, '"', n - p));
                    if (!q) {
                        report_warning("Unterminated quote in line " + std::to_string(line) +
                                       ", field read to the end of the line");
                        unquoted.clear();
                        p = open;
                        break;
                    }
                    unquoted.append(s + p, static_cast<std::size_t>(q - (s + p)));
                    p = static_cast<std::size_t>(q - s) + 1;
                    if (p < n && s[p] == '"') {
                        unquoted += '"';
                        ++p;
                    } else {
                        line += static_cast<std::size_t>(std::count(s + open, s + p, '\n'));
                        break;
                    }
                }
                const std::size_t end = field_end(p);
                unquoted.append(s + p, end - p);
                p = end;
                field = unquoted;
            } else {
                const std::size_t end = field_end(p);
                field = std::string_view(s + p, end - p);
                p = end;
            }
            on_field(row, col, field, quoted);
            if (p < n && s[p] == delimiter) {
                ++p;
                continue;
            }
            if (p < n && (s[p] == '\r' || s[p] == '\n')) ++line;
            if (p < n && s[p] == '\r') ++p;
            if (p < n && s[p] == '\n') ++p;
            break;
        }
        on_row(row, col + 1, first_line);
        ++row;
        report_progress(static_cast<double>(p), static_cast<double>(n));
    }
}

std::string_view trimmed(std::string_view f) {
    while (!f.empty() && (f.front() == ' ' || f.front() == '\t')) f.remove_prefix(1);
    while (!f.empty() && (f.back() == ' ' || f.back() == '\t')) f.remove_suffix(1);
    return f;
}

// The cell kind and value of a field (text cells keep no value here).
Cell::Kind classify(std::string_view field, double& x) {
    const std::string_view f = trimmed(field);
    if (f.empty() || f == "." || f == "NA" || f == "NaN") return Cell::Kind::Empty;
    const auto r = std::from_chars(f.data(), f.data() + f.size(), x);
    if (r.ec == std::errc() && r.ptr == f.data() + f.size()) return std::isnan(x) ? Cell::Kind::Empty : Cell::Kind::Number;
    if (f.size() > 64) return Cell::Kind::Text;
    char buf[80];
    std::memcpy(buf, f.data(), f.size());
    buf[f.size()] = 0;
    const TextValue v = read_value(buf);
    if (v.kind == TextKind::None || *v.end != 0) return Cell::Kind::Text;
    x = v.value;
    if (std::isnan(x)) return Cell::Kind::Empty;
    return v.kind == TextKind::DateTime ? Cell::Kind::Date : Cell::Kind::Number;
}

void append_number(std::string& out, double x, bool date) {
    if (std::isnan(x)) return;
    if (std::isinf(x)) {
        out += x > 0 ? "+.Inf" : "-.Inf";
    } else if (date) {
        append_date_time(out, x, DateTimeStyle{});
    } else {
        char buf[32];
        const auto r = std::to_chars(buf, buf + sizeof buf, x);
        out.append(buf, r.ptr);
    }
}

void append_text(std::string& out, const std::string& text, char delimiter, bool always_quote) {
    const bool quote = always_quote || text.find_first_of(std::string("\"\r\n") + delimiter) != std::string::npos;
    if (!quote) {
        out += text;
        return;
    }
    out += '"';
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

}  // namespace

std::size_t first_control_character(std::string_view bytes) {
    // Tab, line feed, vertical tab, form feed and carriage return are text;
    // a Ctrl-Z may end a file written on old systems.
    auto control = [](char ch) {
        const auto c = static_cast<unsigned char>(ch);
        return static_cast<unsigned char>(c < 0x20 && (c < '\t' || c > '\r'));
    };
    if (!bytes.empty() && bytes.back() == '\x1A') bytes.remove_suffix(1);
    // Blocks of a fixed size, which the compiler turns into vector code; the
    // position is looked for only in a block that holds one.
    constexpr std::size_t k_block = 64;
    std::size_t i = 0;
    for (; i + k_block <= bytes.size(); i += k_block) {
        unsigned char any = 0;
        for (std::size_t k = 0; k < k_block; ++k) any |= control(bytes[i + k]);
        if (any) break;
    }
    for (; i < bytes.size(); ++i)
        if (control(bytes[i])) return i;
    return std::string_view::npos;
}

char delimiter_for(const std::string& path, const std::string& bytes) {
    std::string ext = path.substr(path.find_last_of('.') == std::string::npos ? path.size() : path.find_last_of('.'));
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    const std::string_view first(bytes.data(), std::min(bytes.find('\n'), bytes.size()));
    auto count = [&](char c) { return std::count(first.begin(), first.end(), c); };
    if (ext == ".tsv") return '\t';
    if (ext == ".csv") return count(',') == 0 && count(';') > 0 ? ';' : ',';
    char best = ',';
    long most = 0;
    for (char c : {'\t', ';', '|', ','})
        if (count(c) > most) most = count(c), best = c;
    return best;
}

bool read_delimited_sheet(const std::string& bytes, char delimiter, Sheet& sheet) {
    sheet = Sheet();
    sheet.name = "Sheet1";
    std::size_t cells = 0;
    bool too_large = false;
    scan_fields(bytes, delimiter, false, [&](std::size_t row, std::size_t col, std::string_view f, bool quoted) {
        if (too_large) return;
        if (row >= sheet.rows.size()) sheet.rows.resize(row + 1);
        SheetRow& r = sheet.rows[row];
        Cell c;
        c.kind = quoted ? Cell::Kind::Text : classify(f, c.number);
        if (quoted && f.empty()) c.kind = Cell::Kind::Empty;
        if (c.kind == Cell::Kind::Text) c.text = utf8_text(f);
        if (c.kind != Cell::Kind::Empty) {
            cells += col + 1 - r.size();
            if (cells > k_max_sheet_cells) {
                too_large = true;
                return;
            }
            r.resize(col + 1);
            r[col] = std::move(c);
        }
    }, [](std::size_t, std::size_t, std::size_t) {});
    if (too_large) sheet = Sheet();
    return !too_large;
}

bool read_delimited_data_set(const std::string& bytes, char delimiter, DataSet& ds) {
    struct Column {
        std::vector<double> x;
        bool dates = false, numbers = false;
    };
    std::vector<Column> columns;
    TextColumns text;
    std::vector<std::string> names;
    std::vector<std::pair<std::string, bool>> first_row;
    bool header = false, too_large = false;
    std::size_t data_row = 0;  // rows of data seen so far (when the row is done)
    auto put = [&](std::size_t row, std::size_t col, std::string_view f, bool quoted) {
        if (too_large) return;
        if (static_cast<int64_t>(std::max(col + 1, columns.size()) * (row + 1)) > k_max_cells) {
            too_large = true;
            return;
        }
        if (col >= columns.size()) {
            const std::size_t old = columns.size();
            columns.resize(col + 1);
            for (std::size_t j = old; j < columns.size(); ++j) columns[j].x.resize(row, k_nan);
        }
        Column& c = columns[col];
        c.x.resize(row, k_nan);
        double x = k_nan;
        const Cell::Kind kind = classify(f, x);
        (void)quoted;
        c.x.push_back(kind == Cell::Kind::Number || kind == Cell::Kind::Date ? x : k_nan);
        if (kind == Cell::Kind::Date) c.dates = true;
        if (kind == Cell::Kind::Number) c.numbers = true;
        if (kind == Cell::Kind::Text) text.text(col);
        else if (kind != Cell::Kind::Empty) text.number(col);
    };
    std::size_t rows = 0;
    // Rows whose number of fields differs from the first row's are padded
    // with missing values; the first of them is named in a warning.
    std::size_t width = 0, width_line = 0, ragged = 0, ragged_line = 0, ragged_width = 0;
    auto on_row = [&](std::size_t row, std::size_t fields, std::size_t line) {
        if (row == 0) {
            width = fields, width_line = line;
        } else if (fields != width && !ragged++) {
            ragged_line = line, ragged_width = fields;
        }
    };
    scan_fields(bytes, delimiter, true, [&](std::size_t row, std::size_t col, std::string_view f, bool quoted) {
        rows = row + 1;
        if (row == 0) {
            double x;
            if (quoted || classify(f, x) == Cell::Kind::Text) header = true;
            first_row.emplace_back(std::string(f), quoted);
            return;
        }
        if (row == 1 && col == 0) {
            // The first row is settled: names, or the first observation.
            if (header) {
                for (auto& [text, q] : first_row) names.push_back(utf8_text(trimmed(text)));
            } else {
                for (std::size_t j = 0; j < first_row.size(); ++j) put(0, j, first_row[j].first, first_row[j].second);
            }
        }
        put(header ? row - 1 : row, col, f, quoted);
    }, on_row);
    if (rows == 1) {
        if (header) {
            for (auto& [text, q] : first_row) names.push_back(utf8_text(trimmed(text)));
            columns.resize(names.size());
        } else {
            for (std::size_t j = 0; j < first_row.size(); ++j) put(0, j, first_row[j].first, first_row[j].second);
        }
    }
    data_row = rows == 0 ? 0 : (header ? rows - 1 : rows);
    columns.resize(std::max(columns.size(), names.size()));
    ds = DataSet();
    if (too_large || static_cast<int64_t>(columns.size() * data_row) > k_max_cells) return false;
    if (ragged) {
        auto fields = [](std::size_t k) { return std::to_string(k) + (k == 1 ? " field" : " fields"); };
        report_warning("Rows of different lengths padded with missing values: line " + std::to_string(ragged_line) +
                       " has " + fields(ragged_width) + ", line " + std::to_string(width_line) + " has " +
                       std::to_string(width) + (ragged > 1 ? " (" + std::to_string(ragged) + " lines differ)" : ""));
    }

    ds.sample = Sample::undated(static_cast<int64_t>(data_row));
    for (std::size_t j = 0; j < columns.size(); ++j) {
        std::string name = j < names.size() ? names[j] : std::string();
        if (name.empty()) name = default_variable_name(j);
        Variable& v = ds.add_variable(std::move(name));
        v.values = std::move(columns[j].x);
        v.values.resize(data_row, k_nan);
        if (columns[j].dates && !columns[j].numbers) v.kind = VariableKind::Date;
    }
    text.report(ds);
    return true;
}

std::string write_delimited_sheet(const Sheet& sheet, char delimiter) {
    std::string out;
    for (const SheetRow& row : sheet.rows) {
        report_progress(static_cast<double>(&row - sheet.rows.data()), static_cast<double>(sheet.rows.size()));
        for (std::size_t j = 0; j < row.size(); ++j) {
            if (j) out += delimiter;
            const Cell& c = row[j];
            if (c.kind == Cell::Kind::Text) append_text(out, c.text, delimiter, false);
            else if (c.kind == Cell::Kind::Number || c.kind == Cell::Kind::Date)
                append_number(out, c.number, c.kind == Cell::Kind::Date);
        }
        out += '\n';
    }
    return out;
}

std::string write_delimited_data_set(const DataSet& ds, char delimiter) {
    std::string out;
    const std::size_t k = ds.variables.size();
    for (std::size_t j = 0; j < k; ++j) {
        if (j) out += delimiter;
        append_text(out, ds.variables[j].name, delimiter, true);
    }
    out += '\n';
    const std::size_t t = ds.sample.observations() > 0 ? ds.observations() : 0;
    out.reserve(out.size() + t * k * 12);
    for (std::size_t i = 0; i < t; ++i) {
        report_progress(static_cast<double>(i), static_cast<double>(t));
        for (std::size_t j = 0; j < k; ++j) {
            if (j) out += delimiter;
            const Variable& v = ds.variables[j];
            const double x = i < v.values.size() ? v.values[i] : k_nan;
            // A lone missing value would make an empty line, which readers skip.
            if (k == 1 && std::isnan(x)) out += "NA";
            append_number(out, x, v.kind == VariableKind::Date);
        }
        out += '\n';
    }
    return out;
}

}  // namespace kj::data
