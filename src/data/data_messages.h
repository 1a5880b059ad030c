// Errors and warnings of the data-set readers and writers. They go to one
// message function with a caption ("Error" or "Warning") and the text; the
// library installs its own at start-up, and without one the text is printed.
#pragma once

#include <string>

namespace kj::data {

using DataMessageFn = void (*)(const char* caption, const char* text);

// Installs fn (nullptr: the default, which prints "\n<caption>: <text>\n").
void set_data_message_function(DataMessageFn fn);

void data_error(const std::string& text);
void data_warning(const std::string& text);

}  // namespace kj::data
