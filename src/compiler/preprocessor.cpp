// Directives, carried out inside the token loop as soon as '#' is scanned:
// include and import, define and undef, conditional blocks, pragma.
#include "compiler/preprocessor.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "runtime/include_path.h"
#include "compiler/parser.h"
#include "compiler/scanner_messages.h"
#include "compiler/scanner_state.h"
#include "compiler/token_names.h"
#include "compiler/tokens.h"

namespace kj::compiler {

using runtime::directory_of;
using runtime::find_file;
using runtime::has_extension;

namespace {

bool live() { return scan_state().skip_level == 0; }

// Word after blanks on the way to it (not folded, never replaced); empty
// when something else comes, which stays unread.
std::string read_name() {
    bool skipped;
    return read_word_from(skip_blanks(skipped));
}

// Name operand of a directive; reports "missing" with the directive.
std::string read_operand(const std::string& directive) {
    std::string name = read_name();
    if (name.empty()) scan_error(S_Missing, ("#" + directive).c_str());
    return name;
}

// Opens a conditional block whose condition is `holds`; a block opened in
// skipped text stays skipped whatever its condition.
void open_block(bool holds) {
    ScanState& s = scan_state();
    ++s.cond_depth;
    if (s.skip_level == 0 && !holds) s.skip_level = s.cond_depth;
}

void else_block() {
    ScanState& s = scan_state();
    if (s.cond_depth == 0) {
        scan_error(S_NoMatchingIf);
    } else if (s.skip_level == s.cond_depth) {
        s.skip_level = 0;
    } else if (s.skip_level == 0) {
        s.skip_level = s.cond_depth;
    }
}

void end_block() {
    ScanState& s = scan_state();
    if (s.cond_depth == 0) {
        scan_error(S_NoMatchingIf);
        return;
    }
    if (s.skip_level == s.cond_depth) s.skip_level = 0;
    --s.cond_depth;
}

// "file" (quoted), <file> on one line, or in GAUSS mode an unquoted name with
// an optional ';'. False after a reported error.
bool read_include_name(std::string& name, bool& quoted) {
    ScanState& s = scan_state();
    bool skipped;
    int c = skip_blanks(skipped);
    if (c == '"') {
        bool raw = s.raw_backslash, single = s.single_line;
        s.raw_backslash = s.single_line = true;
        scan_string();
        s.raw_backslash = raw;
        s.single_line = single;
        name = s.text;
        quoted = true;
        return true;
    }
    if (c == '<') {
        name.clear();
        for (;;) {
            int d = read_char();
            if (d == '>') break;
            if (d == '\n' || d == k_end) {
                unread_char(d);
                scan_error(S_IncludeNameNotClosed, name.c_str());
                return false;
            }
            if (d != '\r') name += static_cast<char>(d);
        }
        quoted = false;
        return true;
    }
    if (s.gauss && c != k_end && !is_space(c) && c != ';') {
        name.clear();
        while (c != k_end && !is_space(c) && c != ';') {
            name += static_cast<char>(c);
            c = read_char();
        }
        if (c != ';') unread_char(c);
        quoted = true;
        return true;
    }
    unread_char(c);
    int tok = scan_raw();
    scan_error(S_Unrecognized, token_length() > 0 ? token_text() : token_name(tok));
    return false;
}

// Directory that quoted names in the current source are relative to.
std::string including_dir() {
    const ScanState& s = scan_state();
    if (s.include_depth >= 0) return directory_of(s.includes[s.include_depth].name);
    const Session& session = parser().session;
    if (session.base_path_set) return session.base_path;
    return directory_of(s.main.name);
}

bool include_found(std::FILE* file, const std::string& path) {
    std::string data;
    if (!load_file(file, data)) return false;
    return push_include(path, std::move(data));
}

void run_include() {
    std::string name;
    bool quoted;
    if (!read_include_name(name, quoted) || !live()) return;
    std::string dir = including_dir();
    std::string path;
    std::size_t n = name.size();
    if (n > 2 && name.compare(n - 2, 2, ".h") == 0) {
        // A header: name.kjh first (silently), then name.h.
        std::string kjh = name.substr(0, n - 2) + ".kjh";
        if (std::FILE* f = find_file(kjh.c_str(), quoted, path, nullptr, dir.c_str())) {
            include_found(f, path);
            return;
        }
        if (std::FILE* f = find_file(name.c_str(), quoted, path, nullptr, dir.c_str()))
            include_found(f, path);
        else
            scan_error(S_HeaderNotFound, name.c_str());
        return;
    }
    if (std::FILE* f = find_file(name.c_str(), quoted, path, nullptr, dir.c_str()))
        include_found(f, path);
    else
        scan_error(S_IncludeNotFound, name.c_str());
}

// Reads a module's header once per compilation (guarded by name$h$) and hands
// the import token with the full name to the parser.
int run_import() {
    ScanState& s = scan_state();
    std::string name;
    bool quoted;
    if (!read_include_name(name, quoted) || !live()) return 0;
    if (!name.empty() && name.back() != '/' && name.back() != '\\') {
        std::string guard = name + "$h$";
        if (lookup_define(guard.c_str()) < 0) {
            std::string header = name;
            if (std::size_t colons = header.find("::"); colons != std::string::npos)
                header.erase(0, colons + 2);
            if (has_extension(header.c_str())) header.erase(header.rfind('.'));
            std::string dir = including_dir();
            std::string path;
            std::FILE* f = find_file((header + ".kjh").c_str(), quoted, path, nullptr, dir.c_str());
            if (!f) f = find_file((header + ".h").c_str(), quoted, path, nullptr, dir.c_str());
            if (!f) scan_error(S_ImportHeaderNotFound, name.c_str());
            define_names(guard.c_str());
            if (f && load_file(f, s.header_data)) {
                s.header_pending = true;
                s.header_path = path;
            }
        }
    }
    if (const ImportHook hook = parser().session.import_hook) hook(name.c_str(), quoted);
    text_set(name.c_str());
    return T_Import;
}

void run_define(const std::string& directive, bool case_insensitive) {
    ScanState& s = scan_state();
    std::string name = read_operand(directive);
    if (!s.gauss) {
        // Kj: no replacement text; the rest of the line is ordinary tokens.
        if (live() && !name.empty()) define_names(name.c_str());
        return;
    }
    std::string text = read_rest_of_line();
    std::size_t first = text.find_first_not_of(" \t");
    text.erase(0, first == std::string::npos ? text.size() : first);
    if (live() && !name.empty())
        define_names(name.c_str(), case_insensitive, text.empty() ? nullptr : text.c_str());
}

// GAUSS directives without effect: an optional (argument) and ';' follow.
void skip_ignored_arguments() {
    bool skipped;
    int c = skip_blanks(skipped);
    if (c == '(') {
        while ((c = read_char()) != ')' && c != '\n' && c != k_end) {}
        if (c != ')') unread_char(c);
        c = skip_blanks(skipped);
    }
    if (c != ';') unread_char(c);
}

// The GAUSS-only directives; false when name is none of them.
bool run_gauss_directive(const std::string& name) {
    if (name == "lineson" || name == "linesoff" || name == "srcfile" || name == "srcline") {
        skip_ignored_arguments();
    } else if (name == "iflight") {
        open_block(false);
    } else if (name == "ifdos" || name == "ifos2win") {
        open_block(is_defined("KJ_Windows"));
    } else if (name == "ifunix") {
        open_block(!is_defined("KJ_Windows"));
    } else if (name == "ifcplx") {
        open_block(is_defined("KJ_COMPLEX"));
    } else if (name == "ifreal") {
        open_block(!is_defined("KJ_COMPLEX"));
    } else if (name == "_ifdllcall") {
        open_block(true);
    } else {
        return false;
    }
    return true;
}

}  // namespace

bool skipping() { return !live(); }

int run_directive() {
    ScanState& s = scan_state();
    std::string name = read_name();
    if (s.fold_case)
        for (char& ch : name) ch = static_cast<char>(to_lower(static_cast<unsigned char>(ch)));
    if (name == "include") {
        run_include();
    } else if (name == "import") {
        return run_import();
    } else if (name == "define") {
        run_define(name, s.gauss);
    } else if (name == "definecs") {
        run_define(name, false);
    } else if (name == "undef") {
        std::string operand = read_operand(name);
        if (live() && !operand.empty()) undefine(operand.c_str());
    } else if (name == "ifdef" || name == "ifndef") {
        std::string operand = read_operand(name);
        bool defined = !operand.empty() && is_defined(operand.c_str());
        open_block(name == "ifdef" ? defined : !defined);
    } else if (name == "else") {
        else_block();
    } else if (name == "endif") {
        end_block();
    } else if (name == "pragma") {
        if (live()) return T_Pragma;
    } else if (!(s.gauss && run_gauss_directive(name))) {
        // Unknown directives in skipped text are dropped with the text.
        if (live()) scan_error(S_BadDirective, name.c_str());
    }
    return 0;
}

void end_of_main_source() {
    ScanState& s = scan_state();
    if (s.cond_depth > 0) scan_error(S_IfNotClosed);
    s.cond_depth = s.skip_level = 0;
}

namespace {
void fresh_preprocessor() {
    Parser& p = parser();
    p.scan = ScanState{};
    p.session.defines = DefineTable{};
    p.session.base_path_set = false;
    p.session.base_path.clear();
    p.session.import_hook = nullptr;
}
}  // namespace

bool create_preprocessor() {
    fresh_preprocessor();
    return true;
}

void destroy_preprocessor() {
    if (scan_state().open) close_scan();
    fresh_preprocessor();
}

void set_import_hook(ImportHook hook) { session().import_hook = hook; }

void set_source_base_path(const char* dir) {
    Session& s = session();
    s.base_path_set = dir != nullptr;
    s.base_path = dir ? dir : "";
}

}  // namespace kj::compiler
