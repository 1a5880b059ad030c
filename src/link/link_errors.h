// Link errors (link_errors.def): "Link error: ", "'%s' " with a name when
// there is one, then the row's text, through the host's message output. A
// fatal row stops the link (the fatal error unwinds to the exported call that
// started it); the others add one to the link error count.
#pragma once

#include "runtime/message_table.h"

namespace kj::link {

enum LinkError : int {
#define KJ_LINK_ERROR KJ_MESSAGE_CODE
#include "link/link_errors.def"
    k_link_error_count  // one past the last code: the rows of the table
};

const char* link_error_text(int code);
// Prints the message (name may be null), after `where` ("file (line): ") when
// given, and counts it; a fatal code raises the fatal error instead.
void report_link_error(int code, const char* name = nullptr, const char* where = nullptr);
int link_error_count();
void reset_link_error_count();

}  // namespace kj::link
