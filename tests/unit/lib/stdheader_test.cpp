// Agreement of the standard header include/kjstd.kjh with the library
// function table: every registered built-in (outside the gauss:: namespace,
// which the header leaves to the GAUSS front end) must be declared there with
// the same parameter count, variable-argument and serial flags, and no
// parameter the header calls const may be registered as non-const.
//
// The header is read with a small parser of its own: declarations at the top
// level only (enum blocks, const decl lines and function declarations),
// comments and preprocessor lines skipped.
#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <kj80x.h>

#include "graphics/fn_draw.h"
#include "lib/library_groups.h"
#include "link/function_table.h"
#include "support/capture.h"

namespace {

// 516 built-ins less the 71 that live in the gauss:: namespace.
constexpr int k_declared_functions = 445;

struct Declaration {
    std::string name;
    int line = 0;
    std::vector<bool> is_const;  // one per named parameter
    int required = 0;            // named parameters before the first default
    bool varargs = false;
    bool serial = false;
};

struct Token {
    std::string text;
    int line = 0;
};

struct Header {
    std::string text;
    std::vector<Declaration> functions;
    std::vector<std::string> errors;
};

std::string read_header() {
    std::ifstream in(KJ_SOURCE_DIR "/include/kjstd.kjh", std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

bool word_char(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

// Words (joined across "::"), numbers (also ".NaN"), strings, "..." and single
// punctuation characters; comments and preprocessor lines are dropped.
std::vector<Token> tokenize(const std::string& s, std::vector<std::string>& errors) {
    std::vector<Token> out;
    int line = 1;
    bool line_start = true;
    for (std::size_t i = 0; i < s.size();) {
        const char c = s[i];
        if (c == '\n') {
            ++line, ++i, line_start = true;
            continue;
        }
        if (std::isspace(static_cast<unsigned char>(c))) {
            ++i;
            continue;
        }
        if (line_start && c == '#') {
            while (i < s.size() && s[i] != '\n') ++i;
            continue;
        }
        line_start = false;
        if (s.compare(i, 2, "//") == 0) {
            while (i < s.size() && s[i] != '\n') ++i;
        } else if (s.compare(i, 2, "/*") == 0) {
            const std::size_t end = s.find("*/", i + 2);
            if (end == std::string::npos) {
                errors.push_back("unterminated comment at line " + std::to_string(line));
                break;
            }
            for (std::size_t k = i; k < end; ++k) line += s[k] == '\n';
            i = end + 2;
        } else if (s.compare(i, 3, "...") == 0) {
            out.push_back({"...", line});
            i += 3;
        } else if (c == '"') {
            std::size_t k = i + 1;
            while (k < s.size() && s[k] != '"' && s[k] != '\n') k += s[k] == '\\' ? 2 : 1;
            if (k >= s.size() || s[k] != '"') {
                errors.push_back("unterminated string at line " + std::to_string(line));
                break;
            }
            out.push_back({s.substr(i, k + 1 - i), line});
            i = k + 1;
        } else if (word_char(c) || (c == '.' && i + 1 < s.size() && word_char(s[i + 1]))) {
            std::size_t k = i;
            for (;;) {
                if (k < s.size() && (word_char(s[k]) || s[k] == '.'))
                    ++k;
                else if (s.compare(k, 2, "::") == 0)
                    k += 2;
                else
                    break;
            }
            out.push_back({s.substr(i, k - i), line});
            i = k;
        } else {
            out.push_back({std::string(1, c), line});
            ++i;
        }
    }
    return out;
}

bool identifier(const std::string& t) {
    return !t.empty() && (std::isalpha(static_cast<unsigned char>(t[0])) || t[0] == '_');
}

class Parser {
public:
    Parser(std::vector<Token> tokens, Header& h) : m_t(std::move(tokens)), m_h(h) {}

    void run() {
        while (m_i < m_t.size() && m_h.errors.empty()) declaration();
    }

private:
    const std::string& peek(std::size_t ahead = 0) const {
        static const std::string end = "<eof>";
        return m_i + ahead < m_t.size() ? m_t[m_i + ahead].text : end;
    }
    int line() const { return m_i < m_t.size() ? m_t[m_i].line : -1; }
    void fail(const std::string& what) {
        m_h.errors.push_back("line " + std::to_string(line()) + ": " + what + ", found '" + peek() + "'");
        m_i = m_t.size();
    }
    bool accept(const char* t) {
        if (peek() != t) return false;
        ++m_i;
        return true;
    }
    void expect(const char* t) {
        if (!accept(t)) fail(std::string("expected '") + t + "'");
    }
    void skip_past(const char* t) {
        while (m_i < m_t.size() && peek() != t) ++m_i;
        expect(t);
    }

    void declaration() {
        if (accept("enum")) {
            expect("{");
            skip_past("}");
            accept(";");
        } else if (accept("const")) {
            expect("decl");
            skip_past(";");
        } else if (accept("decl")) {
            skip_past(";");
        } else {
            Declaration d;
            if (accept("extern")) d.serial = accept("serial");
            d.line = line();
            d.name = peek();
            if (!identifier(d.name) || peek(1) != "(") return fail("function declaration expected");
            m_i += 2;
            parameters(d);
            expect(";");
            m_h.functions.push_back(std::move(d));
        }
    }

    void parameters(Declaration& d) {
        bool defaults = false;
        if (accept(")")) return;
        for (;;) {
            if (accept("...")) {
                d.varargs = true;
                return expect(")");
            }
            const bool is_const = accept("const");
            accept("decl");
            if (!identifier(peek())) return fail("parameter name expected");
            ++m_i;
            if (accept("=")) {
                defaults = true;
                if (peek() == "," || peek() == ")") return fail("default value expected");
                while (m_i < m_t.size() && peek() != "," && peek() != ")") ++m_i;
            } else if (defaults) {
                return fail("parameter without default after one with a default");
            } else {
                ++d.required;
            }
            d.is_const.push_back(is_const);
            if (accept(")")) return;
            expect(",");
            if (m_i >= m_t.size()) return;
        }
    }

    std::vector<Token> m_t;
    Header& m_h;
    std::size_t m_i = 0;
};

const Header& header() {
    static const Header h = [] {
        Header r;
        r.text = read_header();
        if (r.text.empty()) {
            r.errors.push_back("cannot read " KJ_SOURCE_DIR "/include/kjstd.kjh");
            return r;
        }
        std::vector<Token> tokens = tokenize(r.text, r.errors);
        Parser(std::move(tokens), r).run();
        return r;
    }();
    return h;
}

std::string where(const Declaration& d) { return d.name + " (line " + std::to_string(d.line) + ")"; }

TEST(StandardHeader, DeclaresEveryBuiltInOnce) {
    const Header& h = header();
    ASSERT_TRUE(h.errors.empty()) << h.errors.front();
    // Guarded against double inclusion: #ifndef X, #define X first, #endif last.
    const std::size_t ifndef = h.text.find("#ifndef ");
    ASSERT_NE(ifndef, std::string::npos);
    const std::string guard = h.text.substr(ifndef + 8, h.text.find('\n', ifndef) - ifndef - 8);
    EXPECT_EQ(h.text.find("#"), ifndef);
    EXPECT_NE(h.text.find("#define " + guard + "\n"), std::string::npos) << guard;
    EXPECT_EQ(h.text.rfind("#"), h.text.rfind("#endif"));

    std::set<std::string> names;
    for (const Declaration& d : h.functions) {
        EXPECT_TRUE(names.insert(d.name).second) << "declared twice: " << where(d);
        EXPECT_EQ(d.name.find("::"), std::string::npos) << where(d);
        // A registered count is the minimum: optional arguments ride on "...".
        if (d.required < static_cast<int>(d.is_const.size())) {
            EXPECT_TRUE(d.varargs) << "defaults without '...': " << where(d);
        }
    }
    EXPECT_EQ(static_cast<int>(h.functions.size()), k_declared_functions);
}

TEST(StandardHeader, AgreesWithTheLibraryTable) {
    const Header& h = header();
    ASSERT_TRUE(h.errors.empty()) << h.errors.front();
    std::map<std::string, const Declaration*> declared;
    for (const Declaration& d : h.functions) declared.emplace(d.name, &d);

    kj::test::CaptureScope scope;
    ASSERT_EQ(KjMainInit(), 1);
    int checked = 0;
    for (int i = 0; i < kj::link::function_count(); ++i) {
        const kj::link::LibEntry& e = kj::link::function_entries()[i];
        const std::string name(kj::link::entry_name(e));
        if (name.rfind("gauss::", 0) == 0) continue;
        const auto it = declared.find(name);
        if (it == declared.end()) {
            ADD_FAILURE() << "registered but not declared in kjstd.kjh: " << name << " " << e.param_count
                          << ((e.flags & kj::link::k_varargs) ? "+" : "");
            continue;
        }
        const Declaration& d = *it->second;
        ++checked;
        EXPECT_EQ(d.required, e.param_count) << "parameter count of " << where(d);
        EXPECT_EQ(d.varargs, (e.flags & kj::link::k_varargs) != 0) << "variable arguments of " << where(d);
        EXPECT_EQ(d.serial, (e.flags & kj::link::k_serial) != 0) << "serial mark of " << where(d);
        for (int k = 0; k < e.param_count && k < static_cast<int>(d.is_const.size()); ++k) {
            if (d.is_const[static_cast<std::size_t>(k)]) {
                EXPECT_EQ(e.descriptor[k], 'c') << "parameter " << k + 1 << " of " << where(d) << " is const";
            }
        }
    }
    KjMainExit();
    EXPECT_GT(checked, 0);
    RecordProperty("registered_of_declared", std::to_string(checked) + "/" + std::to_string(h.functions.size()));
}

// The rows of every group, the graphs' included, as the start of the runtime
// registers them: a second row of a name would silently replace the first,
// and every name outside gauss:: is one the header declares (and the other way
// round: a declared function without a row would fail only when linked).
TEST(StandardHeader, EveryLibraryRowHasItsOwnDeclaredName) {
    const Header& h = header();
    ASSERT_TRUE(h.errors.empty()) << h.errors.front();
    std::set<std::string> declared;
    for (const Declaration& d : h.functions) declared.insert(d.name);

    std::map<std::string, std::string> group_of;  // row name -> its group
    auto check = [&](const char* group, const char* descriptor) {
        const std::string name(kj::link::descriptor_name(descriptor));
        const auto [it, fresh] = group_of.emplace(name, group);
        EXPECT_TRUE(fresh) << name << " has a row in " << it->second << " and in " << group;
        if (name.rfind("gauss::", 0) != 0) {
            EXPECT_TRUE(declared.count(name)) << name << " (" << group << ") is not declared in kjstd.kjh";
        }
    };
    int rows = 0;
    for (const kj::lib::LibraryGroup& g : kj::lib::library_groups(kj::graphics::library_group())) {
        for (const kj::lib::GroupPart& part : g.parts) {
            for (const kj::lib::DescriptorRow& row : part.descriptors) check(g.name, row.descriptor), ++rows;
            for (const kj::lib::NamedRow& row : part.named) check(g.name, row.name), ++rows;
        }
    }
    for (const std::string& name : declared) EXPECT_TRUE(group_of.count(name)) << name << " has no row";

    // Each row reaches the table as an entry of its own.
    kj::test::CaptureScope scope;
    ASSERT_EQ(KjMainInit(), 1);
    EXPECT_EQ(kj::link::function_count(), rows);
    KjMainExit();
}

}  // namespace
