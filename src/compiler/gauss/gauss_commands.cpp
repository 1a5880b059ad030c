// The command table of the GAUSS dialect: words that start a statement and
// take the rest of it in their own syntax (format /rd 10,4; load x = file;
// library mylib; ...), compiled as calls of gauss:: support functions; and
// the library catalogs (kjgauss/lib/NAME.lcg) that the library command reads.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "compiler/gauss/gauss.h"
#include "compiler/parser.h"
#include "compiler/scanner.h"
#include "link/imports.h"
#include "link/literals.h"
#include "link/symbols.h"
#include "runtime/include_path.h"

namespace kj::compiler {

namespace {

struct Command {
    const char* word;
    int code;
};

// Sorted by word.
constexpr Command k_commands[] = {
    {"clear", 1},    {"clearg", 2},   {"closeall", 3}, {"create", 4},   {"datalist", 5}, {"debug", 6},
    {"delete", 7},   {"disable", 8},  {"dlibrary", 9}, {"dllcall", 10}, {"ed", 12},      {"edit", 13},
    {"enable", 14},  {"format", 16},  {"graph", 17},   {"lib", 18},     {"library", 19}, {"load", 20},
    {"loadf", 23},   {"loadk", 24},   {"loadm", 21},   {"loadp", 25},   {"loads", 22},   {"msym", 26},
    {"ndpclex", 27}, {"open", 28},    {"output", 29},  {"outwidth", 30}, {"plot", 31},   {"plotsym", 32},
    {"prcsn", 33},   {"print", 34},   {"rndseed", 36}, {"run", 37},     {"save", 38},    {"saveall", 39},
    {"system", 41},  {"trace", 42},   {"trap", 43},    {"use", 44},
};
static_assert(std::size(k_commands) == 40);  // with the statement keyword "new": 41

int command_code(const std::string& word) {
    const Command* end = std::end(k_commands);
    const Command* it = std::lower_bound(std::begin(k_commands), end, word,
                                         [](const Command& c, const std::string& w) { return w.compare(c.word) > 0; });
    return it != end && word == it->word ? it->code : 0;
}

std::string trim(const std::string& s) {
    const std::size_t a = s.find_first_not_of(" \t\r\n");
    if (a == std::string::npos) return "";
    return s.substr(a, s.find_last_not_of(" \t\r\n") - a + 1);
}

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::vector<std::string> split(const std::string& s, const char* seps) {
    std::vector<std::string> out;
    std::string part;
    for (char c : s) {
        if (std::strchr(seps, c)) {
            if (!trim(part).empty()) out.push_back(trim(part));
            part.clear();
        } else {
            part += c;
        }
    }
    if (!trim(part).empty()) out.push_back(trim(part));
    return out;
}

// The rest of the statement as raw text; the ";" becomes the current token.
std::string raw_statement(Parser& p) {
    std::string text = read_raw_until(";");
    advance(p);
    return trim(text);
}

void finish(Parser& p) {
    if (!accept(p, T_G_SemiSemi)) expect(p, T_Semicolon);
    statement_end_marker(p);
}

void push_string(Parser& p, const std::string& s) {
    gen(p, Op::Psh, 0);
    gen(p, Op::Lit, link::add_string_literal(s));
}

// gauss::f(strings...) as a statement.
void call_with_strings(Parser& p, const char* f, std::initializer_list<std::string> args) {
    gen(p, Op::Psh, 0);
    gen(p, Op::Lod, gauss_function_symbol(p, f));
    for (const std::string& a : args) push_string(p, a);
    gen(p, Op::Cal, static_cast<int>(args.size()));
    gen(p, Op::Pop, 0);
}

// A global or local variable by its (folded) name, for stores.
void store_variable(Parser& p, const std::string& name) {
    if (const Local* l = find_local(p, name)) {
        gen(p, l->arg ? Op::Sap : Op::Sbp, l->slot);
        return;
    }
    const std::string full = gauss_name(name);
    int k = link::find_symbol(full);
    if (k >= 0 && take_gauss_implicit_function(p, k)) {
        value::release(link::symbol_at(k).val);
        link::symbol_at(k).val = value::make_int(0);
        link::symbol_at(k).val.type |= KJ_FLAG_GLOBAL;
    }
    if (k < 0) {
        value::Value v = value::make_int(0);
        v.type |= KJ_FLAG_GLOBAL;
        k = link::add_symbol(full, v);
    }
    if (k >= 0) gen(p, Op::Sto, k);
}

void load_variable(Parser& p, const std::string& name) {
    Expr e;
    if (const Local* l = find_local(p, name)) {
        gen(p, l->arg ? Op::Lap : Op::Lbp, l->slot);
        return;
    }
    gauss_global_name(p, name, e);
    load(p, e);
}

// A file name of a command: the text, or the value of the variable after "^".
void push_file_name(Parser& p, const std::string& text) {
    if (!text.empty() && text[0] == '^') {
        gen(p, Op::Psh, 0);
        load_variable(p, lower(text.substr(1)));
    } else {
        push_string(p, text);
    }
}

// format [/options] [width [, precision]] ;
void format_command(Parser& p) {
    advance(p);
    std::string options;
    while (tok(p) == T_Slash) {
        advance(p);
        options += "/" + cur(p).text;
        advance(p);
    }
    gen(p, Op::Psh, 0);
    gen(p, Op::Lod, gauss_function_symbol(p, "gauss::format"));
    push_string(p, options);
    gen(p, Op::Psh, 0);
    if (tok(p) == T_Semicolon) gen(p, Op::Lti, -1);
    else expression_value(p);
    gen(p, Op::Psh, 0);
    if (accept(p, T_Comma)) expression_value(p);
    else gen(p, Op::Lti, -1);
    gen(p, Op::Cal, 3);
    gen(p, Op::Pop, 0);
    finish(p);
}

// word expression ;  as gauss::word(expression)
void one_argument_command(Parser& p, const std::string& word) {
    advance(p);
    gen(p, Op::Psh, 0);
    gen(p, Op::Lod, gauss_function_symbol(p, gauss_name(word)));
    gen(p, Op::Psh, 0);
    expression_value(p);
    gen(p, Op::Cal, 1);
    gen(p, Op::Pop, 0);
    finish(p);
}

// load [path = dir] x [= file], ... ;   x = gauss::loadm(file)
void load_command(Parser& p, const std::string& text) {
    std::string dir;
    for (const std::string& item : split(text, ",")) {
        std::string name = item, file;
        const std::size_t eq = item.find('=');
        if (eq != std::string::npos) {
            name = trim(item.substr(0, eq));
            file = trim(item.substr(eq + 1));
        }
        name = lower(name);
        if (name == "path") {
            dir = file;
            if (!dir.empty() && dir.back() != '/') dir += '/';
            continue;
        }
        gen(p, Op::Psh, 0);
        gen(p, Op::Lod, gauss_function_symbol(p, "gauss::loadm"));
        push_file_name(p, !file.empty() && file[0] == '^' ? file : dir + (file.empty() ? name : file));
        gen(p, Op::Cal, 1);
        store_variable(p, name);
        gen(p, Op::Pop, 0);
    }
}

// save [path = dir] [file =] x, ... ;   gauss::save(file, x)
void save_command(Parser& p, const std::string& text) {
    std::string dir;
    for (const std::string& item : split(text, ",")) {
        std::string name = item, file;
        const std::size_t eq = item.find('=');
        if (eq != std::string::npos) {
            file = trim(item.substr(0, eq));
            name = trim(item.substr(eq + 1));
        }
        name = lower(name);
        if (lower(file) == "path") {
            dir = name;
            if (!dir.empty() && dir.back() != '/') dir += '/';
            continue;
        }
        gen(p, Op::Psh, 0);
        gen(p, Op::Lod, gauss_function_symbol(p, "gauss::save"));
        push_file_name(p, !file.empty() && file[0] == '^' ? file : dir + (file.empty() ? name : file));
        gen(p, Op::Psh, 0);
        load_variable(p, name);
        gen(p, Op::Cal, 2);
        gen(p, Op::Pop, 0);
    }
}

// output [file = name] [on | off | reset] ;
void output_command(Parser& p, const std::string& text) {
    std::string file, mode;
    bool want_file = false;
    for (const std::string& w : split(text, " \t=")) {
        if (lower(w) == "file") want_file = true;
        else if (want_file) file.assign(w), want_file = false;
        else mode.assign(lower(w));
    }
    gen(p, Op::Psh, 0);
    gen(p, Op::Lod, gauss_function_symbol(p, "gauss::output"));
    push_file_name(p, file);
    push_string(p, mode);
    gen(p, Op::Cal, 2);
    gen(p, Op::Pop, 0);
}

// open fh = file [for read | append | update] [varindx[i] [offset]] ;
//   fh = gauss::open(file, mode)
// create [flags] fh = file with names, columns, type [, types] ;
// create [flags] fh = file using commandfile ;
//   fh = gauss::create(file, names, columns, type) ("using" instead of the
//   names: the command file, not read in this version)
void data_set_command(Parser& p, bool create, const std::string& text) {
    const std::size_t eq = text.find('=');
    const std::vector<std::string> left = split(text.substr(0, eq), " \t");
    if (eq == std::string::npos || left.empty()) {
        report(p, D_Expected, "=", tok(p));
        return;
    }
    const std::vector<std::string> right = split(text.substr(eq + 1), " \t");
    std::vector<std::string> args = {right.empty() ? std::string() : right[0]};
    if (!create) {
        std::string mode = "read";
        for (std::size_t i = 1; i + 1 < right.size(); ++i)
            if (lower(right[i]) == "for") mode = lower(right[i + 1]);
        args.push_back(mode);
    } else {
        const std::size_t with = lower(text).find(" with ", eq), with_using = lower(text).find(" using ", eq);
        if (with != std::string::npos) {
            for (const std::string& item : split(text.substr(with + 6), ",")) args.push_back(item);
        } else if (with_using != std::string::npos) {
            args.push_back("using");
            args.push_back(trim(text.substr(with_using + 7)));
        }
        args.resize(4, "0");
    }
    gen(p, Op::Psh, 0);
    gen(p, Op::Lod, gauss_function_symbol(p, create ? "gauss::create" : "gauss::open"));
    for (const std::string& a : args) push_file_name(p, a);
    gen(p, Op::Cal, static_cast<int>(args.size()));
    store_variable(p, lower(left.back()));
    gen(p, Op::Pop, 0);
}

// dllcall [-flags] f(arguments) ;
void dllcall_command(Parser& p) {
    advance(p);
    std::string flags;
    while (tok(p) == T_Minus) {
        advance(p);
        flags += "-" + cur(p).text;
        advance(p);
    }
    const std::string name = cur(p).text;
    expect(p, T_Identifier);
    gen(p, Op::Psh, 0);
    gen(p, Op::Lod, gauss_function_symbol(p, "gauss::dllcall"));
    push_string(p, flags);
    push_string(p, name);
    int n = 2;
    if (accept(p, T_LParen)) {
        while (tok(p) != T_RParen && tok(p) != T_Eof) {
            gen(p, Op::Psh, 0);
            expression_value(p);
            ++n;
            if (!accept(p, T_Comma)) break;
        }
        expect(p, T_RParen);
    }
    gen(p, Op::Cal, n);
    gen(p, Op::Pop, 0);
    finish(p);
}

// clear x, y ;  each becomes 0
void clear_command(Parser& p) {
    advance(p);
    while (tok(p) == T_Identifier) {
        const std::string name = cur(p).text;
        advance(p);
        gen(p, Op::Psh, 0);
        gen(p, Op::Lti, 0);
        store_variable(p, name);
        gen(p, Op::Pop, 0);
        if (!accept(p, T_Comma)) break;
    }
    finish(p);
}

}  // namespace

bool gauss_command(Parser& p, const std::string& word) {
    const int code = command_code(word);
    if (code == 0 || peek_char_after_blanks() == '=') return false;
    switch (code) {
        case 16: format_command(p); return true;
        case 30:
        case 36:
        case 43: one_argument_command(p, word); return true;
        case 10: dllcall_command(p); return true;
        case 1:
        case 2: clear_command(p); return true;
        case 41: return false;  // system: ends the program like end
        default: break;
    }
    const std::string text = raw_statement(p);
    switch (code) {
        case 20: case 21: case 22: case 23: case 24: case 25: load_command(p, text); break;
        case 38: save_command(p, text); break;
        case 19: gauss_library_catalogs(p, text); break;
        case 29: output_command(p, text); break;
        case 28: data_set_command(p, false, text); break;
        case 4: data_set_command(p, true, text); break;
        case 3:
            if (text.empty()) call_with_strings(p, "gauss::closeall", {text});
            for (const std::string& name : split(text, ", \t")) {
                // closeall f1, f2: each named file through close.
                gen(p, Op::Psh, 0);
                gen(p, Op::Lod, gauss_function_symbol(p, "gauss::close"));
                gen(p, Op::Psh, 0);
                load_variable(p, lower(name));
                gen(p, Op::Cal, 1);
                gen(p, Op::Pop, 0);
            }
            break;
        case 9: {
            std::string flags, names;
            for (const std::string& w : split(text, " \t,")) {
                if (w[0] == '-') {
                    flags.append(w);
                } else {
                    if (!names.empty()) names.push_back(' ');
                    names.append(w);
                }
            }
            call_with_strings(p, "gauss::dlibrary", {flags, names});
            break;
        }
        case 14: case 8: case 42: case 27: case 33: case 6: break;  // accepted, no effect here
        default: call_with_strings(p, "gauss::__command__", {word, text}); break;
    }
    finish(p);
    return true;
}

void gauss_library_catalogs(Parser& p, const std::string& names) {
    const std::string dir = runtime::directory_of(current_file());
    const std::string previous = link::set_import_unit_directory(dir);
    for (const std::string& name : split(names, ", \t")) {
        if (lower(name) == "gauss") continue;
        std::string tried;
        const std::string catalog = "kjgauss/lib/" + name;
        std::FILE* f = runtime::find_file(catalog.c_str(), true, tried, ".lcg", dir.c_str());
        if (!f) {
            report(p, D_FileNotFound, name);
            continue;
        }
        char buf[1024];
        while (std::fgets(buf, sizeof buf, f)) {
            std::string line(buf);
            while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
            if (line.size() < 2 || line.rfind("/*", 0) == 0 || line[0] == '*') continue;
            if (line[0] != ' ' && line[0] != '\t') {
                std::string src = trim(line);
                const bool absolute = src[0] == '/' || (src.size() > 1 && src[1] == ':');
                if (!absolute) src = "kjgauss/src/" + src;
                link::register_import(src, false, true);
                continue;
            }
            for (const std::string& sym : split(line, " \t,")) {
                const std::size_t colon = sym.find(':');
                const std::string sname = lower(trim(sym.substr(0, colon)));
                const std::string type = colon == std::string::npos ? "" : lower(trim(sym.substr(colon + 1)));
                const std::string full = gauss_name(sname);
                if (type == "matrix" || type == "string") {
                    if (link::find_symbol(full) < 0) {
                        value::Value v = value::make_int(0);
                        v.type |= KJ_FLAG_GLOBAL | value::k_extern;
                        link::add_symbol(full, v);
                    }
                    continue;
                }
                if (type == "keyword") add_gauss_keyword(p, sname);
                gauss_function_symbol(p, full);
                add_gauss_catalog_name(p, full);
            }
        }
        std::fclose(f);
    }
    link::set_import_unit_directory(previous);
}

}  // namespace kj::compiler
