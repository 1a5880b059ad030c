// The stages the command-line driver runs. The compiler, the linker, the
// object-file writer and the engine install their entry points here, so the
// driver's order of work stays in one place (driver.cpp).
#pragma once

#include <cstdio>

namespace kj::api {

struct DriverStages {
    // Preprocessor and include path.
    void (*define_symbol)(const char* name) = nullptr;   // -D tokens and predefined symbols
    void (*prepend_include_path)(const char* path) = nullptr;
    void (*clear_include_path)() = nullptr;
    const char* (*include_path)() = nullptr;
    void (*prepare_preprocessor)() = nullptr;

    // Compiler. open_source searches the include path with the default
    // extension ".kj" and reports "failed to open" itself.
    void (*reset_compiler)(int symbol_table_size) = nullptr;
    bool (*open_source)(const char* name) = nullptr;
    int (*compile)() = nullptr;                 // error count (compiler and preprocessor)
    void (*close_source)() = nullptr;
    bool (*compile_gauss_support)(bool resolve_imports) = nullptr;
    void (*create_interactive_main)() = nullptr;
    int (*dump_tokens)(const char* name) = nullptr;  // hidden -kjtokens switch

    // Linker and object files.
    bool (*link)(const char* link_list) = nullptr;   // load the list, resolve imports
    bool (*compile_next_gauss_library)() = nullptr;  // false when none is needed
    bool (*write_object)(std::FILE* file) = nullptr;
    void (*list_imports)() = nullptr;                // "Requires import ..." lines
    void (*trim_symbols)() = nullptr;                // drop what only debugging needs

    // Packages.
    void (*load_kernel)(const char* name, int verbose) = nullptr;
};

DriverStages& driver_stages();

}  // namespace kj::api
