#include "num/blas_library.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <new>

#include "num/blas_core_type.h"
#include "platform/dynamic_library.h"
#include "platform/memory.h"

namespace kj::num {

namespace {

// Address space OpenBLAS needs on one thread: the library (about 40 MB) and
// its work buffer (about 130 MB), with some to spare.
constexpr std::uint64_t k_library_room = std::uint64_t{224} << 20;

struct Loaded {
    bool tried = false;
    bool usable = false;
    bool short_of_room = false;  // not loaded: the address-space limit left too little
    bool one_thread = false;     // loaded under an address-space limit
    void* libraries[2] = {nullptr, nullptr};
    const char* chosen_core = nullptr;  // set here, or null
    BlasApi api;
};

Loaded& state() {
    static Loaded s;
    return s;
}

void* find(const Loaded& s, const char* name) {
    for (void* lib : s.libraries)
        if (void* p = platform::library_symbol(lib, name)) return p;
    return nullptr;
}

template <class F>
void bind(const Loaded& s, F& slot, const char* name) {
    slot = reinterpret_cast<F>(find(s, name));
}

// Under an address-space limit: false while the limit leaves the library too
// little room; else one thread, since a further thread maps its buffer only
// when it first works, when the limit may no longer allow it.
bool room_for_library(Loaded& s) {
    if (!platform::address_space_limited()) return true;
    s.short_of_room = platform::address_space_room() < k_library_room;
    if (s.short_of_room) return false;
    setenv("OPENBLAS_NUM_THREADS", "1", 1);
    s.one_thread = true;
    return true;
}

// The LU factorisation of one element maps the work buffer (a product of
// small matrices would not).
void map_work_buffer(const BlasApi& a) {
    if (!a.dgetrf) return;
    int one = 1, pivot = 0, info = 0;
    double x = 1;
    a.dgetrf(&one, &one, &x, &one, &pivot, &info);
}

// OpenBLAS carries LAPACK itself; otherwise the system's BLAS and LAPACK.
void load(Loaded& s) {
    if (!room_for_library(s)) return;
    s.tried = true;
    s.chosen_core = choose_openblas_core_type();
    s.libraries[0] = platform::load_library("libopenblas.so.0");
    if (!s.libraries[0]) {
        s.libraries[0] = platform::load_library("libblas.so.3");
        s.libraries[1] = platform::load_library("liblapack.so.3");
    }
    BlasApi& a = s.api;
    bind(s, a.dgemm, "cblas_dgemm");
    bind(s, a.dsyrk, "cblas_dsyrk");
    bind(s, a.ddot, "cblas_ddot");
    bind(s, a.dgetrf, "dgetrf_");
    bind(s, a.dgetri, "dgetri_");
    bind(s, a.dpotrf, "dpotrf_");
    bind(s, a.dpotri, "dpotri_");
    bind(s, a.dsyevd, "dsyevd_");
    bind(s, a.dgesdd, "dgesdd_");
    bind(s, a.dgeev, "dgeev_");
    bind(s, a.dgees, "dgees_");
    bind(s, a.dgges, "dgges_");
    // Each kernel checks the routines it needs; without a product there is
    // nothing worth using.
    s.usable = a.dgemm && a.dsyrk && a.ddot;
    if (s.usable && s.one_thread) map_work_buffer(a);
}

}  // namespace

namespace {
// Workers of a parallel loop may be the first to ask for the library.
std::mutex g_loading;
std::atomic<bool> g_settled{false};
}  // namespace

const BlasApi* blas() {
    Loaded& s = state();
    if (!g_settled.load(std::memory_order_acquire)) {
        std::lock_guard lock(g_loading);
        if (!s.tried) load(s);
        g_settled.store(s.tried, std::memory_order_release);
    }
    return s.usable ? &s.api : nullptr;
}

int set_blas_threads(int n) {
    if (!blas_loaded()) return 0;
    using Get = int (*)();
    using Set = void (*)(int);
    auto get = reinterpret_cast<Get>(find(state(), "openblas_get_num_threads"));
    auto set = reinterpret_cast<Set>(find(state(), "openblas_set_num_threads"));
    if (!get || !set) return 0;
    const int before = get();
    if (n > 0 && n != before) set(n);
    return before;
}

const BlasApi* required_blas() {
    const BlasApi* api = blas();
    if (!api && state().short_of_room) throw std::bad_alloc();
    return api;
}

bool blas_loaded() { return g_settled.load(std::memory_order_acquire) && state().usable; }

std::string blas_description() {
    const BlasApi* api = blas();
    const Loaded& s = state();
    if (!api)
        return s.short_of_room ? "BLAS: not loaded, no room under the address-space limit; built-in loops only"
                               : "BLAS: none found, built-in loops only";
    using Text = char* (*)();
    auto config = reinterpret_cast<Text>(find(s, "openblas_get_config"));
    auto core = reinterpret_cast<Text>(find(s, "openblas_get_corename"));
    std::string line = "BLAS: ";
    line += config ? config() : "system BLAS/LAPACK";
    if (core) {
        line += "; kernel ";
        line += core();
        if (s.chosen_core) line += " (core type chosen for this processor)";
    }
    if (s.one_thread) line += "; one thread under the address-space limit";
    return line;
}

}  // namespace kj::num
