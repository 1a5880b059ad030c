#include "data/data_set.h"

#include <cmath>
#include <limits>

namespace kj::data {

Variable& DataSet::add_variable(std::string name) {
    int duplicate = 0;
    for (auto it = variables.rbegin(); it != variables.rend(); ++it)
        if (it->name == name) {
            it->flags |= Variable::k_duplicate;
            duplicate = it->duplicate + 1;
            break;
        }
    Variable& v = variables.emplace_back();
    v.name = std::move(name);
    v.duplicate = duplicate;
    return v;
}

void DataSet::fit_columns() {
    const std::size_t t = sample.observations() > 0 ? observations() : 0;
    for (Variable& v : variables) v.values.resize(t, std::numeric_limits<double>::quiet_NaN());
}

}  // namespace kj::data
