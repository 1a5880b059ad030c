// The process-wide tolerance of fuzzy comparisons (default 1e-13): a and b
// are fuzzily equal when |a − b| ≤ f·max(1, |a|, |b|).
#pragma once

namespace kj::num {

double fuzziness();
// eps > 0 sets the tolerance; other values leave it. Returns the tolerance in force.
double set_fuzziness(double eps);
bool fuzzy_equal(double a, double b);
// trunc(x), except that x fuzzily equal to the whole number of next larger
// magnitude gives that number.
double fuzzy_trunc(double x);

}  // namespace kj::num
