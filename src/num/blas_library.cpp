#include "num/blas_library.h"

#include "num/blas_core_type.h"
#include "platform/dynamic_library.h"

namespace kj::num {

namespace {

struct Loaded {
    bool tried = false;
    bool usable = false;
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

// OpenBLAS carries LAPACK itself; otherwise the system's BLAS and LAPACK.
void load(Loaded& s) {
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
}

}  // namespace

const BlasApi* blas() {
    Loaded& s = state();
    if (!s.tried) load(s);
    return s.usable ? &s.api : nullptr;
}

bool blas_loaded() { return state().tried && state().usable; }

std::string blas_description() {
    const BlasApi* api = blas();
    const Loaded& s = state();
    if (!api) return "BLAS: none found, built-in loops only";
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
    return line;
}

}  // namespace kj::num
