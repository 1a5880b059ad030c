// Sheet cells described for comparisons in tests: "t:text", a number,
// "d:number" for a date, "error", or "-" for an empty cell.
#pragma once

#include <string>
#include <vector>

#include "data/sheet.h"

namespace kj::test {

inline std::string show(const data::Cell& c) {
    switch (c.kind) {
    case data::Cell::Kind::Text: return "t:" + c.text;
    case data::Cell::Kind::Date: return "d:" + std::to_string(c.number);
    case data::Cell::Kind::Number: return std::to_string(c.number);
    case data::Cell::Kind::Error: return "error";
    default: return "-";
    }
}

inline std::vector<std::string> show(const data::SheetRow& row) {
    std::vector<std::string> out;
    for (const data::Cell& c : row) out.push_back(show(c));
    return out;
}

}  // namespace kj::test
