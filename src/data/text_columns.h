// The text cells that a data-set reader could not read as numbers, counted
// per column, and the one warning that names their columns after the read:
//   Text read as missing values: "label" (text column), "value" (2 cells)
#pragma once

#include <cstddef>
#include <vector>

#include "data/data_set.h"

namespace kj::data {

class TextColumns {
public:
    // One text cell, or one number or date, in the 0-based column.
    void text(std::size_t column);
    void number(std::size_t column);
    // The warning, naming the columns by the data set's variables; nothing
    // when no text was met.
    void report(const DataSet& ds) const;

private:
    struct Counts {
        std::size_t texts = 0, numbers = 0;
    };
    Counts& at(std::size_t column);
    std::vector<Counts> counts_;
};

}  // namespace kj::data
