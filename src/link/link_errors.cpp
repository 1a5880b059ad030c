#include "link/link_errors.h"

#include <string>

#include <kj80x.h>

#include "runtime/fatal_error.h"
#include "runtime/messages.h"

namespace kj::link {

namespace {
// "not inititalized" keeps its historical spelling: hosts match on it.
const char* const k_texts[k_link_error_count] = {
    "symbol table full (try the -s command line option to increase the size)",
    "out of memory", "unexpected end of file", "writing file", "file error",
    "incompatible types", "redefinition of function", "redefinition of class",
    "duplicate identifier", "undefined base class", "undefined function",
    "undefined reference", "dynamic linking not supported", "too many internal functions",
    "dll function name not specified", "cannot load dll", "cannot load function from dll",
    "need iMainIP", "no arguments allowed", "at least one argument required before ...",
    "$ expected", "this is not an Kj object file",
    "please recompile .kjo file to match this version of Kj", "not inititalized"};

int g_count = 0;
}  // namespace

const char* link_error_text(int code) {
    return code >= 0 && code < k_link_error_count ? k_texts[code] : "";
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
    if (code == L_SymbolTableFull || code == L_OutOfMemory) runtime::raise_fatal_error();
    ++g_count;
}

int link_error_count() { return g_count; }
void reset_link_error_count() { g_count = 0; }

}  // namespace kj::link
