#include "support/assembler.h"

#include <cstdlib>
#include <map>
#include <sstream>
#include <vector>

#include "link/operator_codes.h"
#include "link/code_image.h"
#include "link/literals.h"
#include "link/symbols.h"

namespace kj::link {

namespace {
using value::Value;

struct AsmError {
    std::string text;
};

[[noreturn]] void fail(const std::string& text) { throw AsmError{text}; }

std::string trim(std::string_view s) {
    const auto b = s.find_first_not_of(" \t\r");
    if (b == std::string_view::npos) return {};
    const auto e = s.find_last_not_of(" \t\r");
    return std::string(s.substr(b, e - b + 1));
}

// Drops a ';' comment that is not inside a quoted string.
std::string strip_comment(std::string_view line) {
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '"') quoted = !quoted;
        if (line[i] == ';' && !quoted) return trim(line.substr(0, i));
    }
    return trim(line);
}

bool parse_int(const std::string& s, int32_t& out) {
    if (s.empty()) return false;
    char* end = nullptr;
    const long v = std::strtol(s.c_str(), &end, 10);
    if (*end != '\0') return false;
    out = static_cast<int32_t>(v);
    return true;
}

bool is_quoted(const std::string& s) { return s.size() >= 2 && s.front() == '"' && s.back() == '"'; }

// A constant: int, double (with '.', 'e' or "nan"/"inf") or quoted string; owned payload.
Value parse_constant(const std::string& s) {
    if (is_quoted(s)) {
        Value v{};
        value::set_string(v, s.substr(1, s.size() - 2));
        return v;
    }
    int32_t i;
    if (parse_int(s, i)) return value::make_int(i);
    char* end = nullptr;
    const double d = std::strtod(s.c_str(), &end);
    if (s.empty() || *end != '\0') fail("bad constant '" + s + "'");
    return value::make_double(d);
}

int operator_code(const std::string& s) {
    using namespace kj::link;
    static const std::map<std::string, int> ops = {
        {"+", T_Plus}, {"-", T_Minus}, {"*", T_Star}, {"/", T_Slash}, {"%", T_Percent},
        {"<", T_Lt}, {"<=", T_Le}, {">", T_Gt}, {">=", T_Ge}, {"==", T_Eq}, {"!=", T_Ne},
        {"neg", T_UnaryMinus}, {"++", T_PlusPlus}, {"--", T_MinusMinus}, {"~", T_Tilde},
        {"|", T_Bar}, {".*", T_DotStar}, {"./", T_DotSlash}, {"!", T_Not}};
    const auto it = ops.find(s);
    if (it != ops.end()) return it->second;
    int32_t code;
    if (!parse_int(s, code)) fail("unknown operator '" + s + "'");
    return code;
}

struct Param {
    std::string name;
    bool is_const = false;
    bool has_default = false;
    Value def{};
};

struct Signature {
    std::string name;
    std::vector<Param> params;
    bool varargs = false;
    std::string rest;  // text after the closing parenthesis
};

Signature parse_signature(const std::string& text) {
    Signature sig;
    const auto open = text.find('('), close = text.rfind(')');
    if (open == std::string::npos || close == std::string::npos || close < open) fail("expected NAME(PARAMS)");
    sig.name = trim(text.substr(0, open));
    sig.rest = trim(text.substr(close + 1));
    std::stringstream list(text.substr(open + 1, close - open - 1));
    for (std::string item; std::getline(list, item, ',');) {
        item = trim(item);
        if (item.empty()) continue;
        if (item == "...") {
            sig.varargs = true;
            continue;
        }
        Param p;
        if (item.rfind("const ", 0) == 0) {
            p.is_const = true;
            item = trim(item.substr(6));
        }
        const auto eq = item.find('=');
        p.name = trim(item.substr(0, eq));
        if (eq != std::string::npos) {
            p.has_default = true;
            p.def = parse_constant(trim(item.substr(eq + 1)));
        }
        sig.params.push_back(p);
    }
    return sig;
}

// Defines or replaces the symbol `name` with value v.
void define_symbol(const std::string& name, const Value& v) {
    const int k = find_symbol(name);
    if (k >= 0) {
        value::release(symbol_at(k).val);
        symbol_at(k).val = v;
    } else if (add_symbol(name, v) < 0) {
        fail("symbol table full");
    }
}

value::FuncInfo* make_info(const Signature& sig, int file_literal) {
    std::string descriptor;
    for (const Param& p : sig.params) descriptor += p.is_const ? 'c' : ' ';
    descriptor += '$';
    descriptor += sig.name;
    value::FuncInfo* info = new_function_info(descriptor, file_literal, true);
    for (std::size_t i = 0; i < sig.params.size(); ++i)
        set_parameter(*info, static_cast<int>(i), sig.params[i].name,
                      sig.params[i].has_default ? sig.params[i].def : value::make_null());
    return info;
}

class Assembler {
public:
    void line(const std::string& text) {
        std::istringstream in(text);
        std::string word;
        in >> word;
        std::string rest;
        std::getline(in, rest);
        rest = trim(rest);
        if (word == "global") return global(rest);
        if (word == "extern") return declare(rest);
        if (word == "function") return begin_function(rest);
        if (word == "end") return end_function();
        if (!m_in_function) fail("instruction outside a function");
        if (word.back() == ':' && rest.empty()) {
            m_labels[word.substr(0, word.size() - 1)] = code_size();
            return;
        }
        instruction(word, rest);
    }

    void finish() {
        if (m_in_function) fail("missing end");
        for (const auto& [at, name] : m_symbol_fixups) {
            const int k = find_symbol(name);
            if (k < 0) fail("undefined symbol '" + name + "'");
            code_at(at).operand = k;
        }
    }

private:
    void global(const std::string& rest) {
        const auto eq = rest.find('=');
        const std::string name = trim(rest.substr(0, eq));
        Value v = eq == std::string::npos ? value::make_int(0) : parse_constant(trim(rest.substr(eq + 1)));
        define_symbol(name, v);
    }

    void declare(const std::string& rest) {
        const Signature sig = parse_signature(rest);
        Value f = make_function(0, make_info(sig, 0), sig.varargs);
        f.type |= value::k_extern;
        if (find_symbol(sig.name) < 0) define_symbol(sig.name, f);
    }

    void begin_function(const std::string& rest) {
        if (m_in_function) fail("nested function");
        const Signature sig = parse_signature(rest);
        std::string file = "test.kj";
        if (!sig.rest.empty()) {
            std::istringstream r(sig.rest);
            std::string kw, name;
            r >> kw >> name;
            if (kw != "file" || !is_quoted(name)) fail("expected: file \"name\"");
            file = name.substr(1, name.size() - 2);
        }
        int lit = find_string_literal(file);
        if (lit < 1) lit = add_string_literal(file);
        const int entry = emit(Op::Elf, lit);
        define_symbol(sig.name, make_function(entry, make_info(sig, lit), sig.varargs));
        m_in_function = true;
        m_labels.clear();
        m_label_fixups.clear();
    }

    void end_function() {
        if (!m_in_function) fail("end outside a function");
        for (const auto& [at, name] : m_label_fixups) {
            const auto it = m_labels.find(name);
            if (it == m_labels.end()) fail("undefined label '" + name + "'");
            Instr& in = code_at(at);
            in.operand = in.op == static_cast<int32_t>(Op::Lip) ? it->second - at : it->second;
        }
        m_in_function = false;
    }

    void instruction(const std::string& word, const std::string& operand) {
        const int32_t op = opcode_of(word.c_str());
        if (op < 0) fail("unknown mnemonic '" + word + "'");
        int32_t value = 0;
        const int at = code_size();
        switch (static_cast<Op>(op)) {
            case Op::Jmp:
            case Op::Jmf:
            case Op::Jmt:
            case Op::Lip:
                if (!parse_int(operand, value)) m_label_fixups.emplace_back(at, operand);
                break;
            case Op::Lod:
            case Op::Sto:
            case Op::New:
                if (!parse_int(operand, value)) m_symbol_fixups.emplace_back(at, operand);
                break;
            case Op::Lit: {
                Value v = parse_constant(operand);
                value = add_literal(v);
                break;
            }
            case Op::Opr: value = operator_code(operand); break;
            default:
                if (!operand.empty() && !parse_int(operand, value)) fail("bad operand '" + operand + "'");
                break;
        }
        if (emit_raw(op, value) < 0) fail("code buffer full");
    }

    bool m_in_function = false;
    std::map<std::string, int> m_labels;
    std::vector<std::pair<int, std::string>> m_label_fixups;
    std::vector<std::pair<int, std::string>> m_symbol_fixups;
};
}  // namespace

AssemblyResult assemble(std::string_view source) {
    Assembler a;
    std::istringstream in{std::string(source)};
    int number = 0;
    try {
        for (std::string raw; std::getline(in, raw);) {
            ++number;
            const std::string text = strip_comment(raw);
            if (!text.empty()) a.line(text);
        }
        number = 0;
        a.finish();
    } catch (const AsmError& e) {
        return {false, (number ? "line " + std::to_string(number) + ": " : std::string()) + e.text};
    }
    return {};
}

}  // namespace kj::link
