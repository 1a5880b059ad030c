// The data layer's message function: errors and warnings of data-set files,
// data files, transformations and restrictions all go to it with a caption
// ("Error" or "Warning") and the text. The library installs a function that
// passes them to the host's run-time messages; without one they are printed
// to the standard error stream as "\n<caption>: <text>\n".
#pragma once

#include <string_view>

namespace kj::data {

using MessageFunction = void (*)(const char* caption, const char* text);

// Installs fn (null: the default); returns the function installed before.
MessageFunction set_message_function(MessageFunction fn);

void report_error(std::string_view text);
void report_warning(std::string_view text);

}  // namespace kj::data
