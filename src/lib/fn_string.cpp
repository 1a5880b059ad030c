// String built-ins. The searches take a string (substring search) or an
// array of strings (search for an equal element); a fourth argument is the
// array base in force, by which the start position is lowered and the result
// raised.
#include "lib/fn_string.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "lib/args.h"
#include "lib/library_rows.h"

namespace kj::lib {

using value::Value;

namespace {

char lower(char ch) { return ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch - 'A' + 'a') : ch; }
char upper(char ch) { return ch >= 'a' && ch <= 'z' ? static_cast<char>(ch - 'a' + 'A') : ch; }

bool equal_at(std::string_view s, std::size_t at, std::string_view f, bool fold) {
    if (!fold) return s.compare(at, f.size(), f) == 0;
    for (std::size_t k = 0; k < f.size(); ++k)
        if (lower(s[at + k]) != lower(f[k])) return false;
    return true;
}

struct Search {
    bool backward;
    bool fold;       // ignore the case of ASCII letters
    bool has_start;
    long start;      // first candidate (forward) or last candidate (backward)
};

// Position of f in s, or -1; an empty f is never found.
long find_in(std::string_view s, std::string_view f, const Search& how) {
    if (f.empty() || f.size() > s.size()) return -1;
    const long last = static_cast<long>(s.size() - f.size());
    if (!how.backward) {
        for (long at = std::max(how.has_start ? how.start : 0L, 0L); at <= last; ++at)
            if (equal_at(s, static_cast<std::size_t>(at), f, how.fold)) return at;
        return -1;
    }
    for (long at = std::min(how.has_start ? how.start : last, last); at >= 0; --at)
        if (equal_at(s, static_cast<std::size_t>(at), f, how.fold)) return at;
    return -1;
}

// Index of the element of arr equal to f, or -1.
long find_element(const Value& arr, std::string_view f, const Search& how) {
    const long n = arr.u.arr.n;
    if (!how.backward) {
        for (long k = std::max(how.has_start ? how.start : 0L, 0L); k < n; ++k)
            if (text_equal(string_of(arr.u.arr.v[k]), f, how.fold)) return k;
        return -1;
    }
    for (long k = std::min(how.has_start ? how.start : n - 1, n - 1); k >= 0; --k)
        if (text_equal(string_of(arr.u.arr.v[k]), f, how.fold)) return k;
    return -1;
}

// The text sought: a string, or the character of an int code (strings only).
std::string sought_text(Value* args, bool in_string) {
    Value& f = args[1];
    if (is_string(f)) return std::string(string_of(f));
    if (in_string && is_scalar(f)) return std::string(1, static_cast<char>(int_arg(args, 1)));
    arg_type_error(1, value::T_String, &f);
}

void search(Value& result, Value* args, int count, bool backward, bool fold) {
    if (count > 4) arg_error(4);
    const long base = count > 3 ? int_arg(args, 3) : 0;
    Search how{backward, fold, count > 2, count > 2 ? int_arg(args, 2) - base : 0};
    Value& s = args[0];
    const bool in_string = is_string(s);
    if (!in_string && !is_string_array(s)) arg_type_error(0, value::T_String, &s);
    const auto find = [&](std::string_view f) {
        const long at = in_string ? find_in(string_of(s), f, how) : find_element(s, f, how);
        return at + base;
    };
    Value& f = args[1];
    if (is_type(f, value::T_Array)) {
        if (!is_string_array(f)) arg_type_error(1, value::T_String, &f);
        const int n = f.u.arr.n;
        if (n == 0) return set_empty(result);
        std::vector<double> found(static_cast<std::size_t>(n));
        for (int k = 0; k < n; ++k) found[static_cast<std::size_t>(k)] = static_cast<double>(find(string_of(f.u.arr.v[k])));
        value::set_matrix(result, 1, n);
        std::copy(found.begin(), found.end(), result.u.mat.m[0]);
        return;
    }
    value::set_int(result, static_cast<int32_t>(find(sought_text(args, in_string))));
}

// A copy of a string, or of an array with f applied to each string element.
template <class F>
void map_strings(Value& result, Value* args, F f) {
    Value& a = args[0];
    if (is_string(a)) {
        std::string s(string_of(a));
        f(s);
        return value::set_string(result, s);
    }
    if (!is_type(a, value::T_Array) || value::has_flag(a, value::k_address)) arg_type_error(0, value::T_String, &a);
    set_copy(result, a);
    for (int k = 0; k < result.u.arr.n; ++k) {
        Value& e = result.u.arr.v[k];
        if (!is_string(e)) continue;
        std::string s(string_of(e));
        f(s);
        value::set_string(e, s);
    }
}

bool is_blank(char ch) { return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\r' || ch == '\v' || ch == '\f'; }

}  // namespace

bool text_equal(std::string_view a, std::string_view b, bool fold) {
    return a.size() == b.size() && equal_at(a, 0, b, fold);
}

long find_text(std::string_view s, std::string_view f, long start, bool fold) {
    return find_in(s, f, Search{false, fold, true, start});
}

std::string replace_text(std::string_view s, std::string_view f, std::string_view rep, bool fold, bool first_only) {
    std::string out;
    long from = 0;
    for (long at; (at = find_text(s, f, from, fold)) >= 0;) {
        out.append(s.substr(static_cast<std::size_t>(from), static_cast<std::size_t>(at - from)));
        out.append(rep);
        from = at + static_cast<long>(f.size());
        if (first_only) break;
    }
    out.append(s.substr(static_cast<std::size_t>(from)));
    return out;
}

void fn_strfind(Value* result, Value* args, int count) { search(*result, args, count, false, false); }
void fn_strfindr(Value* result, Value* args, int count) { search(*result, args, count, true, false); }
void fn_strifind(Value* result, Value* args, int count) { search(*result, args, count, false, true); }
void fn_strifindr(Value* result, Value* args, int count) { search(*result, args, count, true, true); }

void fn_strlwr(Value* result, Value* args, int) {
    map_strings(*result, args, [](std::string& s) { std::transform(s.begin(), s.end(), s.begin(), lower); });
}

void fn_strupr(Value* result, Value* args, int) {
    map_strings(*result, args, [](std::string& s) { std::transform(s.begin(), s.end(), s.begin(), upper); });
}

void fn_strtrim(Value* result, Value* args, int) {
    map_strings(*result, args, [](std::string& s) {
        std::size_t first = 0, last = s.size();
        while (first < last && is_blank(s[first])) ++first;
        while (last > first && is_blank(s[last - 1])) --last;
        s = s.substr(first, last - first);
    });
}

namespace {
const DescriptorRow k_string_rows[] = {
    {"cc$strfind", fn_strfind, 1},   {"cc$strfindr", fn_strfindr, 1}, {"cc$strifind", fn_strifind, 1},
    {"cc$strifindr", fn_strifindr, 1}, {"c$strlwr", fn_strlwr},       {"c$strtrim", fn_strtrim},
    {"c$strupr", fn_strupr},
};
}  // namespace

std::span<const DescriptorRow> string_rows() { return k_string_rows; }

}  // namespace kj::lib
