// Matrix tables, the re-readable matrix form and the matrix-file layout.
#include <cmath>
#include <cstdio>
#include <vector>

#include "lib/io/print_buffer.h"
#include "lib/io/print_value.h"

namespace kj::lib::io {

using value::Value;

namespace {
// Label i of an array of labels: strings as they are, numbers in the default
// formats, anything else (and a missing label) empty.
std::string label_text(const Value* labels, int i) {
    if (!labels || value::type_of(*labels) != value::T_Array || i >= labels->u.arr.n || !labels->u.arr.v)
        return {};
    const Value& e = labels->u.arr.v[i];
    if (value::is_null(e)) return {};
    switch (value::type_of(e)) {
        case value::T_String:
            return e.u.str.s ? std::string(e.u.str.s, static_cast<std::size_t>(e.u.str.len)) : std::string();
        case value::T_Int:
        case value::T_Double:
            return value_text(e);
        default:
            return {};
    }
}

struct Column {
    const FormatSpec* spec;
    int width;
};

// Element format of every column: the given numeric specification or the
// matrix element format, overridden by "%cf" column by column.
std::vector<Column> column_formats(int cols, const PrintDirectives& d, std::vector<FormatSpec>& own) {
    const DefaultFormats& defaults = default_formats();
    Column base{&defaults.matrix, defaults.column_width};
    if (d.spec && d.spec->is_numeric()) base = {d.spec, d.spec->total_width};
    std::vector<Column> columns(static_cast<std::size_t>(cols), base);
    const Value* f = d.column_formats;
    if (!f || value::type_of(*f) != value::T_Array || !f->u.arr.v) return columns;
    const int n = std::min(cols, f->u.arr.n);
    own.reserve(static_cast<std::size_t>(n));
    for (int j = 0; j < n; ++j) {
        const Value& e = f->u.arr.v[j];
        if (value::type_of(e) != value::T_String || value::is_null(e) || !e.u.str.s) continue;
        FormatSpec s = parse_format(std::string_view(e.u.str.s, static_cast<std::size_t>(e.u.str.len)));
        if (!s.is_numeric() && s.kind != FormatKind::Integer) continue;
        own.push_back(std::move(s));
        columns[static_cast<std::size_t>(j)] = {&own.back(), own.back().total_width};
    }
    return columns;
}

// Ends of the column blocks: each block holds the columns that fit in the
// line beside the row labels (at least one).
std::vector<int> column_blocks(const std::vector<Column>& columns, int label_width, bool one_block) {
    const int cols = static_cast<int>(columns.size());
    const int room = default_formats().line_length - label_width;
    int total = 0;
    for (const Column& c : columns) total += c.width;
    if (one_block || total <= room) return {cols};
    std::vector<int> ends;
    int used = 0;
    for (int j = 0; j < cols; ++j) {
        const int w = columns[static_cast<std::size_t>(j)].width;
        if (used > 0 && used + w > room) {
            ends.push_back(j);
            used = 0;
        }
        used += w;
    }
    ends.push_back(cols);
    return ends;
}
}  // namespace

void print_matrix(OutputSink& sink, double** m, int rows, int cols, const PrintDirectives& d) {
    PrintBuffer out(sink);
    if (rows <= 0 || cols <= 0 || !m) {
        out.put("<>");
        return;
    }
    std::vector<FormatSpec> own;
    const std::vector<Column> columns = column_formats(cols, d, own);

    int label_width = 0;
    if (d.row_labels) {
        for (int i = 0; i < rows; ++i)
            label_width = std::max(label_width, static_cast<int>(label_text(d.row_labels, i).size()));
        if (columns[0].width >= 13 && label_width < 13) label_width = label_width < 6 ? 6 : 13;
    }
    const bool row_sep = d.row_separator.has_value();
    const std::vector<int> ends = column_blocks(columns, label_width, row_sep);

    std::string& t = out.text();
    if (!row_sep) t += '\n';
    int first = 0;
    for (const int end : ends) {
        if (d.column_labels) {
            t.append(static_cast<std::size_t>(label_width), ' ');
            for (int j = first; j < end; ++j) {
                if (j > first) t += d.column_separator;
                append_padded(t, label_text(d.column_labels, j), columns[static_cast<std::size_t>(j)].width, false);
            }
            if (row_sep)
                t += *d.row_separator;
            else
                t += '\n';
        } else if (rows >= 2 && cols > end - first) {
            char header[64];
            std::snprintf(header, sizeof header, "// [][%d]...[][%d]\n", first, end - 1);
            t += header;
        }
        for (int i = 0; i < rows; ++i) {
            if (row_sep && i > 0) t += *d.row_separator;
            if (d.row_labels) append_padded(t, label_text(d.row_labels, i), label_width, true);
            const double* row = m[i];
            const int stop = d.lower_triangle ? std::min(end, i + 1) : end;
            for (int j = first; j < stop; ++j) {
                if (j > first) t += d.column_separator;
                append_double(t, *columns[static_cast<std::size_t>(j)].spec, row[j]);
            }
            if (!row_sep) t += '\n';
            out.step();
        }
        first = end;
    }
}

void append_matrix_readable(std::string& out, double** m, int rows, int cols) {
    if (rows <= 0 || cols <= 0 || !m) {
        out += "<>";
        return;
    }
    out += '<';
    for (int i = 0; i < rows; ++i) {
        if (i > 0) out += ";\n ";
        for (int j = 0; j < cols; ++j) {
            if (j > 0) out += ',';
            append_readable(out, m[i][j], true);
        }
    }
    out += " >";
}

void write_matrix_text(OutputSink& sink, double** m, int rows, int cols, const FormatSpec& element,
                       bool header) {
    PrintBuffer out(sink);
    std::string& t = out.text();
    if (header) {
        char buf[48];
        std::snprintf(buf, sizeof buf, "%d %d\n", rows, cols);
        t += buf;
    }
    if (rows <= 0 || cols <= 0 || !m) {
        t += '\n';
        return;
    }
    const int per_line = std::max(1, default_formats().line_length / (element.total_width + 1));
    for (int i = 0; i < rows; ++i) {
        for (int j = 0; j < cols; ++j) {
            if (j > 0 && j % per_line == 0) t += '\n';
            t += ' ';
            const double x = m[i][j];
            if (std::isnan(x))
                append_padded(t, ".", element.width, element.left);
            else
                append_number(t, element, x);
        }
        t += '\n';
        out.step();
    }
}

}  // namespace kj::lib::io
