#include "value/index_errors.h"

#include <cstdio>
#include <string>

#include "runtime/run_error.h"
#include "value/value.h"

namespace kj::value {

namespace {
bool g_one_based = false;

std::string index_text(int first, int last, bool range, IndexForm form) {
    const int shift = g_one_based ? 1 : 0;
    char body[64];
    if (range)
        std::snprintf(body, sizeof body, "%d : %d", first + shift, last + shift);
    else
        std::snprintf(body, sizeof body, "%d", first + shift);
    std::string t;
    switch (form) {
        case IndexForm::Single: t = std::string("[") + body + "]"; break;
        case IndexForm::Row: t = std::string("[") + body + "][]"; break;
        case IndexForm::Column: t = std::string("[][") + body + "]"; break;
    }
    return t;
}
}  // namespace

void set_one_based_index_reports(bool on) { g_one_based = on; }

void raise_index_error(int index, IndexForm form, const Value& v) {
    runtime::raise_run_error(runtime::E_IndexRange, index_text(index, 0, false, form) + " in " + describe(v));
}

void raise_range_error(int first, int last, IndexForm form, const Value& v) {
    runtime::raise_run_error(runtime::E_InvalidRange, index_text(first, last, true, form) + " in " + describe(v));
}

void raise_cannot_index(const Value& v) { runtime::raise_run_error(runtime::E_CannotIndex, describe(v)); }

}  // namespace kj::value
