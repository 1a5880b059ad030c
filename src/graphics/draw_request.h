// A drawing request as the draw callback receives it: the request name, the
// area, three series with their labels, two ints, an int array and a double
// array. Slots a request does not use are null or zero.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

namespace kj::graphics {

struct DrawRequest {
    struct Series {
        const double* v = nullptr;
        int n = 0;
        const char* label = nullptr;

        // The first `most` values (all when most < 0).
        std::vector<double> values(int most = -1) const {
            const int k = most < 0 ? n : std::min(n, most);
            return v && k > 0 ? std::vector<double>(v, v + k) : std::vector<double>();
        }
        std::string name() const { return label ? label : ""; }
    };

    std::string_view command;
    int area = 0;
    Series s1, s2, s3;
    int i1 = 0, i2 = 0;
    const int* iv = nullptr;
    int niv = 0;
    const double* dv = nullptr;
    int ndv = 0;

    int int_at(int k, int fallback) const { return iv && k < niv ? iv[k] : fallback; }
    double double_at(int k, double fallback) const { return dv && k < ndv ? dv[k] : fallback; }
};

}  // namespace kj::graphics
