// The drawing built-ins. None of them draws: each packs its arguments into
// draw requests for the host's draw callback (the runtime's own callback,
// graphics/draw_requests.h, unless a host installed another) and returns the
// callback's int for its last request, or 1 when no callback is installed.
#include "graphics/fn_draw.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "graphics/draw_requests.h"
#include "graphics/graph.h"
#include "lib/args.h"
#include "link/function_table.h"
#include "runtime/host.h"

namespace kj::graphics {

using lib::arg_error;
using lib::arg_given;
using lib::check_most;
using lib::double_arg;
using lib::int_arg;
using lib::MatrixArg;
using lib::optional_double_arg;
using lib::optional_int_arg;
using lib::string_arg;
using value::Value;

namespace {

// One request with every slot; unnamed slots are empty.
struct Request {
    explicit Request(const char* c) : command(c) {}
    const char* command;
    int area = 0;
    const double* x1 = nullptr;
    int n1 = 0;
    std::string label1;
    bool has_label1 = false;
    const double* x2 = nullptr;
    int n2 = 0;
    std::string label2;
    bool has_label2 = false;
    const double* x3 = nullptr;
    int n3 = 0;
    int i1 = 0, i2 = 0;
    std::vector<int> iv;
    std::vector<double> dv;
};

int send(const Request& r) {
    KjDrawFn fn = runtime::state().draw_fn;
    if (!fn) return 1;
    return fn(r.command, r.area, r.x1, r.n1, r.has_label1 ? r.label1.c_str() : nullptr, r.x2, r.n2,
              r.has_label2 ? r.label2.c_str() : nullptr, r.x3, r.n3, nullptr, r.i1, r.i2,
              r.iv.empty() ? nullptr : r.iv.data(), static_cast<int>(r.iv.size()),
              r.dv.empty() ? nullptr : r.dv.data(), static_cast<int>(r.dv.size()));
}

void set_result(Value* result, int v) { value::set_int(*result, v); }

// Name i: element i of an array of strings, or a single string for row 0.
bool name_of(const Value& names, int i, std::string& out) {
    if (lib::is_string(names)) {
        if (i != 0) return false;
        out = std::string(lib::string_of(names));
        return true;
    }
    if (value::type_of(names) == value::T_Array && !value::is_null(names) && i < names.u.arr.n &&
        lib::is_string(names.u.arr.v[i])) {
        out = std::string(lib::string_of(names.u.arr.v[i]));
        return true;
    }
    return false;
}

// A per-row value: an int gives that int (plus i when `add_row`), a matrix
// its element i (truncated) while there is one; the default otherwise.
int per_row(Value* args, int count, int k, int i, int fallback, bool add_row) {
    if (!arg_given(args, count, k)) return fallback;
    const Value& v = args[k];
    if (value::type_of(v) == value::T_Matrix) {
        const double* e = lib::elements_of(v);
        if (e && i < lib::count_of(v)) return static_cast<int>(e[i]);
        return fallback;
    }
    const int base = int_arg(args, k);
    return add_row ? base + i : base;
}

// Rows of the data argument (argument 2), each its own request.
template <class Fill>
int each_row(Value* args, int count, int k, const char* command, Fill fill) {
    (void)count;
    const MatrixArg m = lib::matrix_arg(args, k);
    int result = 1;
    for (int i = 0; i < m.r && m.c > 0; ++i) {
        Request r(command);
        r.area = int_arg(args, 0);
        r.x1 = m.m[i];
        r.n1 = m.c;
        fill(r, i);
        result = send(r);
    }
    return result;
}

void check_area(Value* args) {
    const int area = int_arg(args, 0);
    if (area < 0 || area >= k_max_areas) arg_error(0);
}

void fn_draw(Value* result, Value* args, int count) {
    check_most(count, 4);
    check_area(args);
    const double first = optional_double_arg(args, count, 2, 1);
    const double step = optional_double_arg(args, count, 3, 1);
    set_result(result, each_row(args, count, 1, "Vector", [&](Request& r, int i) {
                   r.i2 = i + 2;
                   r.dv = {first, step};
               }));
}

void fn_draw_matrix(Value* result, Value* args, int count) {
    check_most(count, 7);
    check_area(args);
    const double first = double_arg(args, 3), step = double_arg(args, 4);
    set_result(result, each_row(args, count, 1, "Vector", [&](Request& r, int i) {
                   r.has_label1 = name_of(args[2], i, r.label1);
                   r.i1 = per_row(args, count, 5, i, 0, false);
                   r.i2 = per_row(args, count, 6, i, i + 2, true);
                   r.dv = {first, step};
               }));
}

// DrawT and DrawTMatrix: a year argument with two or more columns holds dates.
int time_rows(Value* args, int count, int year_k, int period_k, int freq_k, int names_k, int sym_k, int idx_k) {
    const Value& year = args[year_k];
    const bool dates = arg_given(args, count, year_k) && value::type_of(year) == value::T_Matrix && year.u.mat.c >= 2;
    std::vector<double> dates_row;
    std::vector<int> ints;
    if (dates) {
        dates_row = lib::elements_arg(args, year_k);
    } else {
        ints = {optional_int_arg(args, count, year_k, 1),
                optional_int_arg(args, count, period_k, 1),
                optional_int_arg(args, count, freq_k, 1)};
        if (ints[2] < 1) arg_error(freq_k);
    }
    return each_row(args, count, 1, dates ? "DateVector" : "TimeVector", [&](Request& r, int i) {
        if (names_k >= 0) r.has_label1 = name_of(args[names_k], i, r.label1);
        r.i1 = sym_k >= 0 ? per_row(args, count, sym_k, i, 0, false) : 0;
        r.i2 = idx_k >= 0 ? per_row(args, count, idx_k, i, i + 2, true) : i + 2;
        if (dates) {
            r.x2 = dates_row.data();
            r.n2 = static_cast<int>(dates_row.size());
        } else {
            r.iv = ints;
        }
    });
}

void fn_draw_t(Value* result, Value* args, int count) {
    check_area(args);
    set_result(result, time_rows(args, count, 2, 3, 4, -1, -1, -1));
}

void fn_draw_tmatrix(Value* result, Value* args, int count) {
    check_most(count, 8);
    check_area(args);
    set_result(result, time_rows(args, count, 3, 4, 5, 2, 6, 7));
}

void fn_draw_x(Value* result, Value* args, int count) {
    check_area(args);
    const MatrixArg y = lib::matrix_arg(args, 1), x = lib::matrix_arg(args, 2);
    if (!y.empty() && (x.empty() || x.c != y.c)) lib::arg_size_error(2, args[2], 1, y.c);
    set_result(result, each_row(args, count, 1, "XVector", [&](Request& r, int i) {
                   r.x2 = x.m[0];
                   r.n2 = x.c;
                   r.i1 = 1;
                   r.i2 = i + 2;
               }));
}

void fn_draw_xmatrix(Value* result, Value* args, int count) {
    check_most(count, 7);
    check_area(args);
    const MatrixArg y = lib::matrix_arg(args, 1), x = lib::matrix_arg(args, 3);
    if (y.empty() || x.empty()) {
        set_result(result, 0);
        return;
    }
    const int n = std::min(x.c, y.c);
    const bool x_name = lib::is_string(args[4]);
    set_result(result, each_row(args, count, 1, "XVector", [&](Request& r, int i) {
                   r.n1 = n;
                   r.has_label1 = name_of(args[2], i, r.label1);
                   r.x2 = x.m[0];
                   r.n2 = n;
                   if (x_name) {
                       r.label2 = std::string(lib::string_of(args[4]));
                       r.has_label2 = true;
                   }
                   r.i1 = per_row(args, count, 5, i, 0, false);
                   r.i2 = per_row(args, count, 6, i, i + 2, true);
               }));
}

// Statistical requests: row i goes to area iArea + i, named by name i.
template <class Fill>
int stat_rows(Value* args, int count, const char* command, Fill fill) {
    check_area(args);
    const int area = int_arg(args, 0);
    return each_row(args, count, 1, command, [&](Request& r, int i) {
        r.area = area + i;
        r.has_label1 = name_of(args[2], i, r.label1);
        fill(r, i);
    });
}

void fn_draw_acf(Value* result, Value* args, int count) {
    check_most(count, 9);
    const int lags = int_arg(args, 3);
    std::vector<int> flags = {optional_int_arg(args, count, 4, 1), optional_int_arg(args, count, 5, 0), optional_int_arg(args, count, 6, 0),
                              optional_int_arg(args, count, 8, 1)};
    const int index = optional_int_arg(args, count, 7, 2);
    set_result(result, stat_rows(args, count, "Acf", [&](Request& r, int) {
                   r.i1 = lags;
                   r.i2 = index;
                   r.iv = flags;
               }));
}

// DrawCorrelogram and DrawSpectrum: a lag count or order, then an optional index.
void lag_rows(Value* result, Value* args, int count, const char* command) {
    check_most(count, 5);
    const int lags = int_arg(args, 3), index = optional_int_arg(args, count, 4, 2);
    set_result(result, stat_rows(args, count, command, [&](Request& r, int) {
                   r.i1 = lags;
                   r.i2 = index;
               }));
}

void fn_draw_correlogram(Value* result, Value* args, int count) { lag_rows(result, args, count, "Correlogram"); }
void fn_draw_spectrum(Value* result, Value* args, int count) { lag_rows(result, args, count, "Spectrum"); }

void fn_draw_density(Value* result, Value* args, int count) {
    check_most(count, 10);
    std::vector<int> flags = {optional_int_arg(args, count, 3, 1), optional_int_arg(args, count, 4, 0), optional_int_arg(args, count, 5, 0),
                              optional_int_arg(args, count, 6, 0), optional_int_arg(args, count, 7, 0)};
    const int bars = optional_int_arg(args, count, 8, 0), index = optional_int_arg(args, count, 9, 2);
    if (bars < 0) arg_error(8);
    set_result(result, stat_rows(args, count, "Density", [&](Request& r, int) {
                   r.i1 = bars;
                   r.i2 = index;
                   r.iv = flags;
               }));
}

void fn_draw_qq(Value* result, Value* args, int count) {
    check_most(count, 7);
    const int dist = int_arg(args, 3);
    const double df1 = double_arg(args, 4), df2 = double_arg(args, 5);
    const int index = optional_int_arg(args, count, 6, 2);
    set_result(result, stat_rows(args, count, "QQ", [&](Request& r, int) {
                   r.i1 = dist;
                   r.i2 = index;
                   r.dv = {df1, df2};
               }));
}

void fn_draw_boxplot(Value* result, Value* args, int count) {
    check_most(count, 4);
    check_area(args);
    const int area = int_arg(args, 0), index = optional_int_arg(args, count, 3, 2);
    set_result(result, each_row(args, count, 1, "BoxPlot", [&](Request& r, int i) {
                   r.area = area;
                   r.has_label1 = name_of(args[2], i, r.label1);
                   r.i1 = i;
                   r.i2 = index;
               }));
}

void fn_draw_histogram(Value* result, Value* args, int count) {
    check_most(count, 6);
    check_area(args);
    const double first = optional_double_arg(args, count, 2, 0), step = optional_double_arg(args, count, 3, 1);
    if (!(step > 0)) arg_error(3);
    const int index = optional_int_arg(args, count, 4, 2), inside = optional_int_arg(args, count, 5, index);
    set_result(result, each_row(args, count, 1, "Histogram", [&](Request& r, int i) {
                   r.i1 = index + i;
                   r.i2 = inside;
                   r.dv = {first, step};
               }));
}

void fn_draw_line(Value* result, Value* args, int count) {
    if (count != 6 && count != 8) arg_error(count < 8 ? 6 : 8);
    check_area(args);
    Request r("Line");
    r.area = int_arg(args, 0);
    for (int k = 1; k < count - 1; ++k) r.dv.push_back(double_arg(args, k));
    r.i1 = int_arg(args, count - 1);
    r.i2 = count == 8 ? 1 : 0;
    set_result(result, send(r));
}

void fn_draw_symbol(Value* result, Value* args, int count) {
    if (count != 7 && count != 9) arg_error(count < 9 ? 7 : 9);
    check_area(args);
    Request r(count == 9 ? "Symbol3" : "Symbol");
    r.area = int_arg(args, 0);
    for (int k = 1; k < count - 2; ++k) r.dv.push_back(double_arg(args, k));
    r.i1 = int_arg(args, count - 2);
    r.i2 = int_arg(args, count - 1);
    set_result(result, send(r));
}

void fn_draw_pline(Value* result, Value* args, int) {
    Request r("PLine");
    r.area = int_arg(args, 0);
    for (int k = 1; k < 5; ++k) r.iv.push_back(int_arg(args, k));
    r.i1 = int_arg(args, 5);
    set_result(result, send(r));
}

void fn_draw_psymbol(Value* result, Value* args, int) {
    Request r("PSymbol");
    r.area = int_arg(args, 0);
    for (int k = 1; k < 5; ++k) r.iv.push_back(int_arg(args, k));
    r.i1 = int_arg(args, 5);
    r.i2 = int_arg(args, 6);
    set_result(result, send(r));
}

void fn_draw_ptext(Value* result, Value* args, int count) {
    check_most(count, 8);
    Request r("PText");
    r.area = int_arg(args, 0);
    r.label1 = string_arg(args, 1);
    r.has_label1 = true;
    r.iv = {int_arg(args, 2), int_arg(args, 3), optional_int_arg(args, count, 4, -1), optional_int_arg(args, count, 5, -1),
            optional_int_arg(args, count, 6, 0), optional_int_arg(args, count, 7, 0)};
    set_result(result, send(r));
}

void fn_draw_text(Value* result, Value* args, int count) {
    check_most(count, 9);
    check_area(args);
    Request r("Text3");
    r.area = int_arg(args, 0);
    r.label1 = string_arg(args, 1);
    r.has_label1 = true;
    r.iv = {optional_int_arg(args, count, 4, -1), optional_int_arg(args, count, 5, -1), optional_int_arg(args, count, 6, 0),
            optional_int_arg(args, count, 7, 0)};
    r.dv = {double_arg(args, 2), double_arg(args, 3), optional_double_arg(args, count, 8, 0)};
    set_result(result, send(r));
}

void fn_draw_title(Value* result, Value* args, int) {
    check_area(args);
    Request r("Title");
    r.area = int_arg(args, 0);
    r.label1 = string_arg(args, 1);
    r.has_label1 = true;
    set_result(result, send(r));
}

void fn_draw_legend(Value* result, Value* args, int) {
    check_area(args);
    Request r("PLegend");
    r.area = int_arg(args, 0);
    r.i1 = int_arg(args, 1);
    r.i2 = int_arg(args, 2);
    r.iv = {int_arg(args, 3)};
    set_result(result, send(r));
}

void fn_draw_axis(Value* result, Value* args, int count) {
    check_most(count, 10);
    check_area(args);
    Request r("Axis3");
    r.area = int_arg(args, 0);
    r.i1 = int_arg(args, 1);
    for (int k = 2; k < 8; ++k) r.dv.push_back(double_arg(args, k));
    r.dv.push_back(optional_double_arg(args, count, 9, 0));
    r.i2 = int_arg(args, 8);
    if (!(r.dv[2] > r.dv[1])) arg_error(4);
    set_result(result, send(r));
}

void fn_draw_axis_auto(Value* result, Value* args, int count) {
    check_most(count, 5);
    check_area(args);
    Request r("AxisAuto3");
    r.area = int_arg(args, 0);
    r.i1 = int_arg(args, 1);
    r.i2 = optional_int_arg(args, count, 2, 1);
    r.iv = {optional_int_arg(args, count, 3, 0)};
    r.dv = {optional_double_arg(args, count, 4, 0)};
    set_result(result, send(r));
}

void fn_draw_adjust(Value* result, Value* args, int count) {
    check_most(count, 6);
    Request r("DrawAdjust");
    r.i1 = int_arg(args, 0);
    r.i2 = optional_int_arg(args, count, 1, -1);
    for (int k = 2; k < 6; ++k) r.dv.push_back(optional_double_arg(args, count, k, -1));
    set_result(result, send(r));
}

void fn_draw_z(Value* result, Value* args, int count) {
    check_most(count, 5);
    const MatrixArg z = lib::matrix_arg(args, 0);
    std::string name = arg_given(args, count, 1) ? string_arg(args, 1) : std::string();
    const int mode = optional_int_arg(args, count, 2, 0), index = optional_int_arg(args, count, 4, 2);
    const double fac = optional_double_arg(args, count, 3, 1);
    int res = 1;
    for (int i = 0; i < z.r && z.c > 0; ++i) {
        Request r("Z");
        r.x1 = z.m[i];
        r.n1 = z.c;
        r.label1 = name;
        r.has_label1 = true;
        r.i1 = mode;
        r.i2 = index + i;
        r.dv = {fac};
        res = send(r);
    }
    set_result(result, res);
}

void fn_draw_xyz(Value* result, Value* args, int count) {
    check_most(count, 7);
    check_area(args);
    const MatrixArg x = lib::matrix_arg(args, 1), y = lib::matrix_arg(args, 2), z = lib::matrix_arg(args, 3);
    Request r("3D");
    r.area = int_arg(args, 0);
    r.x1 = x.data(), r.n1 = static_cast<int>(x.count());
    r.x2 = y.data(), r.n2 = static_cast<int>(y.count());
    r.x3 = z.data(), r.n3 = static_cast<int>(z.count());
    r.i1 = optional_int_arg(args, count, 4, 0);
    r.i2 = optional_int_arg(args, count, 6, 2);
    r.iv = {z.r, z.c};
    r.dv = {optional_double_arg(args, count, 5, 1)};
    set_result(result, send(r));
}

void fn_set_draw(Value* result, Value* args, int count) {
    check_most(count, 6);
    Request r("SetDrawOptions");
    r.i1 = int_arg(args, 0);
    for (int k = 1; k < 6; ++k) r.iv.push_back(optional_int_arg(args, count, k, 0));
    set_result(result, send(r));
}

int window(const char* action, const char* argument) { return runtime::draw_window(action, argument); }

void fn_show_draw_window(Value* result, Value*, int) { set_result(result, window("Show", nullptr)); }
void fn_close_draw_window(Value* result, Value*, int) { set_result(result, window("Close", nullptr)); }
void fn_save_draw_window(Value* result, Value* args, int) {
    set_result(result, window("Save", string_arg(args, 0).c_str()));
}
void fn_set_draw_window(Value* result, Value* args, int) {
    set_result(result, window("Set", string_arg(args, 0).c_str()));
}
void fn_set_text_window(Value* result, Value* args, int) {
    set_result(result, runtime::text_window("Set", string_arg(args, 0).c_str()));
}

constexpr uint32_t V = link::k_varargs | link::k_serial, S = link::k_serial;
const lib::NamedRow k_graphics[] = {
    {"CloseDrawWindow", fn_close_draw_window, 0, S}, {"Draw", fn_draw, 2, V},
    {"DrawAcf", fn_draw_acf, 4, V},                  {"DrawAdjust", fn_draw_adjust, 1, V},
    {"DrawAxis", fn_draw_axis, 9, V},                {"DrawAxisAuto", fn_draw_axis_auto, 2, V},
    {"DrawBoxPlot", fn_draw_boxplot, 3, V},          {"DrawCorrelogram", fn_draw_correlogram, 4, V},
    {"DrawDensity", fn_draw_density, 3, V},          {"DrawHistogram", fn_draw_histogram, 2, V},
    {"DrawLegend", fn_draw_legend, 4, S},            {"DrawLine", fn_draw_line, 6, V},
    {"DrawMatrix", fn_draw_matrix, 5, V},            {"DrawPLine", fn_draw_pline, 6, S},
    {"DrawPSymbol", fn_draw_psymbol, 7, S},          {"DrawPText", fn_draw_ptext, 4, V},
    {"DrawQQ", fn_draw_qq, 6, V},                    {"DrawSpectrum", fn_draw_spectrum, 4, V},
    {"DrawSymbol", fn_draw_symbol, 7, V},            {"DrawT", fn_draw_t, 5, S},
    {"DrawText", fn_draw_text, 4, V},                {"DrawTitle", fn_draw_title, 2, S},
    {"DrawTMatrix", fn_draw_tmatrix, 3, V},          {"DrawX", fn_draw_x, 3, S},
    {"DrawXMatrix", fn_draw_xmatrix, 5, V},          {"DrawXYZ", fn_draw_xyz, 4, V},
    {"DrawZ", fn_draw_z, 1, V},                      {"SaveDrawWindow", fn_save_draw_window, 1, S},
    {"SetDraw", fn_set_draw, 1, V},                  {"SetDrawWindow", fn_set_draw_window, 1, S},
    {"SetTextWindow", fn_set_text_window, 1, S},     {"ShowDrawWindow", fn_show_draw_window, 0, S},
};

// The runtime's own callbacks, unless the host installed its own first.
void install_default_callbacks() {
    runtime::HostState& s = runtime::state();
    if (!s.draw_fn) s.draw_fn = default_draw;
    if (!s.draw_window_fn) s.draw_window_fn = default_draw_window;
}

constexpr lib::GroupPart k_group[] = {std::span<const lib::NamedRow>(k_graphics), install_default_callbacks};

}  // namespace

std::span<const lib::GroupPart> library_group() { return k_group; }

}  // namespace kj::graphics
