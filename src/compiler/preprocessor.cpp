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

bool live(Parser& p) { return p.scan.skip_level == 0; }

// Word after blanks on the way to it (not folded, never replaced); empty
// when something else comes, which stays unread.
std::string read_name(Parser& p) {
    bool skipped;
    return read_word_from(p, skip_blanks(p, skipped));
}

// Name operand of a directive; reports "missing" with the directive.
std::string read_operand(Parser& p, const std::string& directive) {
    std::string name = read_name(p);
    if (name.empty()) scan_error(p, S_Missing, ("#" + directive).c_str());
    return name;
}

// Opens a conditional block whose condition is `holds`; a block opened in
// skipped text stays skipped whatever its condition.
void open_block(Parser& p, bool holds) {
    ScanState& s = p.scan;
    ++s.cond_depth;
    if (s.skip_level == 0 && !holds) s.skip_level = s.cond_depth;
}

void else_block(Parser& p) {
    ScanState& s = p.scan;
    if (s.cond_depth == 0) {
        scan_error(p, S_NoMatchingIf);
    } else if (s.skip_level == s.cond_depth) {
        s.skip_level = 0;
    } else if (s.skip_level == 0) {
        s.skip_level = s.cond_depth;
    }
}

void end_block(Parser& p) {
    ScanState& s = p.scan;
    if (s.cond_depth == 0) {
        scan_error(p, S_NoMatchingIf);
        return;
    }
    if (s.skip_level == s.cond_depth) s.skip_level = 0;
    --s.cond_depth;
}

// "file" (quoted), <file> on one line, or in GAUSS mode an unquoted name with
// an optional ';'. False after a reported error.
bool read_include_name(Parser& p, std::string& name, bool& quoted) {
    ScanState& s = p.scan;
    bool skipped;
    int c = skip_blanks(p, skipped);
    if (c == '"') {
        bool raw = s.raw_backslash, single = s.single_line;
        s.raw_backslash = s.single_line = true;
        scan_string(p);
        s.raw_backslash = raw;
        s.single_line = single;
        name = s.text;
        quoted = true;
        return true;
    }
    if (c == '<') {
        name.clear();
        for (;;) {
            int d = read_char(p);
            if (d == '>') break;
            if (d == '\n' || d == k_end) {
                unread_char(p, d);
                scan_error(p, S_IncludeNameNotClosed, name.c_str());
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
            c = read_char(p);
        }
        if (c != ';') unread_char(p, c);
        quoted = true;
        return true;
    }
    unread_char(p, c);
    int tok = scan_raw(p);
    scan_error(p, S_Unrecognized, token_length() > 0 ? token_text() : token_name(tok));
    return false;
}

// Directory that quoted names in the current source are relative to.
std::string including_dir(Parser& p) {
    const ScanState& s = p.scan;
    if (s.include_depth >= 0) return directory_of(s.includes[s.include_depth].name);
    if (p.session.base_path_set) return p.session.base_path;
    return directory_of(s.main.name);
}

bool include_found(Parser& p, std::FILE* file, const std::string& path) {
    std::string data;
    if (!load_file(file, data)) return false;
    return push_include(p, path, std::move(data));
}

void run_include(Parser& p) {
    std::string name;
    bool quoted;
    if (!read_include_name(p, name, quoted) || !live(p)) return;
    std::string dir = including_dir(p);
    std::string path;
    std::size_t n = name.size();
    if (n > 2 && name.compare(n - 2, 2, ".h") == 0) {
        // A header: name.kjh first (silently), then name.h.
        std::string kjh = name.substr(0, n - 2) + ".kjh";
        if (std::FILE* f = find_file(kjh.c_str(), quoted, path, nullptr, dir.c_str())) {
            include_found(p, f, path);
            return;
        }
        if (std::FILE* f = find_file(name.c_str(), quoted, path, nullptr, dir.c_str()))
            include_found(p, f, path);
        else
            scan_error(p, S_HeaderNotFound, name.c_str());
        return;
    }
    if (std::FILE* f = find_file(name.c_str(), quoted, path, nullptr, dir.c_str()))
        include_found(p, f, path);
    else
        scan_error(p, S_IncludeNotFound, name.c_str());
}

// Reads a module's header once per compilation (guarded by name$h$) and hands
// the import token with the full name to the parser.
int run_import(Parser& p) {
    ScanState& s = p.scan;
    std::string name;
    bool quoted;
    if (!read_include_name(p, name, quoted) || !live(p)) return 0;
    if (!name.empty() && name.back() != '/' && name.back() != '\\') {
        std::string guard = name + "$h$";
        if (lookup_define(guard.c_str()) < 0) {
            std::string header = name;
            if (std::size_t colons = header.find("::"); colons != std::string::npos)
                header.erase(0, colons + 2);
            if (has_extension(header.c_str())) header.erase(header.rfind('.'));
            std::string dir = including_dir(p);
            std::string path;
            std::FILE* f = find_file((header + ".kjh").c_str(), quoted, path, nullptr, dir.c_str());
            if (!f) f = find_file((header + ".h").c_str(), quoted, path, nullptr, dir.c_str());
            if (!f) scan_error(p, S_ImportHeaderNotFound, name.c_str());
            define_names(guard.c_str());
            if (f && load_file(f, s.header_data)) {
                s.header_pending = true;
                s.header_path = path;
            }
        }
    }
    text_set(p, name.c_str());
    return T_Import;
}

void run_define(Parser& p, const std::string& directive, bool case_insensitive) {
    ScanState& s = p.scan;
    std::string name = read_operand(p, directive);
    if (!s.gauss) {
        // Kj: no replacement text; the rest of the line is ordinary tokens.
        if (live(p) && !name.empty()) define_names(name.c_str());
        return;
    }
    std::string text = read_rest_of_line();
    std::size_t first = text.find_first_not_of(" \t");
    text.erase(0, first == std::string::npos ? text.size() : first);
    if (live(p) && !name.empty())
        define_names(name.c_str(), case_insensitive, text.empty() ? nullptr : text.c_str());
}

// GAUSS directives without effect: an optional (argument) and ';' follow.
void skip_ignored_arguments(Parser& p) {
    bool skipped;
    int c = skip_blanks(p, skipped);
    if (c == '(') {
        while ((c = read_char(p)) != ')' && c != '\n' && c != k_end) {}
        if (c != ')') unread_char(p, c);
        c = skip_blanks(p, skipped);
    }
    if (c != ';') unread_char(p, c);
}

// The GAUSS-only directives; false when name is none of them.
bool run_gauss_directive(Parser& p, const std::string& name) {
    if (name == "lineson" || name == "linesoff" || name == "srcfile" || name == "srcline") {
        skip_ignored_arguments(p);
    } else if (name == "iflight") {
        open_block(p, false);
    } else if (name == "ifdos" || name == "ifos2win") {
        open_block(p, is_defined("KJ_Windows"));
    } else if (name == "ifunix") {
        open_block(p, !is_defined("KJ_Windows"));
    } else if (name == "ifcplx") {
        open_block(p, is_defined("KJ_COMPLEX"));
    } else if (name == "ifreal") {
        open_block(p, !is_defined("KJ_COMPLEX"));
    } else if (name == "_ifdllcall") {
        open_block(p, true);
    } else {
        return false;
    }
    return true;
}

}  // namespace

bool skipping(Parser& p) { return !live(p); }

int run_directive(Parser& p) {
    ScanState& s = p.scan;
    std::string name = read_name(p);
    if (s.fold_case)
        for (char& ch : name) ch = static_cast<char>(to_lower(static_cast<unsigned char>(ch)));
    if (name == "include") {
        run_include(p);
    } else if (name == "import") {
        return run_import(p);
    } else if (name == "define") {
        run_define(p, name, s.gauss);
    } else if (name == "definecs") {
        run_define(p, name, false);
    } else if (name == "undef") {
        std::string operand = read_operand(p, name);
        if (live(p) && !operand.empty()) undefine(operand.c_str());
    } else if (name == "ifdef" || name == "ifndef") {
        std::string operand = read_operand(p, name);
        bool defined = !operand.empty() && is_defined(operand.c_str());
        open_block(p, name == "ifdef" ? defined : !defined);
    } else if (name == "else") {
        else_block(p);
    } else if (name == "endif") {
        end_block(p);
    } else if (name == "pragma") {
        if (live(p)) return T_Pragma;
    } else if (!(s.gauss && run_gauss_directive(p, name))) {
        // Unknown directives in skipped text are dropped with the text.
        if (live(p)) scan_error(p, S_BadDirective, name.c_str());
    }
    return 0;
}

void end_of_main_source(Parser& p) {
    ScanState& s = p.scan;
    if (s.cond_depth > 0) scan_error(p, S_IfNotClosed);
    s.cond_depth = s.skip_level = 0;
}

namespace {
void fresh_preprocessor(Parser& p) {
    p.scan = ScanState{};
    p.session.defines = DefineTable{};
    p.session.base_path_set = false;
    p.session.base_path.clear();
}
}  // namespace

bool create_preprocessor() {
    Parser& p = parser();
    fresh_preprocessor(p);
    return true;
}

void destroy_preprocessor() {
    Parser& p = parser();
    if (p.scan.open) close_scan();
    fresh_preprocessor(p);
}


void set_source_base_path(const char* dir) {
    Session& s = parser().session;
    s.base_path_set = dir != nullptr;
    s.base_path = dir ? dir : "";
}

}  // namespace kj::compiler
