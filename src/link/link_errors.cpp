#include "link/link_errors.h"

#include <string>

#include <kj80x.h>

#include "runtime/fatal_error.h"
#include "runtime/message_table.h"
#include "runtime/messages.h"

namespace kj::link {

namespace {
using enum runtime::MessageKind;

constexpr runtime::MessageTable k_table({
#define KJ_LINK_ERROR KJ_MESSAGE_ROW
#include "link/link_errors.def"
});

int g_count = 0;
}  // namespace

const char* link_error_text(int code) { return k_table.text(code); }

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
    if (k_table.kind(code, Error) == Fatal) runtime::raise_fatal_error();
    ++g_count;
}

int link_error_count() { return g_count; }
void reset_link_error_count() { g_count = 0; }

}  // namespace kj::link
