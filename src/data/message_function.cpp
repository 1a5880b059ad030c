#include "data/message_function.h"

#include <cstdio>
#include <string>

namespace kj::data {

namespace {
void default_message(const char* caption, const char* text) { std::fprintf(stderr, "\n%s: %s\n", caption, text); }
MessageFunction g_message = default_message;

void report(const char* caption, std::string_view text) { g_message(caption, std::string(text).c_str()); }
}  // namespace

MessageFunction set_message_function(MessageFunction fn) {
    MessageFunction before = g_message;
    g_message = fn ? fn : default_message;
    return before;
}

void report_error(std::string_view text) { report("Error", text); }
void report_warning(std::string_view text) { report("Warning", text); }

}  // namespace kj::data
