// "MWC_32" and "MWC_52": Marsaglia's lag-256 multiply-with-carry generator
// MWC8222. Both share the lag table and the integer draw; "MWC_52" builds a
// uniform with 52 random bits from two steps. Their matrix fills are
// open-coded and advance the state exactly as the scalar draws do.
#include <cstring>

#include "num/random/generator.h"
#include "num/random/ziggurat.h"

namespace kj::num {
namespace {

constexpr double k_2m32 = 2.3283064365386963e-10;  // 2^-32
constexpr double k_2m52 = 2.220446049250313e-16;   // 2^-52

// The lag-table state held in registers while a loop runs.
struct Mwc {
    uint32_t i, c;
    uint32_t* q;
    explicit Mwc(KjRanState& s) : i(s.mwc_i), c(s.mwc_c), q(s.mwc_q) {}
    void store(KjRanState& s) const {
        s.mwc_i = i;
        s.mwc_c = c;
    }
    uint32_t step() {
        i = (i + 1) & 255;
        const uint64_t t = 809430660ull * q[i] + c;
        c = static_cast<uint32_t>(t >> 32);
        q[i] = static_cast<uint32_t>(t);
        return q[i];
    }
    double u32() { return static_cast<int32_t>(step()) * k_2m32 + 0.5000000001164153; }
    double u52() {
        const uint32_t a = step();
        const uint32_t b = step();
        return static_cast<int32_t>(a) * k_2m32 + 0.5000000000000001 + (b & 0xFFFFF) * k_2m52;
    }
};

uint32_t mwc_int(KjRanState* s) {
    Mwc g(*s);
    const uint32_t x = g.step();
    g.store(*s);
    return x;
}

double mwc32_uniform(KjRanState* s) {
    Mwc g(*s);
    const double u = g.u32();
    g.store(*s);
    return u;
}

double mwc52_uniform(KjRanState* s) {
    Mwc g(*s);
    const double u = g.u52();
    g.store(*s);
    return u;
}

// U and the layer from two integer draws a, b.
void first52(Mwc& g, double& u, int& k) {
    const uint32_t a = g.step();
    const uint32_t b = g.step();
    u = 2 * (static_cast<int32_t>(a) * k_2m32 + 0.5000000000000001 + (b & 0xFFFFF) * k_2m52) - 1;
    k = static_cast<int>((b >> 24) & 127);
}

// U from a uniform, then the layer from an integer draw.
void first32(Mwc& g, double& u, int& k) {
    u = 2 * g.u32() - 1;
    k = static_cast<int>(g.step() & 127);
}

// The scalar draws: the first step on the record's own state.
template <void (*First)(Mwc&, double&, int&)>
void first_on_record(KjRanState& s, double& u, int& k) {
    Mwc g(s);
    First(g, u, k);
    g.store(s);
}

double mwc52_normal(KjRanState* s) { return ziggurat_draw(*s, first_on_record<first52>); }
double mwc32_normal(KjRanState* s) { return ziggurat_draw(*s, first_on_record<first32>); }

// Four elements per pass; draw(g) makes one element from the lag-table state.
template <class Draw>
void fill(KjRanState* s, double* x, std::size_t n, Draw draw) {
    Mwc g(*s);
    std::size_t j = 0;
    for (; j + 4 <= n; j += 4) {
        x[j] = draw(g);
        x[j + 1] = draw(g);
        x[j + 2] = draw(g);
        x[j + 3] = draw(g);
    }
    for (; j < n; ++j) x[j] = draw(g);
    g.store(*s);
}

void mwc32_fill_uniform(KjRanState* s, double* x, std::size_t n) {
    fill(s, x, n, [](Mwc& g) { return g.u32(); });
}

void mwc52_fill_uniform(KjRanState* s, double* x, std::size_t n) {
    fill(s, x, n, [](Mwc& g) { return g.u52(); });
}

// The layer test inline; the rare slow steps go through the record, with the
// lag-table state stored before and reloaded after.
template <class First>
void fill_normal(KjRanState* s, double* x, std::size_t n, First first) {
    const double* zx = s->zig_x;
    const double* zr = s->zig_r;
    fill(s, x, n, [s, zx, zr, first](Mwc& g) {
        for (;;) {
            double u;
            int k;
            first(g, u, k);
            if (std::fabs(u) < zr[k]) return u * zx[k];
            g.store(*s);
            double z;
            const bool done = ziggurat_slow(*s, u, k, &z);
            g = Mwc(*s);
            if (done) return z;
        }
    });
}

void mwc52_fill_normal(KjRanState* s, double* x, std::size_t n) {
    fill_normal(s, x, n, [](Mwc& g, double& u, int& k) { first52(g, u, k); });
}

void mwc32_fill_normal(KjRanState* s, double* x, std::size_t n) {
    fill_normal(s, x, n, [](Mwc& g, double& u, int& k) { first32(g, u, k); });
}

void mwc_set_seed(KjRanState* s, const int* seed, int n) {
    s->mwc_i = k_mwc_default_i;
    s->mwc_c = k_mwc_default_c;
    if (seed && n >= 2) {
        const int m = n < 256 ? n : 256;
        for (int k = 0; k < m; ++k) s->mwc_q[k] = static_cast<uint32_t>(seed[k]);
        if (n >= 258) {
            s->mwc_i = static_cast<uint32_t>(seed[256]);
            s->mwc_c = static_cast<uint32_t>(seed[257]);
        }
        return;
    }
    table_rule(seed && n == 1 ? static_cast<uint32_t>(seed[0]) : 0, s->mwc_q);
}

int mwc_get_seed(KjRanState* s, int* seed, int n) {
    if (seed) {
        const int m = n < 256 ? n : 256;
        for (int k = 0; k < m; ++k) seed[k] = static_cast<int>(s->mwc_q[k]);
        if (n >= 258) {
            seed[256] = static_cast<int>(s->mwc_i);
            seed[257] = static_cast<int>(s->mwc_c);
        }
    }
    return 258;
}

// Iteration i of a loop: the master's table reversed, each word mixed with
// the next non-zero value of the table rule started from i; a zero mix is
// skipped and the next rule value tried against the same master word.
void mwc_derive(KjRanState* s, const KjRanState* master, int i) {
    uint32_t q[256];
    std::memcpy(q, master->mwc_q, sizeof q);
    s->mwc_i = k_mwc_default_i;
    s->mwc_c = k_mwc_default_c;
    uint32_t rule = static_cast<uint32_t>(i);
    for (int j = 0; j < 256;) {
        rule = 1664525u * rule + 1013904223u;
        if (rule == 0) continue;
        const uint32_t v = q[255 - j] ^ rule;
        if (v == 0) continue;
        s->mwc_q[j++] = v;
    }
}

}  // namespace

const Generator k_mwc32 = {"MWC_32",          mwc_int,      mwc32_uniform, mwc32_normal, mwc32_fill_uniform,
                           mwc32_fill_normal, mwc_set_seed, mwc_get_seed,  mwc_derive};
const Generator k_mwc52 = {"MWC_52",          mwc_int,      mwc52_uniform, mwc52_normal, mwc52_fill_uniform,
                           mwc52_fill_normal, mwc_set_seed, mwc_get_seed,  mwc_derive};

}  // namespace kj::num
