// What the compiler keeps from one unit to the next: the define table, the
// facts it learnt about global symbols (functions declared by a header,
// GAUSS procedures and keywords), the error count and the observer. The
// symbol numbers it holds are those of the code image and symbol table the
// units compile into, so one session goes with one set of those tables.
// Each compilation is a Parser (parser.h) that refers to its session; an
// import compiled while another unit is still open shares the session.
#pragma once

#include <set>
#include <string>
#include <unordered_set>

#include "compiler/compile_observer.h"
#include "compiler/preprocessor.h"

namespace kj::compiler {

struct DefineEntry {
    std::string name;  // empty: free slot
    std::string text;
    bool has_text = false;
};

struct DefineTable {
    DefineEntry entries[k_max_defines];
    int count = 0;            // one past the highest used entry
    int protected_count = 0;  // entries below cannot be removed
    bool values_in_use = false;
};

// The GAUSS dialect's knowledge of the gauss:: names (gauss.h).
struct GaussNames {
    std::set<std::string> keywords;
    std::set<std::string> catalog_names;
    std::set<int> implicit_functions;
    std::set<int> procedures;
    std::set<int> support_functions;
    bool support_compiled = false;
    int hidden_count = 0;  // hidden locals named so far ("$what1", ...)
};

struct Session {
    // Preprocessor: defines survive between units (-D, predefined symbols).
    DefineTable defines;
    bool base_path_set = false;
    std::string base_path;
    CompileObserver observer;
    // Diagnostics: errors counted over the session, up to the fatal limit.
    int errors = 0;
    bool silenced = false;
    std::unordered_set<int> header_declared;  // functions declared only in an included header
    int lambda_count = 0;
    bool redefinition = false;    // definitions may replace earlier ones (set_redefinition)
    GaussNames gauss;
};

// The session of the library: the one that compiles into the library's code
// image and symbol table, used by every compilation that does not bring its own.
Session& library_session();

}  // namespace kj::compiler
