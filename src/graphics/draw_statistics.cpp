#include "graphics/draw_statistics.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "num/distributions/distributions.h"
#include "num/distributions/normal.h"
#include "num/timeseries/autocorrelation.h"
#include "num/timeseries/density_estimate.h"
#include "runtime/messages.h"

namespace kj::graphics {

namespace {

std::vector<double> present(const double* x, int n) {
    std::vector<double> v;
    for (int t = 0; t < n; ++t)
        if (std::isfinite(x[t])) v.push_back(x[t]);
    return v;
}

void mean_sd(const std::vector<double>& x, double& mean, double& sd) {
    mean = 0;
    for (double v : x) mean += v;
    mean /= static_cast<double>(x.size());
    double ss = 0;
    for (double v : x) ss += (v - mean) * (v - mean);
    sd = x.size() > 1 ? std::sqrt(ss / static_cast<double>(x.size() - 1)) : 0;
}


XYObject& add_xy(Graph& g, int area, std::vector<double> x, std::vector<double> y, const std::string& name,
                 int style, int index) {
    XYObject& o = g.add<XYObject>(area);
    o.x.v = std::move(x);
    o.y.v = std::move(y);
    o.y.name = name;
    o.symbol.style = style;
    o.colour = index;
    return o;
}

void add_line(Graph& g, int area, double x1, double y1, double x2, double y2, int index) {
    LineObject& o = g.add<LineObject>(area);
    o.x1 = x1, o.y1 = y1, o.x2 = x2, o.y2 = y2;
    o.colour = index;
}

int too_few(const char* what) {
    runtime::run_message(what);
    return 1;
}

double quantile_of(int dist, double p, double df1, double df2) {
    switch (dist) {
    case QQ_T: return num::t_quantile_real(p, df1);
    case QQ_Chi2: return num::chi_quantile(p, df1);
    case QQ_F: return num::f_quantile(p, df1, df2);
    case QQ_Uniform: return p;
    default: return num::normal_quantile(p);
    }
}

}  // namespace

double kernel_density(const std::vector<double>& x, double h, double at) {
    double s = 0;
    for (double v : x) s += num::normal_density((at - v) / h);
    return s / (static_cast<double>(x.size()) * h);
}

double default_bandwidth(const std::vector<double>& x) {
    double mean, sd;
    mean_sd(x, mean, sd);
    if (!(sd > 0)) sd = 1;
    return 1.06 * sd * std::pow(static_cast<double>(x.size()), -0.2);
}

double sorted_quantile(const std::vector<double>& s, double p) {
    if (s.empty()) return NAN;
    const double at = p * static_cast<double>(s.size() - 1);
    const std::size_t lo = static_cast<std::size_t>(std::floor(at));
    if (lo + 1 >= s.size()) return s.back();
    return s[lo] + (at - static_cast<double>(lo)) * (s[lo + 1] - s[lo]);
}

int default_bar_count(int n) { return 1 + static_cast<int>(std::ceil(std::log2(std::max(n, 1)))); }

int draw_density(Graph& g, const DrawRequest& r) {
    std::vector<double> x = present(r.s1.v, r.s1.n);
    if (x.size() < 2) return too_few("DrawDensity(): too few observations for a density");
    const bool dens = r.int_at(0, 1) == 1, hist = r.int_at(1, 0) == 1, normal = r.int_at(2, 0) == 1,
               cdf = r.int_at(3, 0) == 1, stand = r.int_at(4, 0) == 1;
    double mean, sd;
    mean_sd(x, mean, sd);
    if (stand && sd > 0) {
        for (double& v : x) v = (v - mean) / sd;
        mean = 0;
        sd = 1;
    }
    std::sort(x.begin(), x.end());
    const double h = default_bandwidth(x);
    const std::string name = r.s1.name();
    const int index = r.i2;
    const double lo = x.front() - 3 * h, hi = x.back() + 3 * h;
    constexpr int k_points = 128;
    std::vector<double> grid(k_points);
    for (int k = 0; k < k_points; ++k) grid[k] = lo + (hi - lo) * k / (k_points - 1);
    if (hist) {
        const int bars = r.i1 > 0 ? r.i1 : default_bar_count(static_cast<int>(x.size()));
        const double width = x.back() > x.front() ? (x.back() - x.front()) / bars : 1;
        std::vector<double> counts(static_cast<std::size_t>(bars), 0.0);
        for (double v : x) counts[std::min(static_cast<int>((v - x.front()) / width), bars - 1)] += 1;
        for (double& c : counts) c /= static_cast<double>(x.size()) * width;
        HistObject& o = g.add<HistObject>(r.area);
        o.values = std::move(counts);
        o.first_edge = x.front();
        o.bar_width = width;
        o.colour = 1;
        o.fill = 15;
    }
    if (dens) {
        std::vector<double> y(k_points);
        for (int k = 0; k < k_points; ++k) y[k] = kernel_density(x, h, grid[k]);
        add_xy(g, r.area, grid, std::move(y), name.empty() ? "Density" : "Density " + name, ST_Line, index);
    }
    if (normal && sd > 0 && !cdf) {
        std::vector<double> y(k_points);
        for (int k = 0; k < k_points; ++k) y[k] = num::normal_density((grid[k] - mean) / sd) / sd;
        add_xy(g, r.area, grid, std::move(y), "Normal", ST_Line, index + 1);
    }
    if (cdf) {
        std::vector<double> ex, ey;
        for (std::size_t t = 0; t < x.size(); ++t) {  // steps of the empirical distribution function
            ex.push_back(x[t]);
            ey.push_back(static_cast<double>(t) / static_cast<double>(x.size()));
            ex.push_back(x[t]);
            ey.push_back(static_cast<double>(t + 1) / static_cast<double>(x.size()));
        }
        add_xy(g, r.area, std::move(ex), std::move(ey), name.empty() ? "CDF" : "CDF " + name, ST_Line, index);
        if (normal && sd > 0) {
            std::vector<double> y(k_points);
            for (int k = 0; k < k_points; ++k) y[k] = num::normal_cdf((grid[k] - mean) / sd);
            add_xy(g, r.area, grid, std::move(y), "Normal CDF", ST_Line, index + 1);
        }
    }
    return 0;
}

int draw_qq(Graph& g, const DrawRequest& r) {
    std::vector<double> x = present(r.s1.v, r.s1.n);
    if (x.size() < 2) return too_few("DrawQQ(): too few observations for a QQ plot");
    const int dist = r.i1;
    if (dist < QQ_Normal || dist > QQ_Uniform) {
        runtime::run_message("DrawQQ(): unknown reference distribution");
        return 1;
    }
    const double df1 = r.double_at(0, 1), df2 = r.double_at(1, 1);
    if ((dist == QQ_T || dist == QQ_Chi2 || dist == QQ_F) && !(df1 > 0)) {
        runtime::run_message("DrawQQ(): degrees of freedom must be positive");
        return 1;
    }
    if (dist == QQ_F && !(df2 > 0)) {
        runtime::run_message("DrawQQ(): degrees of freedom must be positive");
        return 1;
    }
    double mean, sd;
    mean_sd(x, mean, sd);
    const bool standardise = dist == QQ_Normal || dist == QQ_NormalBand;
    if (standardise && sd > 0)
        for (double& v : x) v = (v - mean) / sd;
    std::sort(x.begin(), x.end());
    const std::size_t n = x.size();
    std::vector<double> q(n);
    for (std::size_t i = 0; i < n; ++i) q[i] = quantile_of(dist, (static_cast<double>(i) + 0.5) / n, df1, df2);
    const double lo = std::min(q.front(), x.front()), hi = std::max(q.back(), x.back());
    add_line(g, r.area, lo, lo, hi, hi, 1);
    if (dist == QQ_NormalBand) {  // pointwise two standard errors of the order statistics
        std::vector<double> up(n), down(n);
        for (std::size_t i = 0; i < n; ++i) {
            const double p = (static_cast<double>(i) + 0.5) / n;
            const double se = std::sqrt(p * (1 - p) / n) / num::normal_density(q[i]);
            up[i] = q[i] + 2 * se;
            down[i] = q[i] - 2 * se;
        }
        add_xy(g, r.area, q, std::move(up), "", ST_Line, r.i2 + 1);
        add_xy(g, r.area, q, std::move(down), "", ST_Line, r.i2 + 1);
    }
    add_xy(g, r.area, std::move(q), std::move(x), r.s1.name(), ST_Symbols, r.i2);
    return 0;
}

int draw_boxplot(Graph& g, const DrawRequest& r) {
    std::vector<double> x = present(r.s1.v, r.s1.n);
    if (x.empty()) return too_few("DrawBoxPlot(): no observations for a box plot");
    std::sort(x.begin(), x.end());
    const double q1 = sorted_quantile(x, 0.25), med = sorted_quantile(x, 0.5), q3 = sorted_quantile(x, 0.75);
    const double iqr = q3 - q1;
    double wlo = q1, whi = q3;
    std::vector<double> outx, outy;
    const double c = r.i1 + 1.0;  // box i is centred at i + 1
    for (double v : x) {
        if (v < q1 - 1.5 * iqr || v > q3 + 1.5 * iqr) {
            outx.push_back(c);
            outy.push_back(v);
        } else {
            wlo = std::min(wlo, v);
            whi = std::max(whi, v);
        }
    }
    const int k = r.i2;
    const double w = 0.25;
    add_line(g, r.area, c - w, q1, c + w, q1, k);
    add_line(g, r.area, c - w, q3, c + w, q3, k);
    add_line(g, r.area, c - w, q1, c - w, q3, k);
    add_line(g, r.area, c + w, q1, c + w, q3, k);
    add_line(g, r.area, c - w, med, c + w, med, k);
    add_line(g, r.area, c, q3, c, whi, k);
    add_line(g, r.area, c, q1, c, wlo, k);
    add_line(g, r.area, c - w / 2, whi, c + w / 2, whi, k);
    add_line(g, r.area, c - w / 2, wlo, c + w / 2, wlo, k);
    // The outside points, and the name of the group under its box.
    add_xy(g, r.area, std::move(outx), std::move(outy), "", ST_Symbols, k);
    if (!r.s1.name().empty()) {
        TextObject& t = g.add<TextObject>(r.area);
        t.text = r.s1.name();
        t.role = TEXT_Group;
        t.font = settings().font[0];
        t.size = settings().font[1];
        t.world = true;
        t.wx = c;
    }
    // Keep half a box of room on either side.
    add_line(g, r.area, c - 0.5, med, c - 0.5, med, 0);
    add_line(g, r.area, c + 0.5, med, c + 0.5, med, 0);
    return 0;
}

int draw_correlogram(Graph& g, const DrawRequest& r, bool with_options) {
    const int lags = r.i1;
    if (lags < 1 || lags >= r.s1.n) return too_few("Too few observations for correlogram");
    std::vector<double> acf(static_cast<std::size_t>(lags) + 1);
    const int m = num::acf_series(r.s1.v, r.s1.n, lags, acf.data(), false);
    if (m <= lags) return too_few("Too few observations for correlogram");
    const bool show_acf = !with_options || r.int_at(0, 1) == 1;
    const bool show_pacf = with_options && r.int_at(1, 0) == 1;
    const bool band = with_options && r.int_at(2, 0) == 1;
    const bool bars = !with_options || r.int_at(3, 1) == 1;
    const std::string name = r.s1.name();
    std::vector<double> lag(static_cast<std::size_t>(lags));
    for (int k = 0; k < lags; ++k) lag[k] = k + 1;
    if (show_acf) {
        XYObject& o = add_xy(g, r.area, lag, std::vector<double>(acf.begin() + 1, acf.end()),
                               name.empty() ? "ACF" : "ACF-" + name, bars ? ST_Index : ST_Line, r.i2);
        o.y_range = Interval{-1, 1};
    }
    if (show_pacf) {
        std::vector<double> pacf(static_cast<std::size_t>(lags) + 1);
        if (num::partial_acf(acf.data(), lags, pacf.data())) {
            XYObject& o = add_xy(g, r.area, lag, std::vector<double>(pacf.begin() + 1, pacf.end()),
                                   name.empty() ? "PACF" : "PACF-" + name, bars ? ST_Index : ST_Line, r.i2 + 1);
            o.y_range = Interval{-1, 1};
        }
    }
    if (band) {
        const double b = 2 / std::sqrt(static_cast<double>(m));
        add_line(g, r.area, 0.5, b, lags + 0.5, b, 1);
        add_line(g, r.area, 0.5, -b, lags + 0.5, -b, 1);
    }
    return 0;
}

int draw_spectrum(Graph& g, const DrawRequest& r) {
    constexpr int k_points = 128;
    std::vector<double> f(k_points);
    // An order of 0 or less takes every lag the series has; a larger order
    // than that is refused, as the correlogram refuses its lags.
    if (r.s1.n < 3 || r.i1 >= r.s1.n || !num::density_estimate(r.s1.v, r.s1.n, r.i1, k_points, f.data(), 2))
        return too_few("Too few observations for spectrum");
    std::vector<double> w(k_points);
    for (int k = 0; k < k_points; ++k) w[k] = static_cast<double>(k) / (k_points - 1);
    const std::string name = r.s1.name();
    add_xy(g, r.area, std::move(w), std::move(f), name.empty() ? "Spectrum" : "Spectrum " + name, ST_Line, r.i2);
    return 0;
}

}  // namespace kj::graphics
