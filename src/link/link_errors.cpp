#include "link/link_errors.h"

#include <string>

#include <kj80x.h>

#include "runtime/fatal_error.h"
#include "runtime/message_table.h"
#include "runtime/messages.h"

namespace kj::link {

namespace {
using enum runtime::MessageKind;

constexpr runtime::MessageRow k_rows[] = {
#define KJ_LINK_ERROR(name, code, kind, text) {kind, text},
#include "link/link_errors.def"
};

constexpr int k_codes[] = {
#define KJ_LINK_ERROR(name, code, kind, text) code,
#include "link/link_errors.def"
};
static_assert(runtime::codes_are_dense(k_codes));

int g_count = 0;
}  // namespace

const char* link_error_text(int code) {
    return code >= 0 && code < k_link_error_count ? k_rows[code].text : "";
}

void report_link_error(int code, const char* name, const char* where) {
    std::string line = where ? where : "";
    line += "Link error: ";
    if (name && *name) {
        line += '\'';
        line += name;
        line += "' ";
    }
    line += link_error_text(code);
    runtime::message(line.c_str());
    if (code >= 0 && code < k_link_error_count && k_rows[code].kind == Fatal) runtime::raise_fatal_error();
    ++g_count;
}

int link_error_count() { return g_count; }
void reset_link_error_count() { g_count = 0; }

}  // namespace kj::link
