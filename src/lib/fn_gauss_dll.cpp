// The GAUSS commands dlibrary and dllcall: a list of native libraries, and
// calls of their exports the GAUSS way, with pointers to the arguments' data.
//   dlibrary [-a] [-d] lib ...;   gauss::dlibrary(flags, names)
//   dllcall [-r] [-v] f(args);    gauss::dllcall(flags, name, args...)
#include <algorithm>
#include <array>
#include <cstring>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "lib/args.h"
#include "lib/library_rows.h"
#include "link/dll_loader.h"
#include "link/link_errors.h"
#include "platform/dynamic_library.h"
#include "runtime/run_error.h"

namespace kj::lib {

using value::Value;

namespace {

// The libraries dllcall searches, in order.
struct LoadedLibrary {
    std::string name;
    void* handle;
};
std::vector<LoadedLibrary> g_libraries;

constexpr int k_max_pointer_args = 32;

std::vector<std::string> words(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> out;
    for (std::string w; in >> w;) out.push_back(w);
    return out;
}

bool has_flag(const std::string& flags, char letter) {
    for (const std::string& w : words(flags))
        if (w.size() >= 2 && w[0] == '-' && w.find(letter) != std::string::npos) return true;
    return false;
}

[[noreturn]] void fail(const char* function, const std::string& name, int link_error) {
    const std::string text = std::string(function) + "(): '" + name + "' " + link::link_error_text(link_error);
    runtime::raise_run_error_message(text.c_str());
}

void fn_dlibrary(Value* result, Value* args, int) {
    const std::string flags = string_arg(args, 0);
    const std::vector<std::string> names = words(string_arg(args, 1));
    if (has_flag(flags, 'd')) {
        std::erase_if(g_libraries, [&](const LoadedLibrary& l) {
            return std::find(names.begin(), names.end(), l.name) != names.end();
        });
    } else {
        if (!has_flag(flags, 'a')) g_libraries.clear();
        for (const std::string& name : names) {
            void* handle = nullptr;
            // The "_64" name first, quietly; then the name as written.
            if (link::find_dll(name + "_64", nullptr, nullptr, &handle) != 0 &&
                link::find_dll(name, nullptr, nullptr, &handle) != 0)
                fail("gauss::dlibrary", name, link::L_CannotLoadDll);
            g_libraries.push_back({name, handle});
        }
    }
    value::set_int(*result, 0);
}

using Pointer = void*;

template <std::size_t... I>
int call_with(void* fn, const Pointer* p, std::index_sequence<I...>) {
    using Fn = int (*)(decltype((void)I, Pointer{})...);
    return reinterpret_cast<Fn>(fn)(p[I]...);
}

// fn(p[0], ..., p[n-1]) for each arity up to the limit.
template <std::size_t... N>
int call_pointers(void* fn, const std::vector<Pointer>& p, std::index_sequence<N...>) {
    using Caller = int (*)(void*, const Pointer*);
    static constexpr std::array<Caller, sizeof...(N)> callers = {
        [](void* f, const Pointer* q) { return call_with(f, q, std::make_index_sequence<N>{}); }...};
    return callers[p.size()](fn, p.data());
}

void fn_dllcall(Value* result, Value* args, int count) {
    const std::string flags = string_arg(args, 0);
    const std::string name = string_arg(args, 1);
    void* fn = nullptr;
    for (const LoadedLibrary& l : g_libraries)
        if ((fn = platform::library_symbol(l.handle, name.c_str()))) break;
    if (!fn) fail("gauss::dllcall", name, link::L_CannotLoadDllFunction);
    // Matrices go as their row-major elements, in place, so that the callee's
    // results land in the caller's variables; scalars as a 1 x 1 matrix.
    std::vector<Pointer> pointers;
    for (int i = 2; i < count; ++i) {
        value::Value& a = args[i];
        if (is_string(a)) {
            pointers.push_back(a.u.str.s ? a.u.str.s : const_cast<char*>(""));
            continue;
        }
        matrix_value_arg(args, i);
        pointers.push_back(a.u.mat.r > 0 && a.u.mat.c > 0 ? a.u.mat.m[0] : nullptr);
    }
    int status;
    if (has_flag(flags, 'v')) {
        pointers.push_back(nullptr);  // the array ends with a null pointer
        status = reinterpret_cast<int (*)(Pointer*)>(fn)(pointers.data());
    } else {
        if (pointers.size() > k_max_pointer_args) arg_error(2 + k_max_pointer_args);
        status = call_pointers(fn, pointers, std::make_index_sequence<k_max_pointer_args + 1>{});
    }
    if (status != 0 && has_flag(flags, 'r')) {
        const std::string text = "gauss::dllcall(): " + name + " returned " + std::to_string(status);
        runtime::raise_run_error_message(text.c_str());
    }
    value::set_int(*result, status);
}

// dllcall takes any number of arguments after its two fixed ones.
const DescriptorRow k_gauss[] = {
    {"cc$gauss::dlibrary", fn_dlibrary},
    {"cc$gauss::dllcall", fn_dllcall, -1},
};

}  // namespace

std::span<const DescriptorRow> gauss_dll_rows() { return k_gauss; }

}  // namespace kj::lib
