// The statistical drawing requests: each computes its statistic from one
// series and adds the objects that show it to the graph.
#pragma once

#include <vector>

#include "graphics/graph.h"

namespace kj::graphics {

// The slots of a statistical request: s1 is the series (n values), l1 its
// name, i1 and i2 the two ints, iv/dv the int and double arrays.
struct StatRequest {
    int area;
    const double* x;
    int n;
    const char* name;
    int i1, i2;
    const int* iv;
    int niv;
    const double* dv;
    int ndv;
};

// Reference distributions of QQ plots.
enum QQDistribution : int { QQ_Normal = 0, QQ_NormalBand = 1, QQ_T = 2, QQ_Chi2 = 3, QQ_F = 4, QQ_Uniform = 5 };

// Each returns 0 when drawn, 1 after a message when it could not be.
int draw_density(Graph& g, const StatRequest& r);
int draw_qq(Graph& g, const StatRequest& r);
int draw_boxplot(Graph& g, const StatRequest& r);
int draw_correlogram(Graph& g, const StatRequest& r, bool with_options);
int draw_spectrum(Graph& g, const StatRequest& r);

// Pieces shared with the tests.
// Gaussian kernel estimate at `at` with bandwidth h.
double kernel_density(const std::vector<double>& x, double h, double at);
// The default bandwidth: 1.06 s n^(-1/5) with the sample standard deviation s.
double default_bandwidth(const std::vector<double>& x);
// Quantile p of sorted data by linear interpolation between order statistics
// (position p (n - 1)).
double sorted_quantile(const std::vector<double>& sorted, double p);
// Number of histogram bars when none is given: 1 + log2 n, rounded up.
int default_bar_count(int n);

}  // namespace kj::graphics
