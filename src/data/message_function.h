// The data layer's message function: errors and warnings of data-set files,
// transformations and restrictions go to it with a caption ("Error" or
// "Warning") and the text. The library installs a function that passes them
// to the host's message channel; without one they are printed to the
// standard error stream as "\n<caption>: <text>\n".
#pragma once

namespace kj::data {

using MessageFunction = void (*)(const char* caption, const char* text);

// Installs fn (null: the default); returns the function installed before.
MessageFunction set_message_function(MessageFunction fn);

void report_error(const char* text);
void report_warning(const char* text);

}  // namespace kj::data
