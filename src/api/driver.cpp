// The command-line driver: one argument vector in, a whole run out. It
// initialises the runtime, reads options, compiles or loads, links, writes an
// object file or runs `main`, and shuts down. Every line it prints goes
// through KjMessage, so the host decides where text appears.
#include <cfenv>
#include <cstdio>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <strings.h>
#include <unistd.h>
#include <vector>

#include <kj80x.h>

#include "api/kernel_library.h"
#include "api/symbol_dump.h"
#include "compiler/compiler.h"
#include "compiler/gauss/gauss.h"
#include "compiler/preprocessor.h"
#include "compiler/scanner.h"
#include "compiler/token_dump.h"
#include "link/compiler_tables.h"
#include "link/imports.h"
#include "link/link_list.h"
#include "link/object_writer.h"
#include "link/resolver.h"
#include "num/blas_library.h"
#include "runtime/alloc.h"
#include "runtime/fatal_error.h"
#include "runtime/host.h"
#include "runtime/include_path.h"
#include "runtime/messages.h"
#include "runtime/settings.h"
#include "value/index_errors.h"
#include "value/matrix_cache.h"
#include "vm/worker_pool.h"

namespace kj::api {

constexpr int k_max_cmd_args = 20;  // elements of a split command string

namespace {

constexpr int k_max_defines = 512;
constexpr const char* k_interactive_init = "kj_init.kj";
constexpr long k_max_cache_entries = 10000000;  // -rc: entries and size limit
constexpr long k_max_table_size = 10000000;  // -s: symbols and stack records
// One line of program output (the usage text and version asked for with
// --help and --version go to standard output).
void output_line(const char* text) {
    runtime::puts(text);
    runtime::puts("\n");
}

void print_usage(void (*out)(const char*) = runtime::message) {
    out("Kj Object-oriented matriX language\n"
              "Usage:\tKj [options] filename[.kj] [arguments for Kj program]\n"
              "Options:");
    out("  --help      print this text and exit\n"
              "  --version   print the version and exit\n"
              "  -b          no banner (as the first argument)\n"
              "  -d          debugging mode\n"
              "  -fe         messages as file:line: with the source line (also KJ_FE=1)\n"
              "  -i          interactive mode (not all versions)");
    out("  -c          create object (.kjo) file\n"
              "  -cl         create object (.kjo) file after linking in dependencies\n"
              "  -Dtoken     define a token, e.g. -DOPTION1+OPTION2\n"
              "  -g          source is gauss file\n"
              "  -lfilelist  link object file, e.g. -lfile1+file2+file3\n"
              "  -ipath      add include/link path\n"
              "  -x          clear include/link path\n"
              "  -od         switch code optimizations off\n"
              "  -on         switch line numbering off\n"
              "  -r-         do not run code\n"
              "  -rc#,#      set matrix cache: entries,max_size (default: -rc0,0)\n"
              "  -rp#        run parallel loops on # threads (-rp: say how many)\n"
              "  -rr         print cache report\n"
              "  -s#,#       set symbol table and stack size (default: -s3000,1000)\n"
              "  -v#         set verbose (-v is same as -v1)\n"
              "  -w0         switch parse warnings off");
}

constexpr const char* k_banner = "Kj version 8.00 (Linux_64)";

void print_banner() { runtime::message(k_banner); }

// --version: the banner and the version of the library file.
void print_version() {
    output_line(k_banner);
    output_line("libkj80x " KJ_VERSION);
}

// --help or --version among the options before the file name, or nullptr.
const char* informative_option(int argc, char** argv) {
    for (int i = 1; i < argc && argv[i][0] == '-'; ++i)
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "--version") == 0) return argv[i];
    return nullptr;
}

bool ends_with_nocase(const std::string& s, const char* ext) {
    const std::size_t n = std::strlen(ext);
    return s.size() >= n && strcasecmp(s.c_str() + s.size() - n, ext) == 0;
}

// How a run of KjMain ends: the usage text, the -l error and -r- leave the
// runtime initialised; every other ending shuts it down.
enum class Ending { KeepRuntime, Shutdown };

struct Outcome {
    int result;
    Ending ending;
    bool failed = false;  // the process should end with a non-zero status
};

// A run that stopped on an error (compile, link, run time, missing file).
constexpr Outcome failure(Ending ending = Ending::Shutdown) { return {0, ending, true}; }

// Reads "a" or "a,b" of a switch into the two numbers (each in [0, max]);
// a number left out keeps its value. False for anything else.
bool read_number_pair(const char* text, int& a, int& b, long max) {
    int* out[2] = {&a, &b};
    const char* p = text;
    for (int k = 0; k < 2 && *p; ++k) {
        if (k == 1 && *p++ != ',') return false;
        char* end = nullptr;
        errno = 0;
        const long v = std::strtol(p, &end, 10);
        if (end == p || errno == ERANGE || v < 0 || v > max) return false;
        *out[k] = static_cast<int>(v);
        p = end;
    }
    return *p == '\0';
}

void report_bad_switch(const char* sw, const char* rule) {
    std::string line = std::string("Invalid command line switch -") + sw + ": " + rule;
    runtime::message(line.c_str());
}

class Driver {
public:
    Outcome run(int argc, char** argv);

private:
    bool apply_option(const char* arg, Outcome& early);
    void define_tokens(const char* list);
    Outcome write_object_file();
    bool link_program();
    Outcome link_and_run();

    runtime::Settings& m_settings = runtime::settings();
    std::string m_source;
    std::string m_link_list;
    int m_defines = 0;
    bool m_dump_code = false;
};

void Driver::define_tokens(const char* list) {
    std::string all(list);
    std::size_t start = 0;
    while (start <= all.size()) {
        std::size_t plus = all.find('+', start);
        std::string token = all.substr(start, plus == std::string::npos ? std::string::npos : plus - start);
        if (!token.empty() && m_defines < k_max_defines) {
            compiler::define_names(token.c_str());
            ++m_defines;
        }
        if (plus == std::string::npos) break;
        start = plus + 1;
    }
}

// Returns false when KjMain must return at once with `early`.
bool Driver::apply_option(const char* arg, Outcome& early) {
    const char* sw = arg + 1;  // text after the dash
    if (std::strcmp(arg, "-kjedit") == 0) {
        m_settings.editor = true;
        return true;
    }
    if (std::strcmp(arg, "-kjpcode") == 0) {
        // Hidden: list the linked program's p-code, literals and symbols instead of running it.
        m_dump_code = true;
        return true;
    }
    if (std::strncmp(arg, "-kjtokens", 9) == 0) {
        // Hidden: print the token stream of a source and stop.
        std::string out;
        if (compiler::dump_tokens(arg[9] == '=' ? arg + 10 : "", out)) runtime::puts(out.c_str());
        early = {0, Ending::Shutdown};
        return false;
    }
    const char letter = sw[0];
    const char* rest = sw[0] ? sw + 1 : sw;
    switch (letter == 'b' ? 'b' : std::tolower(static_cast<unsigned char>(letter))) {
        case '?':
        case 'h':
            print_usage();
            early = {0, Ending::KeepRuntime};
            return false;
        case 'b':  // only suppresses the banner when it is the first argument
        case 'm':
            return true;
        case 'c':
            if (*rest == '\0')
                m_settings.create_object = true;
            else if (std::strcmp(rest, "l") == 0 || std::strcmp(rest, "L") == 0)
                m_settings.create_object_linked = true;
            return true;
        case 'd':
            if (*rest == '\0')
                m_settings.debug = true;
            else
                define_tokens(rest);
            return true;
        case 'f':
            if (std::strcmp(rest, "e") != 0) break;
            m_settings.file_line_messages = true;  // messages as file:line:
            return true;
        case 'g':
            m_settings.gauss = true;
            return true;
        case 'i':
            if (*rest == '\0') {
                m_settings.interactive = true;
            } else {
                runtime::add_to_include_path(rest);
                if (m_settings.verbose > 0) {
                    std::string line = "New include path: " + runtime::include_path() + "\n";
                    runtime::message(line.c_str());
                }
            }
            return true;
        case 'k':
            if (m_settings.kernel_replacement) load_kernel_library(rest, m_settings.verbose != 0);
            return true;
        case 'l':
            if (*rest == '\0') {
                runtime::message("No link file specified");
                early = failure(Ending::KeepRuntime);
                return false;
            }
            m_link_list = rest;
            return true;
        case 'o':
            if (*rest == 'd' || *rest == 'D') m_settings.optimize = false;
            if (*rest == 'n' || *rest == 'N') m_settings.line_numbers = false;
            return true;
        case 'r':
            switch (*rest) {
                case '-': m_settings.no_run = true; break;
                case 'c': {
                    int entries = 0, size = 0;
                    if (!read_number_pair(rest + 1, entries, size, k_max_cache_entries)) {
                        report_bad_switch(sw, "expected -rc#,# with numbers from 0 to 10000000");
                        early = failure(Ending::KeepRuntime);
                        return false;
                    }
                    if (entries == 0 || size == 0) entries = size = 0;
                    m_settings.cache_entries = entries;
                    m_settings.cache_max_size = size;
                    value::mat_cache_set_size(entries, size);
                    break;
                }
                case 'r': m_settings.cache_report = true; break;
                case 'p': {
                    // -rp# sets the threads of parallel loops; -rp alone says how many.
                    if (rest[1] == '\0') {
                        const std::string line = "Parallel loops run on " + std::to_string(vm::parallel_threads()) + " threads";
                        runtime::message(line.c_str());
                        break;
                    }
                    char* end = nullptr;
                    const long n = std::strtol(rest + 1, &end, 10);
                    if (*end != '\0' || n < 1 || n > vm::k_max_threads) {
                        report_bad_switch(sw, "expected -rp# with a number of threads from 1 to 256");
                        early = failure(Ending::KeepRuntime);
                        return false;
                    }
                    vm::set_parallel_threads(static_cast<int>(n));
                    break;
                }
                default: break;  // "d", "t" and any other letter: accepted
            }
            return true;
        case 's': {
            int symbols = 3000, stack = 1000;
            if (!read_number_pair(rest, symbols, stack, k_max_table_size) || symbols < 1 || stack < 1) {
                report_bad_switch(sw, "expected -s#,# with numbers from 1 to 10000000");
                early = failure(Ending::KeepRuntime);
                return false;
            }
            m_settings.symbol_table_size = symbols;
            m_settings.stack_size = stack;
            return true;
        }
        case 'v': {
            int level = 1;
            std::sscanf(rest, "%d", &level);
            m_settings.verbose = level;
            return true;
        }
        case 'w':
            m_settings.warning_level = static_cast<int>(std::strtol(rest, nullptr, 10));
            return true;
        case 'x':
            runtime::clear_include_path();
            return true;
        default:
            break;
    }
    // Nothing runs on a command line that was not understood.
    std::string line = std::string("Unrecognized command line switch: ") + sw;
    runtime::message(line.c_str());
    print_usage();
    early = failure(Ending::KeepRuntime);
    return false;
}

// The object file is named after the source, without its folder and with the
// extension ".kjo", in the current directory.
Outcome Driver::write_object_file() {
    std::string base = m_source;
    if (auto slash = base.find_last_of('/'); slash != std::string::npos) base.erase(0, slash + 1);
    if (auto dot = base.find_last_of('.'); dot != std::string::npos) base.erase(dot);
    base += ".kjo";
    std::FILE* f = std::fopen(base.c_str(), "wb");
    if (!f) {
        runtime::message("Failed to open kjo file");
        return failure();
    }
    link::write_object(f);
    std::fclose(f);
    if (m_settings.verbose > 0) link::list_missing_imports();
    return {-2, Ending::Shutdown};
}

// Loads the link list, then resolves imports, except when an object file is
// to be written right after compiling (-c): the pending imports then travel
// in that file.
bool Driver::link_program() {
    if (link::link_files(m_link_list.c_str(), true) != 0) return false;
    return m_settings.create_object || link::resolve_imports();
}

Outcome Driver::link_and_run() {
    if (!link_program()) return failure();
    if (m_settings.create_object_linked) return write_object_file();

    // 16. Nothing to trim: the debugger learns local names from ELT in the
    // code, which a plain run passes over.
    const int start = IKjRunInit();
    std::feclearexcept(FE_ALL_EXCEPT);
    fedisableexcept(FE_ALL_EXCEPT);
    if (start < 0) return failure();
    if (m_dump_code) {
        runtime::puts((pcode_listing() + global_symbols(false, true)).c_str());
        return {start, Ending::Shutdown};
    }
    if (m_settings.no_run) return {start, Ending::KeepRuntime};
    const bool ran = FKjRun(start, nullptr) != 0;
    // A verbose run that used the linear-algebra library names it and its kernel.
    if (m_settings.verbose > 0 && num::blas_loaded()) runtime::message(num::blas_description().c_str());
    if (m_settings.cache_report) value::mat_cache_report();
    return {start, Ending::Shutdown, !ran};
}

Outcome Driver::run(int argc, char** argv) {
    // 1-2. Initialise; record the arguments; clear the program's list.
    if (!runtime::state().initialised) KjMainInit();
    KjSetMainArgs(argc, argv);
    KjSetKjArgs(0, nullptr);
    m_settings = runtime::Settings{};
    if (const char* fe = std::getenv("KJ_FE"); fe && *fe && std::strcmp(fe, "0") != 0) m_settings.file_line_messages = true;
    // The usage text or the version alone, as program output.
    if (const char* asked = informative_option(argc, argv)) {
        if (std::strcmp(asked, "--help") == 0)
            print_usage(output_line);
        else
            print_version();
        return {0, Ending::KeepRuntime};
    }
    // 3. The banner, unless the first argument suppresses it.
    if (!(argc > 1 && std::strcmp(argv[1], "-b") == 0)) print_banner();
    // 4. Nothing to do.
    if (argc <= 1) {
        print_usage();
        return {0, Ending::KeepRuntime};
    }
    // 5. Cache off; predefined symbols.
    value::mat_cache_set_size(0, 0);
    compiler::define_platform_symbols();

    // 6. Options up to the file name; the file name and what follows are the program's arguments.
    int i = 1;
    for (; i < argc; ++i) {
        if (argv[i][0] != '-') break;
        Outcome early{0, Ending::KeepRuntime};
        if (!apply_option(argv[i], early)) return early;
    }
    if (i < argc) {
        KjSetKjArgs(argc - i, argv + i);
        m_source = argv[i];
    }
    // 7. The file name's extension chooses its role.
    if (ends_with_nocase(m_source, ".kjo")) {
        m_link_list = m_source;
        m_source.clear();
    } else if (ends_with_nocase(m_source, ".kjgauss") || ends_with_nocase(m_source, ".g") ||
               ends_with_nocase(m_source, ".src")) {
        m_settings.gauss = true;
    }
    // 8. Mode decision.
    if (m_source.empty() && !m_settings.no_run && m_link_list.empty()) m_settings.interactive = true;
    if (!m_settings.interactive && m_source.empty() && m_link_list.empty()) {
        print_usage();
        return {0, Ending::KeepRuntime};
    }
    // 9. Compiler tables.
    link::reset_compiler_tables();
    compiler::reset_compiler_state();
    // 10. GAUSS mode: the support source first; index errors count from 1.
    value::set_one_based_index_reports(m_settings.gauss);
    if (m_settings.gauss && !compiler::compile_gauss_support(!m_settings.create_object)) return failure();
    // 11. Open the source (open_source reports "failed to open" itself).
    bool open = false;
    if (!m_source.empty()) {
        if (!compiler::open_source(m_source.c_str())) return failure();
        if (m_settings.gauss && !ends_with_nocase(m_source, ".kj")) compiler::set_dialect(compiler::Dialect::Gauss);
        open = true;
    } else if (m_settings.interactive && access(k_interactive_init, R_OK) == 0) {
        // Interactive mode starts with this file when there is one.
        if (!compiler::open_source(k_interactive_init)) return failure();
        open = true;
    }
    // 12. Compile.
    if (open) {
        const int errors = compiler::compile_unit();
        compiler::close_scan();
        if (errors != 0) return failure();
        if (m_settings.create_object && link_program()) return write_object_file();
    } else if (m_link_list.empty() && !m_settings.interactive) {
        // 13. Nothing compiled.
        runtime::message("no files specified");
        return failure();
    }
    if (m_settings.interactive) compiler::create_interactive_main();
    // 14-16. Link, then write or run.
    return link_and_run();
}

}  // namespace
}  // namespace kj::api

extern "C" {

int KjMain(int argc, char** argv) {
    kj::runtime::arm_allocation_failure_from_environment();
    try {
        kj::api::Driver driver;
        KjSetUserExitCode(0);
        const kj::api::Outcome out = driver.run(argc, argv);
        if (out.ending == kj::api::Ending::Shutdown) KjMainExit();
        // A failure always leaves a non-zero exit code for the host.
        if (out.failed) KjSetUserExitCode(1);
        return out.result;
    } catch (const kj::runtime::FatalError&) {
        // Its message has been printed: the run ends as failed.
        kj::runtime::state().user_exit_code = 1;
        KjMainExit();
        return 0;
    } catch (const std::bad_alloc&) {
        kj::runtime::message("Fatal error: out of memory");
        kj::runtime::state().user_exit_code = 1;
        KjMainExit();
        return 0;
    } catch (...) {
        // Nothing escapes to the host: a failure inside a stage ends the run.
        kj::runtime::message("Fatal error: aborted");
        kj::runtime::state().user_exit_code = 1;
        return 0;
    }
}

// Splits one command string: element 0 is "Kj"; arguments are separated by
// blanks; a double quote starts an argument that runs to the next quote.
int KjMainCmd(const char* cmdline) {
    if (!cmdline) return -1;
    std::vector<char> copy(cmdline, cmdline + std::strlen(cmdline) + 1);
    static char k_argv0[] = "Kj";
    std::vector<char*> argv{k_argv0};
    char* p = copy.data();
    while (*p && static_cast<int>(argv.size()) < kj::api::k_max_cmd_args) {
        while (*p == ' ') ++p;
        if (!*p) break;
        if (*p == '"') {
            argv.push_back(++p);
            while (*p && *p != '"') ++p;
        } else {
            argv.push_back(p);
            while (*p && *p != ' ') ++p;
        }
        if (*p) *p++ = '\0';
    }
    argv.push_back(nullptr);
    return KjMain(static_cast<int>(argv.size()) - 1, argv.data());
}

int KjMain_T(int argc, wchar_t** argv) {
    std::vector<std::string> utf8(argc > 0 ? argc : 0);
    for (int i = 0; i < argc; ++i) {
        for (const wchar_t* w = argv[i]; w && *w; ++w) {
            const auto cp = static_cast<uint32_t>(*w);
            std::string& s = utf8[i];
            if (cp < 0x80) {
                s += static_cast<char>(cp);
            } else if (cp < 0x800) {
                s += static_cast<char>(0xC0 | (cp >> 6));
                s += static_cast<char>(0x80 | (cp & 0x3F));
            } else if (cp < 0x10000) {
                s += static_cast<char>(0xE0 | (cp >> 12));
                s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
                s += static_cast<char>(0x80 | (cp & 0x3F));
            } else {
                s += static_cast<char>(0xF0 | (cp >> 18));
                s += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
                s += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
                s += static_cast<char>(0x80 | (cp & 0x3F));
            }
        }
    }
    std::vector<char*> args;
    for (auto& s : utf8) args.push_back(s.data());
    args.push_back(nullptr);
    return KjMain(argc, args.data());
}

}  // extern "C"
