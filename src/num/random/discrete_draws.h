// Draws of the discrete distributions through the slots of a state record,
// as doubles (NaN for invalid parameters where the law has no fallback).
#pragma once

#include <kj80x.h>

namespace kj::num {

double ran_poisson(KjRanState& s, double mu);              // mu <= 0: 0; infinite mu: NaN
double ran_binomial(KjRanState& s, double n, double p);    // n < 1: 0; n above 2^31 - 1: NaN
double ran_negbin(KjRanState& s, double n, double p);      // n < 1: 0; p outside (0, 1]: NaN
double ran_logarithmic(KjRanState& s, double p);           // p outside (0, 1): 0
double ran_geometric(KjRanState& s, double p);             // p outside (0, 1]: NaN
double ran_hypergeometric(KjRanState& s, double N, double M, double n);

}  // namespace kj::num
