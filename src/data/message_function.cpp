#include "data/message_function.h"

#include <cstdio>

namespace kj::data {

namespace {
void default_message(const char* caption, const char* text) { std::fprintf(stderr, "\n%s: %s\n", caption, text); }
MessageFunction g_message = default_message;
}  // namespace

MessageFunction set_message_function(MessageFunction fn) {
    MessageFunction before = g_message;
    g_message = fn ? fn : default_message;
    return before;
}

void report_error(const char* text) { g_message("Error", text); }
void report_warning(const char* text) { g_message("Warning", text); }

}  // namespace kj::data
