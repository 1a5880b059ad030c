// Settings that the command-line options change, shared by the driver, the
// compiler, the linker and the engine. One process-wide record.
#pragma once

namespace kj::runtime {

struct Settings {
    int symbol_table_size = 3000;  // -s first number
    int stack_size = 1256;         // -s second number (1000 when -s gives one number)
    bool optimize = true;          // -od switches off
    bool line_numbers = true;      // -on switches off
    int warning_level = 1;         // -w
    int verbose = 0;               // -v: progress lines and remarks of compiler and linker
    int cache_entries = 0;         // -rc
    int cache_max_size = 0;
    bool kernel_replacement = true;

    // Per invocation.
    bool debug = false;
    bool interactive = false;
    bool gauss = false;
    bool create_object = false;
    bool create_object_linked = false;
    bool no_run = false;
    bool cache_report = false;
    bool editor = false;
    bool file_line_messages = false;  // -fe or KJ_FE: messages as file:line: (runtime/located_message.h)
};

Settings& settings();

}  // namespace kj::runtime
