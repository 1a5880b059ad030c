// A data set: named variables that share one time axis (a frequency and a
// sample of year-period pairs), with the observations held per variable.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kj::data {

// A sample of (year, period) pairs at one frequency.
struct Sample {
    int year1 = 1, period1 = 1, year2 = 1, period2 = 1, frequency = 1;

    // Zero-based position of (year, period) on this sample's axis (64-bit:
    // description files may claim any years).
    int64_t index(int year, int period) const {
        return (int64_t(year) - year1) * frequency + period - period1;
    }
    int64_t observations() const { return index(year2, period2) + 1; }
    // The undated sample 1(1) .. T(1) of T observations.
    static Sample undated(int64_t t) { return {1, 1, static_cast<int>(t), 1, 1}; }
};

enum class VariableKind : int { Plain = 0, Date = 1, Choice = 2 };

struct Variable {
    // Flag bits.
    static constexpr unsigned k_duplicate = 1;  // a later variable has the same name
    static constexpr unsigned k_selected = 2;   // written by the writers
    static constexpr unsigned k_marked = 4;     // written with the "-" prefix

    std::string name;
    int group = 0;          // index into the data set's group table
    Sample sample;          // the variable's own sample
    int64_t offset = 0;     // byte position of the first observation in the data file
    std::string created_date, created_time;
    std::string description;
    VariableKind kind = VariableKind::Plain;
    std::vector<std::string> labels;  // choice labels ("" when absent)
    unsigned flags = k_selected;
    int duplicate = 0;      // one more than the previous variable of this name

    // Observations on the data set's axis, missing values NaN.
    std::vector<double> values;
};

struct DataSet {
    static constexpr std::size_t k_max_groups = 10;

    std::string description;
    std::string data_path;   // the .bn7 file of a description file
    Sample sample;
    std::vector<std::string> groups;
    std::vector<Variable> variables;

    std::size_t observations() const { return static_cast<std::size_t>(sample.observations()); }

    // Appends a variable, keeping the duplicate marks of same-named ones.
    Variable& add_variable(std::string name);
    // Sizes every variable's column to the sample (new places NaN).
    void fit_columns();
};

// Upper limit on observations x variables that a reader will allocate, so a
// damaged file that claims an absurd sample fails instead of exhausting memory.
constexpr int64_t k_max_cells = int64_t(1) << 28;

}  // namespace kj::data
