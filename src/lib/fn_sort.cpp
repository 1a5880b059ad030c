// Sorting built-ins. Every order is ascending with NaN first; sorts of whole
// rows or columns by keys are stable. Columns are sorted in contiguous
// copies, a few at a time.
#include "lib/fn_sort.h"

#include <algorithm>
#include <cstring>
#include <numeric>
#include <vector>

#include "lib/args.h"
#include "lib/library_rows.h"
#include "num/radix_sort.h"
#include "value/big_blocks.h"
#include "vm/conversions.h"

namespace kj::lib {

using value::Value;

namespace {

// A scratch block of n elements of T for a radix sort, from the element
// block store (big blocks are reused rather than faulted in afresh); null
// when there is no room, and the caller sorts by comparison instead.
template <class T>
class Scratch {
public:
    explicit Scratch(std::size_t n) : m_p(static_cast<T*>(value::element_block_alloc(n * sizeof(T)))) {}
    ~Scratch() {
        if (m_p) value::element_block_free(m_p);
    }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    T* get() const { return m_p; }

private:
    T* m_p;
};

}  // namespace

void sort_nan_first(double* x, long n) {
    double* numbers = std::partition(x, x + n, [](double v) { return std::isnan(v); });
    const auto count = static_cast<std::size_t>(x + n - numbers);
    if (count >= num::k_radix_sort_min) {
        if (const Scratch<std::uint64_t> scratch(count); scratch.get())
            return num::radix_sort(numbers, count, scratch.get());
    }
    std::sort(numbers, x + n);
}

namespace {

// Sorts each column of src (r x c) into dst, a panel of k_panel columns at a
// time: the panel is gathered into contiguous rows of a small buffer (each
// source row contributes one cache line), sorted there and scattered back.
void sort_columns(double* dst, const double* src, int r, int c) {
    constexpr int k_panel = 8;
    std::vector<double> panel(static_cast<std::size_t>(k_panel) * static_cast<std::size_t>(r));
    for (int j0 = 0; j0 < c; j0 += k_panel) {
        const int w = std::min(k_panel, c - j0);
        for (int i = 0; i < r; ++i) {
            const double* row = src + static_cast<long>(i) * c + j0;
            for (int k = 0; k < w; ++k) panel[static_cast<std::size_t>(k) * r + i] = row[k];
        }
        for (int k = 0; k < w; ++k) sort_nan_first(panel.data() + static_cast<long>(k) * r, r);
        for (int i = 0; i < r; ++i) {
            double* row = dst + static_cast<long>(i) * c + j0;
            for (int k = 0; k < w; ++k) row[k] = panel[static_cast<std::size_t>(k) * r + i];
        }
    }
}

// The stable NaN-first order of key[0], key[stride], ... key[(n-1)*stride]:
// perm[k] is the position of the k-th smallest.
void order_by_key(const double* key, long stride, int n, std::vector<int>& perm) {
    perm.resize(static_cast<std::size_t>(n));
    std::vector<num::RadixItem> numbers;
    numbers.reserve(static_cast<std::size_t>(n));
    int nans = 0;
    for (int i = 0; i < n; ++i) {
        const double x = key[i * stride];
        if (std::isnan(x))
            perm[static_cast<std::size_t>(nans++)] = i;
        else
            numbers.push_back({num::radix_key(x), static_cast<std::uint64_t>(i)});
    }
    const std::size_t count = numbers.size();
    bool sorted = false;
    if (count >= num::k_radix_sort_min) {
        if (const Scratch<num::RadixItem> scratch(count); scratch.get()) {
            num::radix_sort_items(numbers.data(), count, scratch.get());
            sorted = true;
        }
    }
    if (!sorted)
        std::sort(numbers.begin(), numbers.end(), [](const num::RadixItem& a, const num::RadixItem& b) {
            return a.key < b.key || (a.key == b.key && a.item < b.item);
        });
    for (std::size_t k = 0; k < count; ++k)
        perm[static_cast<std::size_t>(nans) + k] = static_cast<int>(numbers[k].item);
}

// The stable order of n items under several keys: key(item, k) for key k,
// earlier keys first.
template <class Key>
void order_by_keys(int n, int nkeys, Key key, std::vector<int>& perm) {
    perm.resize(static_cast<std::size_t>(n));
    std::iota(perm.begin(), perm.end(), 0);
    std::stable_sort(perm.begin(), perm.end(), [&](int a, int b) {
        for (int k = 0; k < nkeys; ++k) {
            const double x = key(a, k), y = key(b, k);
            if (nan_first_less(x, y)) return true;
            if (nan_first_less(y, x)) return false;
        }
        return false;
    });
}

// The key indices of args[1]: each truncated and inside 0..limit-1, else
// "error in argument 2".
std::vector<int> key_indices(Value* args, int limit) {
    Value& keys = matrix_value_arg(args, 1);
    const double* x = elements_of(keys);
    std::vector<int> out(static_cast<std::size_t>(count_of(keys)));
    for (std::size_t k = 0; k < out.size(); ++k) {
        const int i = vm::truncate_to_int(x[k]);
        if (i < 0 || i >= limit) arg_error(1);
        out[k] = i;
    }
    return out;
}

void sort_string_array(Value& result, Value& a) {
    set_copy(result, a);
    Value* e = result.u.arr.v;
    std::stable_sort(e, e + result.u.arr.n,
                     [](const Value& x, const Value& y) { return string_less(string_of(x), string_of(y)); });
}

}  // namespace

void fn_sortc(Value* result, Value* args, int) {
    if (is_type(args[0], value::T_Array)) {
        if (!is_string_array(args[0])) arg_type_error(0, value::T_Matrix, &args[0]);
        return sort_string_array(*result, args[0]);
    }
    const Value& a = matrix_value_arg(args, 0);
    const int r = a.u.mat.r, c = a.u.mat.c;
    if (r == 0 || c == 0) return set_empty(*result);
    value::set_matrix(*result, r, c);
    double* out = result->u.mat.m[0];
    if (r == 1) {  // a row: nothing to sort within its columns
        std::memcpy(out, a.u.mat.m[0], sizeof(double) * static_cast<std::size_t>(c));
        return;
    }
    if (c == 1) {
        std::memcpy(out, a.u.mat.m[0], sizeof(double) * static_cast<std::size_t>(r));
        return sort_nan_first(out, r);
    }
    sort_columns(out, a.u.mat.m[0], r, c);
}

void fn_sortr(Value* result, Value* args, int) {
    const Value& a = matrix_value_arg(args, 0);
    const int r = a.u.mat.r, c = a.u.mat.c;
    if (r == 0 || c == 0) return set_empty(*result);
    value::set_matrix_copy(*result, a.u.mat.m, r, c);
    for (int i = 0; i < r; ++i) sort_nan_first(result->u.mat.m[i], c);
}

void fn_sortcindex(Value* result, Value* args, int) {
    const Value& a = matrix_value_arg(args, 0);
    const int r = a.u.mat.r, c = a.u.mat.c;
    if (r == 0 || c == 0) return set_empty(*result);
    value::set_matrix(*result, r, c);
    std::vector<int> perm;
    for (int j = 0; j < c; ++j) {
        order_by_key(a.u.mat.m[0] + j, c, r, perm);
        for (int i = 0; i < r; ++i) result->u.mat.m[i][j] = perm[static_cast<std::size_t>(i)];
    }
}

void fn_sortbyc(Value* result, Value* args, int) {
    const Value& a = matrix_value_arg(args, 0);
    const int r = a.u.mat.r, c = a.u.mat.c;
    if (r == 0 || c == 0) return set_empty(*result);
    const std::vector<int> keys = key_indices(args, c);
    std::vector<int> perm;
    if (keys.size() == 1)
        order_by_key(a.u.mat.m[0] + keys[0], c, r, perm);
    else
        order_by_keys(r, static_cast<int>(keys.size()),
                      [&](int i, int k) { return a.u.mat.m[i][keys[static_cast<std::size_t>(k)]]; }, perm);
    value::set_matrix(*result, r, c);
    for (int i = 0; i < r; ++i)
        std::memcpy(result->u.mat.m[i], a.u.mat.m[perm[static_cast<std::size_t>(i)]],
                    sizeof(double) * static_cast<std::size_t>(c));
}

void fn_sortbyr(Value* result, Value* args, int) {
    const Value& a = matrix_value_arg(args, 0);
    const int r = a.u.mat.r, c = a.u.mat.c;
    if (r == 0 || c == 0) return set_empty(*result);
    const std::vector<int> keys = key_indices(args, r);
    std::vector<int> perm;
    if (keys.size() == 1)
        order_by_key(a.u.mat.m[keys[0]], 1, c, perm);
    else
        order_by_keys(c, static_cast<int>(keys.size()),
                      [&](int j, int k) { return a.u.mat.m[keys[static_cast<std::size_t>(k)]][j]; }, perm);
    value::set_matrix(*result, r, c);
    for (int i = 0; i < r; ++i) {
        const double* src = a.u.mat.m[i];
        double* dst = result->u.mat.m[i];
        for (int j = 0; j < c; ++j) dst[j] = src[perm[static_cast<std::size_t>(j)]];
    }
}

namespace {
const DescriptorRow k_sort_rows[] = {
    {"cc$sortbyc", fn_sortbyc}, {"cc$sortbyr", fn_sortbyr}, {"c$sortc", fn_sortc},
    {"c$sortcindex", fn_sortcindex}, {"c$sortr", fn_sortr},
};
}  // namespace

std::span<const DescriptorRow> sort_rows() { return k_sort_rows; }

}  // namespace kj::lib
