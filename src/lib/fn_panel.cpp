// Panel data: lags within groups (getgrouplag).
#include <map>
#include <span>
#include <utility>
#include <vector>

#include "lib/arg_checks.h"
#include "lib/library_rows.h"
#include "lib/args.h"
#include "value/value.h"

namespace kj::lib {

namespace {
using value::Value;

// getgrouplag(mx, vcol, ilag1, ilag2, vgroup, vyear, vperiod, ifreq, dmiss):
// for each selected column and each lag L from ilag1 to ilag2 (a negative L
// is a lead), element t is mx at the row of t's group whose time lies L
// periods before t's, or dmiss. A row's time is year * ifreq + period - 1,
// or its position when vyear is the int 0.
void fn_getgrouplag(Value* result, Value* args, int) {
    const MatrixArg x = matrix_arg(args, 0);
    const std::vector<double> cols = elements_arg(args, 1);
    const int lag1 = int_arg(args, 2), lag2 = int_arg(args, 3);
    if (lag1 > lag2) arg_error(3);
    const std::vector<double> group = elements_arg(args, 4);
    const bool positions = value::type_of(args[5]) == value::T_Int && args[5].u.ival == 0;
    const std::vector<double> year = positions ? std::vector<double>() : elements_arg(args, 5);
    const std::vector<double> period = positions ? std::vector<double>() : elements_arg(args, 6);
    const int freq = int_arg(args, 7);
    const double dmiss = double_arg(args, 8);
    const int t_count = x.r;
    if (static_cast<int>(group.size()) < t_count) arg_error(4);
    if (!positions && (static_cast<int>(year.size()) < t_count || static_cast<int>(period.size()) < t_count))
        arg_error(year.size() < static_cast<std::size_t>(t_count) ? 5 : 6);
    for (double c : cols)
        if (!(c >= 0 && c < x.c)) arg_error(1);
    auto time_of = [&](int t) { return positions ? static_cast<double>(t) : year[t] * freq + period[t] - 1; };
    std::map<std::pair<double, double>, int> row_at;
    for (int t = 0; t < t_count; ++t) row_at.emplace(std::make_pair(group[t], time_of(t)), t);
    const long long lags = static_cast<long long>(lag2) - lag1 + 1;
    double** y = new_matrix(*result, t_count, static_cast<long long>(cols.size()) * lags);
    for (int t = 0; y && t < t_count; ++t)
        for (long long l = 0; l < lags; ++l) {
            const auto it = row_at.find({group[t], time_of(t) - static_cast<double>(lag1 + l)});
            for (std::size_t i = 0; i < cols.size(); ++i)
                y[t][static_cast<long long>(i) * lags + l] =
                    it == row_at.end() ? dmiss : x.m[it->second][static_cast<int>(cols[i])];
        }
}

const DescriptorRow k_panel_rows[] = {
    {"ccccccccc$getgrouplag", fn_getgrouplag},
};

}  // namespace

std::span<const DescriptorRow> panel_rows() { return k_panel_rows; }

}  // namespace kj::lib
