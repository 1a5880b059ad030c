// The statistical drawing requests: each computes its statistic from the
// first series of the request (its label names it) and adds the objects
// that show it to the graph.
#pragma once

#include <vector>

#include "graphics/draw_request.h"
#include "graphics/graph.h"

namespace kj::graphics {

// Reference distributions of QQ plots.
enum QQDistribution : int { QQ_Normal = 0, QQ_NormalBand = 1, QQ_T = 2, QQ_Chi2 = 3, QQ_F = 4, QQ_Uniform = 5 };

// Each returns 0 when drawn, 1 after a message when it could not be.
int draw_density(Graph& g, const DrawRequest& r);
int draw_qq(Graph& g, const DrawRequest& r);
int draw_boxplot(Graph& g, const DrawRequest& r);
int draw_correlogram(Graph& g, const DrawRequest& r, bool with_options);
int draw_spectrum(Graph& g, const DrawRequest& r);

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
