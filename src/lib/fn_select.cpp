// Selection and deletion built-ins. Rows and columns are chosen by a flag per
// line and gathered in their order; choosing nothing gives the empty matrix.
// Element matching treats NaN as equal to NaN.
#include "lib/fn_select.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "lib/args.h"
#include "lib/elementwise.h"
#include "lib/fn_sets.h"
#include "lib/fn_sort.h"
#include "lib/fn_string.h"
#include "lib/library_rows.h"
#include "vm/conversions.h"
#include "runtime/run_error.h"
#include "value/index_errors.h"

namespace kj::lib {

using value::Value;

namespace {

constexpr double k_nan = std::numeric_limits<double>::quiet_NaN();

enum class Axis { Rows, Columns };

int lines(const Value& m, Axis axis) { return axis == Axis::Rows ? m.u.mat.r : m.u.mat.c; }

// result := the rows (or columns) k of m with keep[k] set; <> when none.
void keep_where(Value& result, const Value& m, Axis axis, const std::vector<char>& keep) {
    const int r = m.u.mat.r, c = m.u.mat.c;
    std::vector<int> kept;
    for (std::size_t k = 0; k < keep.size(); ++k)
        if (keep[k]) kept.push_back(static_cast<int>(k));
    const int n = static_cast<int>(kept.size());
    if (n == 0 || r == 0 || c == 0) return set_empty(result);
    if (axis == Axis::Rows) {
        value::set_matrix(result, n, c);
        for (int i = 0; i < n; ++i)
            std::memcpy(result.u.mat.m[i], m.u.mat.m[kept[static_cast<std::size_t>(i)]],
                        sizeof(double) * static_cast<std::size_t>(c));
        return;
    }
    value::set_matrix(result, r, n);
    for (int i = 0; i < r; ++i) {
        const double* src = m.u.mat.m[i];
        double* dst = result.u.mat.m[i];
        for (int k = 0; k < n; ++k) dst[k] = src[kept[static_cast<std::size_t>(k)]];
    }
}

// Per line of m: whether test holds for some element (for every element when
// `every`).
template <class Test>
std::vector<char> lines_where(const Value& m, Axis axis, bool every, Test test) {
    const int r = m.u.mat.r, c = m.u.mat.c;
    std::vector<char> some(static_cast<std::size_t>(lines(m, axis)), 0), all(some.size(), 1);
    for (int i = 0; i < r; ++i) {
        const double* row = m.u.mat.m[i];
        for (int j = 0; j < c; ++j) {
            const bool t = test(row[j]);
            const std::size_t k = static_cast<std::size_t>(axis == Axis::Rows ? i : j);
            some[k] |= t;
            all[k] &= t;
        }
    }
    return every ? all : some;
}

std::vector<char> flipped(std::vector<char> v) {
    for (char& x : v) x = !x;
    return v;
}

bool nonzero(double x) { return x != 0; }  // NaN counts as nonzero

// The values args[i] lists, or NaN alone when the argument is absent.
ValueSet match_set(Value* args, int count, int i) {
    if (count <= i) return ValueSet(&k_nan, 1);
    const Value& v = matrix_value_arg(args, i);
    return ValueSet(elements_of(v), count_of(v));
}

// selectc, selectr (keep lines holding a listed value) and deletec, deleter
// (drop them; with a third argument TRUE only lines made of listed values).
void select_by_value(Value& result, Value* args, int count, Axis axis, bool keep) {
    const int most = keep ? 2 : 3;
    if (count > most) arg_error(most);
    const Value& m = matrix_value_arg(args, 0);
    const ValueSet set = match_set(args, count, 1);
    const bool every = !keep && count > 2 && int_arg(args, 2) != 0;
    std::vector<char> flags = lines_where(m, axis, every, [&](double x) { return set.contains(x); });
    keep_where(result, m, axis, keep ? flags : flipped(std::move(flags)));
}

// selectifc, selectifr, deleteifc, deleteifr: line k of args[1] holding a
// nonzero keeps (or drops) line k of args[0].
void select_by_flags(Value& result, Value* args, Axis axis, bool keep) {
    const Value& m = matrix_value_arg(args, 0);
    const Value& f = matrix_value_arg(args, 1);
    const int r = m.u.mat.r, c = m.u.mat.c;
    const bool rows = axis == Axis::Rows;
    if (keep) {
        if (lines(f, axis) != lines(m, axis)) arg_error(1);
    } else {
        const bool line = rows ? f.u.mat.r == r && f.u.mat.c == 1 : f.u.mat.r == 1 && f.u.mat.c == c;
        if (!line && !(f.u.mat.r == r && f.u.mat.c == c)) arg_size_error(1, f, r, c);
    }
    std::vector<char> flags = lines_where(f, axis, false, nonzero);
    keep_where(result, m, axis, keep ? flags : flipped(std::move(flags)));
}

// dropc, dropr: every further argument lists indices to drop; indices
// outside the matrix are ignored.
void drop_lines(Value& result, Value* args, int count, Axis axis) {
    const Value& m = matrix_value_arg(args, 0);
    const int n = lines(m, axis);
    std::vector<char> keep(static_cast<std::size_t>(n), 1);
    for (int a = 1; a < count; ++a) {
        const Value& idx = matrix_value_arg(args, a);
        const double* x = elements_of(idx);
        for (long k = 0, nk = count_of(idx); k < nk; ++k) {
            const int i = vm::truncate_to_int(x[k]);
            if (i >= 0 && i < n) keep[static_cast<std::size_t>(i)] = 0;
        }
    }
    keep_where(result, m, axis, keep);
}

// The array base passed after a function's own `own` arguments, or 0.
int array_base(Value* args, int count, int own) { return count > own ? int_arg(args, count - 1) : 0; }

// insertc, insertr: n lines before line `at`, from a scalar or a matrix of
// the inserted block's shape.
void insert_lines(Value& result, Value* args, int count, Axis axis) {
    if (count > 5) arg_error(5);
    const Value& m = matrix_value_arg(args, 0);
    const int at = int_arg(args, 1) - array_base(args, count, 4);
    const int n = int_arg(args, 2);
    const bool rows = axis == Axis::Rows;
    const int r = m.u.mat.r, c = m.u.mat.c;
    if (at < 0 || at > lines(m, axis)) arg_error(1);
    if (n < 0) arg_error(2);
    const int br = rows ? n : r, bc = rows ? c : n;  // the inserted block
    double fill = 0;
    const Value* block = nullptr;
    if (count > 3) {
        const Value& v = matrix_value_arg(args, 3);
        if (v.u.mat.r == 1 && v.u.mat.c == 1)
            fill = v.u.mat.m[0][0];
        else if (v.u.mat.r == br && v.u.mat.c == bc)
            block = &v;
        else
            arg_size_error(3, v, br, bc);
    }
    const int rr = rows ? r + n : r, rc = rows ? c : c + n;
    if (rr == 0 || rc == 0) return set_empty(result);
    value::set_matrix(result, rr, rc);
    for (int i = 0; i < rr; ++i) {
        double* dst = result.u.mat.m[i];
        for (int j = 0; j < rc; ++j) {
            const int k = rows ? i : j;  // position along the axis
            if (k < at || k >= at + n) {
                const int si = rows && k >= at ? i - n : i, sj = !rows && k >= at ? j - n : j;
                dst[j] = m.u.mat.m[si][sj];
            } else {
                dst[j] = block ? block->u.mat.m[rows ? i - at : i][rows ? j : j - at] : fill;
            }
        }
    }
}

// first..last inside a dimension of `size`, else "invalid index range".
void check_range(int first, int last, int size, value::IndexForm form, const Value& m) {
    if (size == 0 && first == 0) return;
    if (first < 0 || last >= size || first > last) value::raise_range_error(first, last, form, m);
}

// headc (from the top) and tailc (from the bottom): n >= rows takes all, 0
// nothing, n < 0 all but |n| rows at the other end.
void end_rows(Value& result, Value* args, int count, bool head) {
    if (count > 2) arg_error(2);
    const Value& m = matrix_value_arg(args, 0);
    const int r = m.u.mat.r, c = m.u.mat.c;
    const int n = count > 1 ? int_arg(args, 1) : 5;
    const int take = n >= r ? r : n >= 0 ? n : std::max(0, r + n);
    if (take == 0 || c == 0) return set_empty(result);
    const int first = head ? 0 : r - take;
    value::set_matrix(result, take, c);
    std::memcpy(result.u.mat.m[0], m.u.mat.m[first], sizeof(double) * static_cast<std::size_t>(take) * c);
}

// vecindex (column-major positions) and vecrindex (row-major).
void positions(Value& result, Value* args, int count, bool column_major) {
    if (count > 2) arg_error(2);
    const Value& m = matrix_value_arg(args, 0);
    const int r = m.u.mat.r, c = m.u.mat.c;
    std::vector<double> found;
    const auto scan = [&](auto test) {
        if (column_major) {
            for (int j = 0; j < c; ++j)
                for (int i = 0; i < r; ++i)
                    if (test(m.u.mat.m[i][j])) found.push_back(static_cast<double>(j) * r + i);
        } else {
            const double* x = elements_of(m);
            for (long k = 0, n = count_of(m); k < n; ++k)
                if (test(x[k])) found.push_back(static_cast<double>(k));
        }
    };
    if (count > 1) {
        const Value& f = matrix_value_arg(args, 1);
        const ValueSet set(elements_of(f), count_of(f));
        scan([&](double x) { return set.contains(x); });
    } else {
        scan(nonzero);
    }
    if (found.empty()) return set_empty(result);
    value::set_matrix(result, static_cast<int>(found.size()), 1);
    std::copy(found.begin(), found.end(), result.u.mat.m[0]);
}

// find in an array of strings: smode "i" ignores case, "s" matches elements
// that contain the text.
void find_strings(Value& result, Value* args, int count) {
    const Value& a = args[0];
    if (!is_string_array(a)) arg_type_error(0, value::T_Matrix, &args[0]);
    bool fold = false, contains = false;
    if (count > 2) {
        if (!is_string(args[2])) arg_type_error(2, value::T_String, &args[2]);
        const std::string_view mode = string_of(args[2]);
        fold = mode.find_first_of("iI") != std::string_view::npos;
        contains = mode.find_first_of("sS") != std::string_view::npos;
    }
    const auto find = [&](std::string_view f) -> double {
        for (int k = 0; k < a.u.arr.n; ++k) {
            const std::string_view s = string_of(a.u.arr.v[k]);
            if (contains ? find_text(s, f, 0, fold) >= 0 : text_equal(s, f, fold)) return k;
        }
        return -1;
    };
    const Value& f = args[1];
    if (is_string(f)) return value::set_int(result, static_cast<int32_t>(find(string_of(f))));
    if (!is_string_array(f)) arg_type_error(1, value::T_String, &args[1]);
    if (f.u.arr.n == 0) return set_empty(result);
    std::vector<double> found(static_cast<std::size_t>(f.u.arr.n));
    for (int k = 0; k < f.u.arr.n; ++k) found[static_cast<std::size_t>(k)] = find(string_of(f.u.arr.v[k]));
    value::set_matrix(result, 1, f.u.arr.n);
    std::copy(found.begin(), found.end(), result.u.mat.m[0]);
}

// Looks up values in x[0..n): a straight scan for a few, a sorted table for more.
class Lookup {
public:
    Lookup(const double* x, long n, long queries) : m_x(x), m_n(n) {
        if (queries > 4) m_table.emplace_back(x, n);
    }
    long first(double v) const {
        if (!m_table.empty()) return m_table.front().of(v);
        for (long k = 0; k < m_n; ++k)
            if (nan_equal(m_x[k], v)) return k;
        return -1;
    }

private:
    const double* m_x;
    long m_n;
    std::vector<FirstPositions> m_table;
};

// replace on text: mfind and mrep strings; smode "i" ignores case, "f"
// replaces the first occurrence only.
void replace_strings(Value& result, Value* args, int count) {
    if (!is_string(args[1])) arg_type_error(1, value::T_String, &args[1]);
    if (!is_string(args[2])) arg_type_error(2, value::T_String, &args[2]);
    bool fold = false, first_only = false;
    if (count > 3) {
        if (!is_string(args[3])) arg_type_error(3, value::T_String, &args[3]);
        const std::string_view mode = string_of(args[3]);
        fold = mode.find_first_of("iI") != std::string_view::npos;
        first_only = mode.find_first_of("fF") != std::string_view::npos;
    }
    const std::string_view f = string_of(args[1]), rep = string_of(args[2]);
    Value& a = args[0];
    if (is_string(a)) return value::set_string(result, replace_text(string_of(a), f, rep, fold, first_only));
    set_copy(result, a);
    for (int k = 0; k < result.u.arr.n; ++k) {
        Value& e = result.u.arr.v[k];
        if (is_string(e)) value::set_string(e, replace_text(string_of(e), f, rep, fold, first_only));
    }
}

double clamp(double x, double lo, double hi) {
    if (x < lo) x = lo;
    if (x > hi) x = hi;
    return x;
}

// Usable rows of findsample: every selected (column, lag) pair is inside the
// data and not missing.
struct Selection {
    const Value* data;
    std::vector<int> cols, lags;
    bool usable(int t) const {
        const int rows = data->u.mat.r;
        for (std::size_t i = 0; i < cols.size(); ++i) {
            const int s = t - lags[i];
            if (s < 0 || s >= rows || std::isnan(data->u.mat.m[s][cols[i]])) return false;
        }
        return true;
    }
};

}  // namespace

void fn_selectc(Value* result, Value* args, int count) {
    select_by_value(*result, args, count, Axis::Columns, true);
}
void fn_selectr(Value* result, Value* args, int count) { select_by_value(*result, args, count, Axis::Rows, true); }
void fn_deletec(Value* result, Value* args, int count) {
    select_by_value(*result, args, count, Axis::Columns, false);
}
void fn_deleter(Value* result, Value* args, int count) {
    select_by_value(*result, args, count, Axis::Rows, false);
}
void fn_selectifc(Value* result, Value* args, int) { select_by_flags(*result, args, Axis::Columns, true); }
void fn_selectifr(Value* result, Value* args, int) { select_by_flags(*result, args, Axis::Rows, true); }
void fn_deleteifc(Value* result, Value* args, int) { select_by_flags(*result, args, Axis::Columns, false); }
void fn_deleteifr(Value* result, Value* args, int) { select_by_flags(*result, args, Axis::Rows, false); }
void fn_dropc(Value* result, Value* args, int count) { drop_lines(*result, args, count, Axis::Columns); }
void fn_dropr(Value* result, Value* args, int count) { drop_lines(*result, args, count, Axis::Rows); }
void fn_insertc(Value* result, Value* args, int count) { insert_lines(*result, args, count, Axis::Columns); }
void fn_insertr(Value* result, Value* args, int count) { insert_lines(*result, args, count, Axis::Rows); }
void fn_headc(Value* result, Value* args, int count) { end_rows(*result, args, count, true); }
void fn_tailc(Value* result, Value* args, int count) { end_rows(*result, args, count, false); }
void fn_vecindex(Value* result, Value* args, int count) { positions(*result, args, count, true); }
void fn_vecrindex(Value* result, Value* args, int count) { positions(*result, args, count, false); }

void fn_selectrc(Value* result, Value* args, int) {
    const Value& m = matrix_value_arg(args, 0);
    const Value& ri = matrix_value_arg(args, 1);
    const Value& ci = matrix_value_arg(args, 2);
    const long nr = count_of(ri), nc = count_of(ci);
    if (nr > 1 && nc > 1 && nr != nc) arg_size_error(2, ci, ri.u.mat.r, ri.u.mat.c);
    if (nr == 0 || nc == 0) return set_empty(*result);
    const Value& shape = nr >= nc ? ri : ci;
    value::set_matrix(*result, shape.u.mat.r, shape.u.mat.c);
    const double* rx = elements_of(ri);
    const double* cx = elements_of(ci);
    double* out = result->u.mat.m[0];
    for (long k = 0, n = count_of(shape); k < n; ++k) {
        const int i = vm::truncate_to_int(rx[nr == 1 ? 0 : k]);
        const int j = vm::truncate_to_int(cx[nc == 1 ? 0 : k]);
        if (i < 0 || i >= m.u.mat.r) value::raise_index_error(i, value::IndexForm::Row, m);
        if (j < 0 || j >= m.u.mat.c) value::raise_index_error(j, value::IndexForm::Column, m);
        out[k] = m.u.mat.m[i][j];
    }
}

void fn_submat(Value* result, Value* args, int count) {
    const Value& m = matrix_value_arg(args, 0);
    const int base = array_base(args, count, 5);
    const int r1 = int_arg(args, 1) - base, r2 = int_arg(args, 2) - base;
    const int c1 = int_arg(args, 3) - base, c2 = int_arg(args, 4) - base;
    check_range(r1, r2, m.u.mat.r, value::IndexForm::Row, m);
    check_range(c1, c2, m.u.mat.c, value::IndexForm::Column, m);
    if (m.u.mat.r == 0 || m.u.mat.c == 0) return set_empty(*result);
    const int r = r2 - r1 + 1, c = c2 - c1 + 1;
    value::set_matrix(*result, r, c);
    for (int i = 0; i < r; ++i)
        std::memcpy(result->u.mat.m[i], m.u.mat.m[r1 + i] + c1, sizeof(double) * static_cast<std::size_t>(c));
}

void fn_find(Value* result, Value* args, int count) {
    if (count > 3) arg_error(3);
    if (is_type(args[0], value::T_Array)) return find_strings(*result, args, count);
    const Value& m = matrix_value_arg(args, 0);
    if (is_scalar(args[1])) {
        const double v = value::type_of(args[1]) == value::T_Int ? args[1].u.ival : args[1].u.dval;
        return value::set_int(*result, static_cast<int32_t>(Lookup(elements_of(m), count_of(m), 1).first(v)));
    }
    const Value& f = matrix_value_arg(args, 1);
    const long n = count_of(f);
    if (n == 0) return set_empty(*result);
    const Lookup in(elements_of(m), count_of(m), n);
    value::set_matrix(*result, f.u.mat.r, f.u.mat.c);
    const double* x = f.u.mat.m[0];
    double* out = result->u.mat.m[0];
    for (long k = 0; k < n; ++k) out[k] = static_cast<double>(in.first(x[k]));
}

void fn_limits(Value* result, Value* args, int count) {
    const Value& m = matrix_value_arg(args, 0);
    const double base = array_base(args, count, 1);
    const int r = m.u.mat.r, c = m.u.mat.c;
    if (r == 0 || c == 0) return set_empty(*result);
    value::set_matrix(*result, 4, c);
    double* lo = result->u.mat.m[0];
    double* hi = result->u.mat.m[1];
    double* at_lo = result->u.mat.m[2];
    double* at_hi = result->u.mat.m[3];
    std::fill(lo, lo + c, k_nan);
    std::fill(hi, hi + c, k_nan);
    std::fill(at_lo, at_lo + c, -1.0);
    std::fill(at_hi, at_hi + c, -1.0);
    for (int i = 0; i < r; ++i) {
        const double* row = m.u.mat.m[i];
        for (int j = 0; j < c; ++j) {
            const double x = row[j];
            if (std::isnan(x)) continue;
            if (at_lo[j] < 0 || x < lo[j]) lo[j] = x, at_lo[j] = i;
            if (at_hi[j] < 0 || x > hi[j]) hi[j] = x, at_hi[j] = i;
        }
    }
    if (base != 0)
        for (int j = 0; j < c; ++j) at_lo[j] += base, at_hi[j] += base;
}

void fn_replace(Value* result, Value* args, int count) {
    if (count > 4) arg_error(4);
    if (is_string(args[0]) || is_type(args[0], value::T_Array)) return replace_strings(*result, args, count);
    const Value& m = matrix_value_arg(args, 0);
    const Value& f = matrix_value_arg(args, 1);
    const Value& rep = matrix_value_arg(args, 2);
    const long nf = count_of(f), nrep = count_of(rep);
    if (nrep != 1 && nrep != nf) arg_error(2);
    const long n = count_of(m);
    if (n == 0) return set_empty(*result);
    value::set_matrix_copy(*result, m.u.mat.m, m.u.mat.r, m.u.mat.c);
    if (nf == 0) return;
    const Lookup in(elements_of(f), nf, n);
    const double* with = rep.u.mat.m[0];
    double* x = result->u.mat.m[0];
    for (long k = 0; k < n; ++k) {
        const long at = in.first(x[k]);
        if (at >= 0) x[k] = with[nrep == 1 ? 0 : at];
    }
}

void fn_setbounds(Value* result, Value* args, int) { fn_double3(*result, args, clamp); }

void fn_findsample(Value* result, Value* args, int) {
    const Value& data = matrix_value_arg(args, 0);
    const Value& vcol = matrix_value_arg(args, 1);
    const Value& vlag = matrix_value_arg(args, 2);
    const int rows = data.u.mat.r;
    const long k = count_of(vcol), nlag = count_of(vlag);
    if (nlag != 1 && nlag != k) arg_size_error(2, vlag, 1, static_cast<int>(k));
    Selection sel{&data, {}, {}};
    for (long i = 0; i < k; ++i) {
        const int col = vm::truncate_to_int(elements_of(vcol)[i]);
        if (col < 0 || col >= data.u.mat.c) arg_error(1);
        sel.cols.push_back(col);
        sel.lags.push_back(vm::truncate_to_int(elements_of(vlag)[nlag == 1 ? 0 : i]));
    }
    const int t1 = std::max(0, int_arg(args, 3));
    const int it2 = int_arg(args, 4);
    const int t2 = it2 < 0 ? rows - 1 : std::min(it2, rows - 1);
    const int mode = int_arg(args, 5);
    if (mode < 0 || mode > 2) arg_error(5);

    int first = -1, last = -1;  // the span found
    int best = 0;               // its usable rows
    if (mode == 1) {
        for (int t = t1; t <= t2;) {
            if (!sel.usable(t)) {
                ++t;
                continue;
            }
            int end = t;
            while (end + 1 <= t2 && sel.usable(end + 1)) ++end;
            if (end - t + 1 > best) best = end - t + 1, first = t, last = end;
            t = end + 1;
        }
    } else {
        for (int t = t1; t <= t2; ++t)
            if (sel.usable(t)) {
                if (first < 0) first = t;
                else if (mode == 0 && last != t - 1) break;
                last = t;
                ++best;
            }
    }
    Value out = value::make_int(first);
    store_reference(args[6], out);
    out = value::make_int(last);
    store_reference(args[7], out);
    value::set_int(*result, best);
}

namespace {
const DescriptorRow k_select_rows[] = {
    {"c$deletec", fn_deletec, 1},    {"cc$deleteifc", fn_deleteifc},   {"cc$deleteifr", fn_deleteifr},
    {"c$deleter", fn_deleter, 1},    {"cc$dropc", fn_dropc, 1},        {"cc$dropr", fn_dropr, 1},
    {"cc$find", fn_find, 1},         {"cccccccc$findsample", fn_findsample},
    {"c$headc", fn_headc, 1},        {"ccc$insertc", fn_insertc, 1},   {"ccc$insertr", fn_insertr, 1},
    {"c$limits", fn_limits, 1},      {"ccc$replace", fn_replace, 1},   {"c$selectc", fn_selectc, 1},
    {"cc$selectifc", fn_selectifc},  {"cc$selectifr", fn_selectifr},   {"c$selectr", fn_selectr, 1},
    {"ccc$selectrc", fn_selectrc},   {"ccc$setbounds", fn_setbounds},  {"ccccc$submat", fn_submat, 1},
    {"c$tailc", fn_tailc, 1},        {"c$vecindex", fn_vecindex, 1},   {"c$vecrindex", fn_vecrindex, 1},
};
}  // namespace

std::span<const DescriptorRow> select_rows() { return k_select_rows; }

}  // namespace kj::lib
