// Test support: complex series as the Fourier transforms take them (two rows,
// real and imaginary parts), and the series the stored references are of.
#pragma once

#include <cmath>
#include <vector>

namespace kj::test {

struct ComplexRows {
    std::vector<double> re, im;
    double* rows[2];
    explicit ComplexRows(int n) : re(static_cast<std::size_t>(n)), im(static_cast<std::size_t>(n)) {
        rows[0] = re.data(), rows[1] = im.data();
    }
    ComplexRows(const ComplexRows& other) : re(other.re), im(other.im) { rows[0] = re.data(), rows[1] = im.data(); }
    ComplexRows& operator=(const ComplexRows&) = delete;
};

// z_t = frac(t·g1) + i·frac(t·g2), t = 1..n, with the golden ratio's and
// the square root of 2's fractional parts.
inline ComplexRows golden_series(int n) {
    ComplexRows z(n);
    for (int t = 0; t < n; ++t) {
        const double a = (t + 1) * 0.6180339887498949, b = (t + 1) * 0.41421356237309515;
        z.re[t] = a - std::floor(a), z.im[t] = b - std::floor(b);
    }
    return z;
}

}  // namespace kj::test
