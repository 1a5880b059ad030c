#include "data/data_messages.h"

#include <cstdio>

namespace kj::data {

namespace {
void print_message(const char* caption, const char* text) { std::printf("\n%s: %s\n", caption, text); }
DataMessageFn g_message = print_message;
}  // namespace

void set_data_message_function(DataMessageFn fn) { g_message = fn ? fn : print_message; }

void data_error(const std::string& text) { g_message("Error", text.c_str()); }
void data_warning(const std::string& text) { g_message("Warning", text.c_str()); }

}  // namespace kj::data
