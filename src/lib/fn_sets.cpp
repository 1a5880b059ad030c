// Set built-ins over matrices (elements read row-major) and over arrays of
// strings (compared byte by byte). Each set is built by one sort of
// (key, position) pairs; the first occurrence of a key is its smallest position.
#include "lib/fn_sets.h"

#include <algorithm>
#include <string_view>

#include "lib/args.h"
#include "lib/fn_sort.h"
#include "lib/fn_types.h"
#include "lib/library_rows.h"

namespace kj::lib {

using value::Value;

ValueSet::ValueSet(const double* x, long n) {
    m_sorted.reserve(static_cast<std::size_t>(n));
    for (long k = 0; k < n; ++k) {
        if (std::isnan(x[k]))
            m_nan = true;
        else
            m_sorted.push_back(x[k]);
    }
    std::sort(m_sorted.begin(), m_sorted.end());
    m_sorted.erase(std::unique(m_sorted.begin(), m_sorted.end()), m_sorted.end());
}

bool ValueSet::contains(double v) const {
    if (std::isnan(v)) return m_nan;
    return std::binary_search(m_sorted.begin(), m_sorted.end(), v);
}

FirstPositions::FirstPositions(const double* x, long n) {
    m_sorted.reserve(static_cast<std::size_t>(n));
    for (long k = 0; k < n; ++k) {
        if (!std::isnan(x[k]))
            m_sorted.push_back({x[k], k});
        else if (m_nan < 0)
            m_nan = k;
    }
    std::sort(m_sorted.begin(), m_sorted.end(), [](const Entry& a, const Entry& b) {
        return a.value < b.value || (a.value == b.value && a.position < b.position);
    });
    m_sorted.erase(std::unique(m_sorted.begin(), m_sorted.end(),
                               [](const Entry& a, const Entry& b) { return a.value == b.value; }),
                   m_sorted.end());
}

long FirstPositions::of(double v) const {
    if (std::isnan(v)) return m_nan;
    const auto it = std::lower_bound(m_sorted.begin(), m_sorted.end(), v,
                                     [](const Entry& e, double x) { return e.value < x; });
    return it != m_sorted.end() && it->value == v ? it->position : -1;
}

namespace {

template <class K>
struct Item {
    K key;
    int index;  // position of the first occurrence
};

bool key_less(double a, double b) { return nan_first_less(a, b); }
bool key_equal(double a, double b) { return nan_equal(a, b); }
bool key_less(std::string_view a, std::string_view b) { return string_less(a, b); }
bool key_equal(std::string_view a, std::string_view b) { return a == b; }

// Sorted by key, one item per key holding its smallest position.
template <class K>
void make_distinct(std::vector<Item<K>>& items) {
    std::sort(items.begin(), items.end(), [](const Item<K>& a, const Item<K>& b) {
        if (key_less(a.key, b.key)) return true;
        return !key_less(b.key, a.key) && a.index < b.index;
    });
    items.erase(std::unique(items.begin(), items.end(),
                            [](const Item<K>& a, const Item<K>& b) { return key_equal(a.key, b.key); }),
                items.end());
}

// A set argument is numeric (a matrix, or a scalar) or text (an array of
// strings, or one string).
enum class Kind { Numbers, Strings };

Kind kind_of(Value* args, int i) {
    Value& v = args[i];
    if (is_string(v)) return Kind::Strings;
    if (is_type(v, value::T_Array)) {
        if (!is_string_array(v)) arg_type_error(i, value::T_String, &v);
        return Kind::Strings;
    }
    matrix_value_arg(args, i);
    return Kind::Numbers;
}

// Items of args[i] in order, positions numbered from `offset`.
void append_items(Value* args, int i, std::vector<Item<double>>& out, int offset = 0) {
    const Value& m = matrix_value_arg(args, i);
    const double* x = elements_of(m);
    const long n = count_of(m);
    for (long k = 0; k < n; ++k) out.push_back({x[k], offset + static_cast<int>(k)});
}

void append_items(Value* args, int i, std::vector<Item<std::string_view>>& out, int offset = 0) {
    const Value& v = args[i];
    if (is_string(v)) return out.push_back({string_of(v), offset});
    for (int k = 0; k < v.u.arr.n; ++k) out.push_back({string_of(v.u.arr.v[k]), offset + k});
}

// Numbers as the result: a row, or a column when the first argument is a
// column of more than one row.
void set_numbers(Value& result, const Value& first, const std::vector<double>& keys) {
    const int k = static_cast<int>(keys.size());
    if (k == 0) return set_empty(result);
    const bool column = first.u.mat.c == 1 && first.u.mat.r > 1;
    value::set_matrix(result, column ? k : 1, column ? 1 : k);
    std::copy(keys.begin(), keys.end(), result.u.mat.m[0]);
}

void set_keys(Value& result, const Value& first, const std::vector<Item<double>>& items) {
    std::vector<double> keys(items.size());
    for (std::size_t i = 0; i < items.size(); ++i) keys[i] = items[i].key;
    set_numbers(result, first, keys);
}

// Strings as the result: an array.
void set_keys(Value& result, const Value&, const std::vector<Item<std::string_view>>& items) {
    Value out = value::make_int(0);
    value::set_array(out, static_cast<int>(items.size()));
    for (std::size_t i = 0; i < items.size(); ++i) {
        const std::string_view s = items[i].key;
        value::set_string(out.u.arr.v[i], s.data(), static_cast<int>(s.size()));
    }
    value::release(result);
    result = out;
}

// Positions as a rows x k matrix, one row per list (<> when k is 0).
void store_positions(Value& ref, const std::vector<const std::vector<int>*>& rows) {
    Value out = value::make_int(0);
    const int k = static_cast<int>(rows[0]->size());
    if (k == 0) {
        set_empty(out);
    } else {
        value::set_matrix(out, static_cast<int>(rows.size()), k);
        for (std::size_t i = 0; i < rows.size(); ++i)
            for (int j = 0; j < k; ++j) out.u.mat.m[i][j] = (*rows[i])[static_cast<std::size_t>(j)];
    }
    store_reference(ref, out);
}

// unique and union of numbers need no positions: one plain sort.
void append_numbers(Value* args, int i, std::vector<double>& out) {
    const Value& m = matrix_value_arg(args, i);
    out.insert(out.end(), elements_of(m), elements_of(m) + count_of(m));
}

void set_distinct_numbers(Value& result, const Value& first, std::vector<double>& x) {
    sort_nan_first(x.data(), static_cast<long>(x.size()));
    x.erase(std::unique(x.begin(), x.end(), nan_equal), x.end());
    set_numbers(result, first, x);
}

template <class K>
void unique_of(Value& result, Value* args) {
    std::vector<Item<K>> items;
    append_items(args, 0, items);
    make_distinct(items);
    set_keys(result, args[0], items);
}

template <class K>
void union_of(Value& result, Value* args) {
    std::vector<Item<K>> items;
    append_items(args, 0, items);
    append_items(args, 1, items);
    make_distinct(items);
    set_keys(result, args[0], items);
}

// Intersection (keep_common) or difference of the distinct items of args[0]
// and args[1], with the positions of the kept keys in each.
template <class K>
void compare_sets(Value& result, Value* args, int count, bool keep_common) {
    std::vector<Item<K>> a, b;
    append_items(args, 0, a);
    append_items(args, 1, b);
    make_distinct(a);
    make_distinct(b);
    std::vector<Item<K>> kept;
    std::vector<int> in_a, in_b;
    std::size_t j = 0;
    for (const Item<K>& x : a) {
        while (j < b.size() && key_less(b[j].key, x.key)) ++j;
        const bool common = j < b.size() && key_equal(b[j].key, x.key);
        if (common != keep_common) continue;
        kept.push_back(x);
        in_a.push_back(x.index);
        if (common) in_b.push_back(b[j].index);
    }
    set_keys(result, args[0], kept);
    if (count > 2) {
        if (keep_common)
            store_positions(args[2], {&in_a, &in_b});
        else
            store_positions(args[2], {&in_a});
    }
}

// Both arguments of a two-set function must be of one kind.
Kind pair_kind(Value* args) {
    const Kind k = kind_of(args, 0);
    if (kind_of(args, 1) != k) arg_type_error(1, k == Kind::Numbers ? value::T_Matrix : value::T_Array, &args[1]);
    return k;
}

}  // namespace

void fn_unique(Value* result, Value* args, int) {
    if (kind_of(args, 0) == Kind::Strings) return unique_of<std::string_view>(*result, args);
    std::vector<double> x;
    append_numbers(args, 0, x);
    set_distinct_numbers(*result, args[0], x);
}

void fn_union(Value* result, Value* args, int) {
    if (pair_kind(args) == Kind::Strings) return union_of<std::string_view>(*result, args);
    std::vector<double> x;
    append_numbers(args, 0, x);
    append_numbers(args, 1, x);
    set_distinct_numbers(*result, args[0], x);
}

void fn_intersection(Value* result, Value* args, int count) {
    if (count > 3) arg_error(3);
    if (pair_kind(args) == Kind::Strings) return compare_sets<std::string_view>(*result, args, count, true);
    compare_sets<double>(*result, args, count, true);
}

void fn_exclusion(Value* result, Value* args, int count) {
    if (count > 3) arg_error(3);
    if (pair_kind(args) == Kind::Strings) return compare_sets<std::string_view>(*result, args, count, false);
    compare_sets<double>(*result, args, count, false);
}

void fn_ismember(Value* result, Value* args, int) {
    Value& a = args[0];
    const bool scalar = is_scalar(a);
    if (is_type(a, value::T_Class)) {
        if (!is_string(args[1])) arg_type_error(1, value::T_String, &args[1]);
        return value::set_int(*result, class_member_kind(a, string_of(args[1])));
    }
    if (kind_of(args, 0) == Kind::Strings) {
        if (kind_of(args, 1) != Kind::Strings) arg_type_error(1, value::T_String, &args[1]);
        std::vector<Item<std::string_view>> in, sought;
        append_items(args, 1, in);
        make_distinct(in);
        append_items(args, 0, sought);
        const auto found = [&](std::string_view s) {
            return std::binary_search(in.begin(), in.end(), Item<std::string_view>{s, 0},
                                      [](const auto& x, const auto& y) { return string_less(x.key, y.key); });
        };
        if (is_string(a)) return value::set_int(*result, found(sought[0].key));
        const int n = static_cast<int>(sought.size());
        if (n == 0) return set_empty(*result);
        value::set_matrix(*result, 1, n);
        for (int k = 0; k < n; ++k) result->u.mat.m[0][k] = found(sought[static_cast<std::size_t>(k)].key);
        return;
    }
    const Value& m = matrix_value_arg(args, 0);
    if (kind_of(args, 1) != Kind::Numbers) arg_type_error(1, value::T_Matrix, &args[1]);
    const ValueSet in(elements_of(args[1]), count_of(args[1]));
    if (scalar) return value::set_int(*result, in.contains(m.u.mat.m[0][0]));
    const int r = m.u.mat.r, c = m.u.mat.c;
    if (r == 0 || c == 0) return set_empty(*result);
    value::set_matrix(*result, r, c);
    const double* x = m.u.mat.m[0];
    double* out = result->u.mat.m[0];
    for (long k = 0; k < count_of(m); ++k) out[k] = in.contains(x[k]);
}

namespace {
const DescriptorRow k_set_rows[] = {
    {"cc$exclusion", fn_exclusion, 1}, {"cc$intersection", fn_intersection, 1}, {"cc$ismember", fn_ismember},
    {"cc$union", fn_union},            {"c$unique", fn_unique},
};
}  // namespace

std::span<const DescriptorRow> set_rows() { return k_set_rows; }

}  // namespace kj::lib
