// Set built-ins: unique, union, intersection, exclusion, ismember; and the
// membership test the selection built-ins share. Matching treats NaN as equal
// to NaN; results list NaN once, first.
#pragma once

#include <vector>

#include "value/value.h"

namespace kj::lib {

void fn_unique(value::Value* result, value::Value* args, int count);
void fn_union(value::Value* result, value::Value* args, int count);
void fn_intersection(value::Value* result, value::Value* args, int count);
void fn_exclusion(value::Value* result, value::Value* args, int count);
void fn_ismember(value::Value* result, value::Value* args, int count);

// The distinct values of x[0..n), for repeated membership tests.
class ValueSet {
public:
    ValueSet(const double* x, long n);
    bool contains(double v) const;
    bool empty() const { return m_sorted.empty() && !m_nan; }

private:
    std::vector<double> m_sorted;  // numbers only, ascending, distinct
    bool m_nan = false;
};

// The position of the first occurrence of each value of x[0..n).
class FirstPositions {
public:
    FirstPositions(const double* x, long n);
    long of(double v) const;  // -1 when v does not occur

private:
    struct Entry {
        double value;
        long position;
    };
    std::vector<Entry> m_sorted;  // numbers, ascending, one entry per value
    long m_nan = -1;
};

}  // namespace kj::lib
