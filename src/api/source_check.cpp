// KjCheckSource: a source text compiled without linking or running it, for
// editors. The compiler tells what it meets through its observer
// (compiler/compile_observer.h); this file turns that into places in the
// source (file, line, column and length) and hands them to the host.
#include <cctype>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <string_view>

#include <kj80x.h>

#include "api/debug_session.h"
#include "compiler/compile_observer.h"
#include "compiler/compiler.h"
#include "compiler/diagnostics.h"
#include "compiler/gauss/gauss.h"
#include "compiler/parser.h"
#include "compiler/preprocessor.h"
#include "compiler/scanner.h"
#include "compiler/scanner_messages.h"
#include "compiler/token_names.h"
#include "data/printable_text.h"
#include "link/compiler_tables.h"
#include "link/symbols.h"
#include "runtime/fatal_error.h"
#include "runtime/host.h"
#include "value/value.h"

namespace kj::api {
namespace {

struct Check {
    std::string main_name;
    std::string_view main_text;
    std::map<std::string, std::string> files;  // included files, read when a place in them is wanted
    KjCheckMessageFn message = nullptr;
    KjCheckDeclarationFn declaration = nullptr;
    void* data = nullptr;
    int errors = 0;
};
Check* g_check = nullptr;

// Line `line` (from 1) of a file, without its line end.
std::string_view source_line(const std::string& file, int line) {
    std::string_view text = g_check->main_text;
    if (file != g_check->main_name) {
        auto [it, added] = g_check->files.try_emplace(file);
        if (added) {
            std::ifstream in(file, std::ios::binary);
            it->second.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
        text = it->second;
    }
    std::size_t start = 0;
    for (int n = 1; n < line && start != std::string_view::npos; ++n) {
        start = text.find('\n', start);
        if (start != std::string_view::npos) ++start;
    }
    if (line < 1 || start == std::string_view::npos || start > text.size()) return {};
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    if (end > start && text[end - 1] == '\r') --end;
    return text.substr(start, end - start);
}

bool word_char(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

// The first occurrence of what on the line, as a whole word when it is one;
// -1 when there is none.
int find_on_line(std::string_view line, std::string_view what) {
    if (what.empty()) return -1;
    const bool word = word_char(what.front()) && word_char(what.back());
    for (std::size_t at = line.find(what); at != std::string_view::npos; at = line.find(what, at + 1)) {
        const std::size_t end = at + what.size();
        if (!word || ((at == 0 || !word_char(line[at - 1])) && (end >= line.size() || !word_char(line[end]))))
            return static_cast<int>(at);
    }
    return -1;
}

// A qualified name is found by its last part ("f" of "ns::f", as in "ns::f(" or in "C::f" written inside the class).
std::string_view last_part(std::string_view name) {
    const std::size_t colons = name.rfind("::");
    return colons == std::string_view::npos ? name : name.substr(colons + 2);
}

struct Place {
    int column = -1;
    int length = 0;
};

Place place_of(std::string_view line, std::string_view what) {
    int column = find_on_line(line, what);
    if (column < 0 && what != last_part(what)) {
        what = last_part(what);
        column = find_on_line(line, what);
    }
    if (column < 0) return {};
    return {column, static_cast<int>(what.size())};
}

// What the parser was looking at: a word's or literal's text, else the
// token's spelling.
std::string token_spelling(int token) {
    const compiler::Token& t = compiler::cur(compiler::parser());
    if (t.tok == token && !t.text.empty()) return t.text;
    const std::string name = compiler::token_name(token);
    return name.starts_with("<") ? std::string() : name;
}

void on_message(bool scanner, int line, int code, const std::string& text, int found_token) {
    Check& c = *g_check;
    int kind = KJ_CHECK_ERROR;
    std::string message = text.empty() ? std::string() : "'" + data::printable_text(text) + "' ";
    std::string located = text;
    if (scanner) {
        if (!compiler::scan_message_counts(code)) kind = KJ_CHECK_WARNING;
        message += compiler::scan_message_text(code);
    } else {
        const runtime::MessageKind k = compiler::diagnostic_kind(code);
        if (k == runtime::MessageKind::Remark) return;
        if (k == runtime::MessageKind::Warning) kind = KJ_CHECK_WARNING;
        message += compiler::diagnostic_text(code);
        if (code == compiler::D_Expected) {
            message += std::string("'") + compiler::token_name(found_token) + "'";
            located = token_spelling(found_token);
        }
    }
    if (kind == KJ_CHECK_ERROR) ++c.errors;
    if (!c.message) return;
    const Place p = line > 0 ? place_of(source_line(compiler::current_file(), line), located) : Place{};
    c.message(c.data, compiler::current_file(), line, p.column, p.length, kind, message.c_str());
}

void on_declaration(const std::string& name, compiler::DeclKind kind, const std::string& file, int line, bool defined) {
    Check& c = *g_check;
    if (!c.declaration) return;
    int code = KJ_DECL_FUNCTION;
    switch (kind) {
        case compiler::DeclKind::Function:
            // "C::f" defined outside its class.
            if (name.find("::") != std::string::npos) {
                const value::Value* owner = nullptr;
                const int k = link::find_symbol(name.substr(0, name.rfind("::")));
                if (k >= 0) owner = &link::symbol_at(k).val;
                if (owner && value::type_of(*owner) == value::T_Class) code = KJ_DECL_MEMBER_FUNCTION;
            }
            break;
        case compiler::DeclKind::Class: code = KJ_DECL_CLASS; break;
        case compiler::DeclKind::Variable: code = KJ_DECL_VARIABLE; break;
        case compiler::DeclKind::Constant: code = KJ_DECL_CONSTANT; break;
        case compiler::DeclKind::DataMember: code = KJ_DECL_DATA_MEMBER; break;
        case compiler::DeclKind::MemberFunction: code = KJ_DECL_MEMBER_FUNCTION; break;
    }
    const Place p = place_of(source_line(file, line), last_part(name));
    c.declaration(c.data, name.c_str(), code, defined ? 1 : 0, file.c_str(), line, p.column, p.length);
}

// As the driver decides: the GAUSS extensions, or the flag for any name but a ".kj" one.
bool gauss_source(std::string_view name, bool flag) {
    auto ends = [&](std::string_view ext) {
        if (name.size() < ext.size()) return false;
        for (std::size_t i = 0; i < ext.size(); ++i)
            if (std::tolower(static_cast<unsigned char>(name[name.size() - ext.size() + i])) != ext[i]) return false;
        return true;
    };
    return ends(".g") || ends(".src") || ends(".kjgauss") || (flag && !ends(".kj"));
}

// Observing stops however the compilation ends.
struct Observing {
    explicit Observing(Check& c) {
        g_check = &c;
        compiler::set_compile_observer({on_message, on_declaration});
    }
    ~Observing() {
        compiler::set_compile_observer({});
        g_check = nullptr;
    }
};

int check_source(Check& c, bool gauss) {
    link::reset_compiler_tables();
    compiler::reset_compiler_state();
    // Each check starts from the defines of the platform alone.
    compiler::remove_defines_from(0);
    compiler::define_platform_symbols();
    // The GAUSS support code is not the host's source: its messages are not observed.
    if (gauss && !compiler::compile_gauss_support(false)) return -1;
    Observing observing(c);
    try {
        compiler::open_source_text(c.main_name.c_str(), c.main_text);
        if (gauss) compiler::set_dialect(compiler::Dialect::Gauss);
        compiler::compile_unit();
    } catch (const runtime::FatalError&) {
        // Too many errors, or a table full: what was found so far stands.
    }
    compiler::close_scan();
    return c.errors;
}

}  // namespace
}  // namespace kj::api

extern "C" int KjCheckSource(const char* name, const char* text, int gauss, KjCheckMessageFn message,
                             KjCheckDeclarationFn declaration, void* data) {
    if (!name || !text || !kj::runtime::state().initialised || kj::api::hosted_session_open()) return -1;
    try {
        kj::api::Check c;
        c.main_name = name;
        c.main_text = text;
        c.message = message;
        c.declaration = declaration;
        c.data = data;
        return kj::api::check_source(c, kj::api::gauss_source(name, gauss != 0));
    } catch (...) {
        kj::compiler::close_scan();
        return -1;
    }
}
