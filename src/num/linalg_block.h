// Scratch matrices for the decompositions: a row-pointer block over one
// contiguous row-major vector, and a view that presents any row-pointer
// block as contiguous storage for LAPACK (packing and unpacking only when the
// rows are not already laid out one after the other).
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <vector>

namespace kj::num {

class WorkBlock {
public:
    WorkBlock() = default;
    WorkBlock(int r, int c) { resize(r, c); }
    // Copies get row pointers of their own; moves keep the element vector and
    // with it the row pointers.
    WorkBlock(const WorkBlock& o) : m_r(o.m_r), m_c(o.m_c), m_data(o.m_data) { point_rows(); }
    WorkBlock& operator=(const WorkBlock& o) {
        if (this != &o) {
            m_r = o.m_r;
            m_c = o.m_c;
            m_data = o.m_data;
            point_rows();
        }
        return *this;
    }
    WorkBlock(WorkBlock&&) noexcept = default;
    WorkBlock& operator=(WorkBlock&&) noexcept = default;
    void resize(int r, int c) {
        m_r = r;
        m_c = c;
        m_data.assign(static_cast<std::size_t>(r) * static_cast<std::size_t>(c), 0.0);
        point_rows();
    }
    double** rows() { return m_rows.data(); }
    double* data() { return m_data.data(); }
    double* operator[](int i) { return m_rows[static_cast<std::size_t>(i)]; }
    int r() const { return m_r; }
    int c() const { return m_c; }
    void copy_from(double** a) {
        for (int i = 0; i < m_r; ++i) std::memcpy(m_rows[i], a[i], static_cast<std::size_t>(m_c) * sizeof(double));
    }
    void copy_to(double** a) const {
        for (int i = 0; i < m_r; ++i) std::memcpy(a[i], m_rows[i], static_cast<std::size_t>(m_c) * sizeof(double));
    }
    void identity() {
        std::fill(m_data.begin(), m_data.end(), 0.0);
        for (int i = 0; i < m_r && i < m_c; ++i) m_rows[i][i] = 1.0;
    }

private:
    void point_rows() {
        m_rows.resize(static_cast<std::size_t>(m_r));
        for (int i = 0; i < m_r; ++i) m_rows[i] = m_data.data() + static_cast<std::size_t>(i) * m_c;
    }
    int m_r = 0, m_c = 0;
    std::vector<double> m_data;
    std::vector<double*> m_rows;
};

// LAPACK reports NaN and infinite input by printing; callers check first.
inline bool all_finite(double** m, int r, int c) {
    for (int i = 0; i < r; ++i)
        for (int j = 0; j < c; ++j)
            if (!std::isfinite(m[i][j])) return false;
    return true;
}

inline bool rows_contiguous(double** m, int r, int c) {
    for (int i = 1; i < r; ++i)
        if (m[i] != m[0] + static_cast<std::ptrdiff_t>(i) * c) return false;
    return r > 0;
}

// Contiguous storage of an r x c block for the length of a LAPACK call;
// `write_back` copies a packed copy back into the rows.
class Contiguous {
public:
    Contiguous(double** m, int r, int c) : m_m(m), m_r(r), m_c(c) {
        if (rows_contiguous(m, r, c)) {
            m_p = m[0];
        } else {
            m_copy.resize(static_cast<std::size_t>(r) * c);
            for (int i = 0; i < r; ++i)
                std::memcpy(m_copy.data() + static_cast<std::size_t>(i) * c, m[i], static_cast<std::size_t>(c) * sizeof(double));
            m_p = m_copy.data();
        }
    }
    double* data() { return m_p; }
    void write_back() {
        if (m_copy.empty()) return;
        for (int i = 0; i < m_r; ++i)
            std::memcpy(m_m[i], m_copy.data() + static_cast<std::size_t>(i) * m_c, static_cast<std::size_t>(m_c) * sizeof(double));
    }

private:
    double** m_m;
    int m_r, m_c;
    double* m_p = nullptr;
    std::vector<double> m_copy;
};

}  // namespace kj::num
