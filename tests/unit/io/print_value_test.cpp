#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "io/value_fixture.h"
#include "lib/io/number_format.h"
#include "lib/io/print_args.h"
#include "lib/io/print_value.h"
#include "link/compiler_tables.h"
#include "link/symbols.h"

namespace io = kj::lib::io;
namespace kv = kj::value;
namespace kt = kj::test;
using kv::Value;

namespace {
constexpr double k_nan = std::numeric_limits<double>::quiet_NaN();
constexpr double k_inf = std::numeric_limits<double>::infinity();

// An argument array that owns its values.
class ArgList {
public:
    ArgList(std::initializer_list<Value> values) : m_values(values) {}
    ~ArgList() {
        for (Value& v : m_values) kv::release(v);
    }
    Value* data() { return m_values.data(); }
    int size() const { return static_cast<int>(m_values.size()); }
    Value& operator[](int i) { return m_values[static_cast<std::size_t>(i)]; }

private:
    std::vector<Value> m_values;
};

Value i(int x) { return kv::make_int(x); }
Value d(double x) { return kv::make_double(x); }
Value s(const char* x) { return kt::string(x); }
Value a(std::vector<Value> xs) { return kt::array(std::move(xs)); }

// What print would write, through the sprint buffer.
std::string printed(ArgList& args, int* result = nullptr) {
    EXPECT_TRUE(io::sprint_buffer_ready());
    io::StringSink out;
    const int n = io::print_args(out, args.data(), args.size());
    if (result) *result = n;
    return std::string(out.text());
}

std::string row(std::initializer_list<const char*> fields) {
    std::string t;
    for (const char* f : fields) t += f;
    return t + "\n";
}

class Print : public testing::Test {
protected:
    void TearDown() override { io::reset_default_formats(); }
};
}  // namespace

TEST_F(Print, ScalarsWithTheDefaults) {
    const struct {
        Value v;
        const char* text;
    } cases[] = {
        {d(1.5), "1.5"}, {i(42), "42"}, {d(k_nan), ".NaN"}, {d(k_inf), "+.Inf"},
        {d(-k_inf), "-.Inf"}, {kv::make_null(), ".Null"}, {kv::make_none(), ".Null"},
        {d(1e20), "1e+20"},
    };
    for (const auto& c : cases) EXPECT_EQ(io::value_text(c.v), c.text);
}

TEST_F(Print, MatricesWithTheDefaults) {
    kt::Owned m(kt::matrix(1, 2, {1, 2}));
    EXPECT_EQ(io::value_text(m.v), "\n       1.0000       2.0000\n");
    kt::Owned empty(kt::matrix(0, 3));
    EXPECT_EQ(io::value_text(empty.v), "<>");
    kt::Owned special(kt::matrix(1, 3, {k_nan, k_inf, -k_inf}));
    EXPECT_EQ(io::value_text(special.v), "\n         .NaN        +.Inf        -.Inf\n");
    ArgList upper{s("%#13.5G"), kt::matrix(1, 2, {k_nan, 0.5})};
    EXPECT_EQ(printed(upper), "\n            .      0.50000\n");
}

TEST_F(Print, DirectivesApplyToTheNextValueOnly) {
    int n = 0;
    ArgList fixed{s("%6.2f"), d(3.14159), s("\n")};
    EXPECT_EQ(printed(fixed, &n), "  3.14\n");
    EXPECT_EQ(n, 3);
    ArgList once{s("%5d"), i(1), i(2)};
    EXPECT_EQ(printed(once), "    12");
    ArgList chars{s("%c"), i(65), s("%c"), d(66), s("%c"), i(0)};
    EXPECT_EQ(printed(chars), "AB");
    ArgList not_labels{s("%r"), i(5)};
    EXPECT_EQ(printed(not_labels), "%r5");
    ArgList texts{s("%hello"), s("%%x"), s("100%"), s("%d")};
    EXPECT_EQ(printed(texts), "%hello%x100%%d");
    ArgList int_as_double{s("%.2f"), i(2), s("%v"), i(7), s("%x"), d(255.9)};
    EXPECT_EQ(printed(int_as_double), "2.007ff");
    ArgList strings{s("%5s]"), s("ab"), s("%-4s|"), s("cd"), s("%.1s"), s("xyz")};
    EXPECT_EQ(printed(strings), "   ab]cd  |x");
    ArgList reset{s("%r"), a({s("row")}), kt::matrix(1, 1, {1}), kt::matrix(1, 1, {2})};
    EXPECT_EQ(printed(reset), "\nrow          1.0000\n\n       2.0000\n");
}

TEST_F(Print, LabelledMatrix) {
    ArgList args{s("%r"), a({s("a"), s("bb")}), s("%c"), a({s("x"), s("y")}),
                 kt::matrix(2, 2, {1, 2, 3, k_nan})};
    const std::string expect = "\n" + row({"      ", "            x", "            y"}) +
                               row({"a     ", "       1.0000", "       2.0000"}) +
                               row({"bb    ", "       3.0000", "         .NaN"});
    EXPECT_EQ(printed(args), expect);

    // Labels of 6 to 12 characters widen to 13; missing and numeric labels.
    ArgList wide{s("%r"), a({s("longer"), i(7)}), kt::matrix(3, 1, {1, 2, 3})};
    const std::string text = printed(wide);
    EXPECT_EQ(text, "\n" + row({"longer       ", "       1.0000"}) + row({"7            ", "       2.0000"}) +
                        row({"             ", "       3.0000"}));
}

TEST_F(Print, ColumnFormatsSeparatorsAndLowerTriangle) {
    ArgList per_column{s("%cf"), a({s("%6.1f"), s("%4d")}), kt::matrix(2, 2, {1.5, 2, 3, k_nan})};
    EXPECT_EQ(printed(per_column), "\n   1.5   2\n   3.0.NaN\n");
    ArgList separated{s("%rs"), s(";"), s("%cs"), s(","), s("%6.1f"), kt::matrix(2, 2, {1, 2, 3, 4})};
    EXPECT_EQ(printed(separated), "   1.0,   2.0;   3.0,   4.0");
    ArgList lower{s("%lwr"), s("%4.0f"), kt::matrix(3, 3, {1, 2, 3, 4, 5, 6, 7, 8, 9})};
    EXPECT_EQ(printed(lower), "\n   1\n   4   5\n   7   8   9\n");
    ArgList labels_sep{s("%c"), a({s("p"), s("q")}), s("%rs"), s(" | "), s("%3.0f"),
                       kt::matrix(2, 2, {1, 2, 3, 4})};
    EXPECT_EQ(printed(labels_sep), "  p  q |   1  2 |   3  4");
    ArgList upper_nan{s("%cf"), a({s("%6.1F"), i(3)}), kt::matrix(1, 2, {k_nan, k_nan})};
    EXPECT_EQ(printed(upper_nan), "\n     .         .NaN\n");
}

TEST_F(Print, WideMatricesSplitIntoColumnBlocks) {
    const struct {
        int line, cols, per_block;
    } cases[] = {{80, 10, 6}, {1024, 100, 78}, {1024, 78, 78}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        ASSERT_TRUE(io::set_line_length(c.line));
        kt::Owned m(kt::matrix(2, c.cols));
        const std::string text = io::value_text(m.v);
        std::string expect = "\n";
        for (int first = 0; first < c.cols; first += c.per_block) {
            const int last = std::min(c.cols, first + c.per_block) - 1;
            if (c.cols > c.per_block)
                expect += "// [][" + std::to_string(first) + "]...[][" + std::to_string(last) + "]\n";
            std::string line;
            for (int j = first; j <= last; ++j) line += "       0.0000";
            expect += line + "\n" + line + "\n";
        }
        EXPECT_EQ(text, expect);
    }
    // One row: blocks without the header line; a row separator keeps one block.
    ASSERT_TRUE(io::set_line_length(80));
    kt::Owned one_row(kt::matrix(1, 7));
    std::string six;
    for (int j = 0; j < 6; ++j) six += "       0.0000";
    EXPECT_EQ(io::value_text(one_row.v), "\n" + six + "\n       0.0000\n");
    ArgList one_block{s("%rs"), s("/"), kt::matrix(2, 7)};
    EXPECT_EQ(printed(one_block).size(), 2u * 7 * 13 + 1);
}

TEST_F(Print, LabelledBlocksCarryTheirColumnLabels) {
    ASSERT_TRUE(io::set_line_length(80));
    std::vector<Value> names;
    for (int j = 0; j < 7; ++j) names.push_back(s(("c" + std::to_string(j)).c_str()));
    ArgList args{s("%r"), a({s("r0"), s("r1")}), s("%c"), a(names), kt::matrix(2, 7)};
    const std::string text = printed(args);
    // (80 - 6) / 13 = 5 columns per block.
    EXPECT_EQ(text.find("// "), std::string::npos);
    EXPECT_NE(text.find("\n      " + std::string(11, ' ') + "c0"), std::string::npos);
    EXPECT_NE(text.find("\n      " + std::string(11, ' ') + "c5" + std::string(11, ' ') + "c6\n"),
              std::string::npos);
    std::size_t longest = 0, start = 0;
    for (std::size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1)
        longest = std::max(longest, nl - start);
    EXPECT_EQ(longest, 6u + 5 * 13);
}

TEST_F(Print, ReadableForms) {
    const struct {
        Value v;
        const char* text;
    } cases[] = {
        {d(0.1), "0.10000000000000001"},
        {i(-3), "-3"},
        {d(k_nan), ".NaN"},
        {d(-k_inf), "-.Inf"},
        {s("a\tb\"c'\\\x01"), "\"a\\tb\\\"c\\'\\\\\\x01\""},
        {s("\a\b\n\v\f\r"), "\"\\a\\b\\n\\v\\f\\r\""},
        {kt::matrix(2, 2, {1, 2, 3, k_nan}), "<1,2;\n 3,. >"},
        {kt::matrix(1, 2, {k_inf, -0.5}), "<+.Inf,-0.5 >"},
        {kt::matrix(0, 2), "<>"},
        {a({i(1), s("a"), a({})}), "{1,\"a\",{}}"},
    };
    static const io::FormatSpec readable = io::parse_format("%v");
    io::PrintDirectives dir;
    dir.spec = &readable;
    for (auto& c : cases) {
        EXPECT_EQ(io::value_text(c.v, dir), c.text);
        kv::release(const_cast<Value&>(c.v));
    }
}

TEST_F(Print, ReadableMatrixElementsReadBack) {
    const double xs[] = {0.1, 1.0 / 3, -2.5e300, 5e-324, 123456789.123456789, -0.0};
    kt::Owned m(kt::matrix(2, 3, {xs[0], xs[1], xs[2], xs[3], xs[4], xs[5]}));
    std::string text;
    io::append_matrix_readable(text, m.v.u.mat.m, 2, 3);
    ASSERT_EQ(text.front(), '<');
    const char* p = text.c_str() + 1;
    for (double x : xs) {
        char* end = nullptr;
        EXPECT_EQ(std::strtod(p, &end), x);
        ASSERT_NE(end, p);
        p = end;
        while (*p == ',' || *p == ';' || *p == '\n' || *p == ' ') ++p;
    }
    EXPECT_STREQ(p, ">");
}

TEST_F(Print, MatrixFileLayout) {
    char e1[40], e2[40], e3[40];
    std::snprintf(e1, sizeof e1, " %26.17e", 1.0);
    std::snprintf(e2, sizeof e2, " %26.17e", 2.5);
    ArgList exact{s("%m"), kt::matrix(1, 2, {1, 2.5})};
    EXPECT_EQ(printed(exact), std::string("1 2\n") + e1 + e2 + "\n");
    ArgList no_header{s("%M"), kt::matrix(1, 2, {1, 2.5})};
    EXPECT_EQ(printed(no_header), std::string(e1) + e2 + "\n");
    std::snprintf(e3, sizeof e3, " %25.16e", 1.0);
    ArgList file{s("%#m"), kt::matrix(2, 1, {k_nan, 1})};
    EXPECT_EQ(printed(file), std::string("2 1\n ") + std::string(24, ' ') + ".\n" + e3 + "\n");
    ArgList infinities{s("%#M"), kt::matrix(1, 2, {k_inf, -k_inf})};
    EXPECT_EQ(printed(infinities), " " + std::string(20, ' ') + "+.Inf " + std::string(20, ' ') + "-.Inf\n");
    ArgList empty{s("%m"), kt::matrix(0, 0)};
    EXPECT_EQ(printed(empty), "0 0\n\n");

    // 1024 / 27 = 37 elements per line.
    kt::Owned wide(kt::matrix(1, 40));
    std::string text;
    {
        std::string collected;
        ArgList args{s("%M"), kt::matrix(1, 40)};
        collected = printed(args);
        text = collected;
    }
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2);
    EXPECT_EQ(text.find('\n'), 37u * 27);
}

TEST_F(Print, Arrays) {
    Value target = i(5);
    Value ref{};
    ref.type = kv::T_Array | kv::k_address;
    ref.u.arr.n = 1;
    ref.u.arr.v = &target;
    const struct {
        Value v;
        const char* text;
    } cases[] = {
        {a({i(1), a({i(2), s("x")}), kt::matrix(0, 0)}), "[0] = 1\n[1][0] = 2\n[1][1] = x\n[2] = <>\n"},
        {a({}), "{}\n"},
        {a({a({})}), "[0] = {}\n"},
        {a({ref, d(2.5)}), "&[0] = 5\n[1] = 2.5\n"},
        {a({kt::matrix(1, 1, {1})}), "[0] = \n       1.0000\n"},
    };
    for (auto& c : cases) {
        EXPECT_EQ(io::value_text(c.v), c.text);
        kv::release(const_cast<Value&>(c.v));
    }
}

TEST_F(Print, FunctionsFilesAndLambdas) {
    char compiled_desc[] = "cc$foo";
    char native_desc[] = "c$bar";
    KjFuncInfo compiled{compiled_desc, 0, 0, nullptr};
    KjFuncInfo native{native_desc, 0, 0, nullptr};
    Value f{};
    f.type = kv::T_Func;
    f.u.fn.info = &compiled;
    EXPECT_EQ(io::value_text(f), "foo()");
    Value n{};
    n.type = kv::T_Native;
    n.u.nat.info = &native;
    n.u.nat.fn = reinterpret_cast<KjNativeFunction>(0x1234);
    EXPECT_EQ(io::value_text(n), "bar(&0x0000000000001234)");
    Value file{};
    file.type = kv::T_File;
    EXPECT_EQ(io::value_text(file), "(file)");
    Value lambda{};
    lambda.type = kv::T_Lambda;
    EXPECT_EQ(io::value_text(lambda), "lambda()");
}

TEST_F(Print, Objects) {
    char a_name[] = "a", s_name[] = "count", c_name[] = "limit", self_name[] = "self", f_name[] = "method";
    KjNamedValue members[5] = {};
    members[0] = {a_name, i(1)};
    members[1] = {s_name, i(2)};
    members[1].val.type |= kv::k_static;
    members[2] = {c_name, i(3)};
    members[2].val.type |= kv::k_static | kv::k_const;
    members[3].name = self_name;
    members[4].name = f_name;
    members[4].val.type = kv::T_Func;
    kj::link::reset_compiler_tables();  // no class yet: an object of no known class
    Value object{};
    object.type = kv::T_Class;
    object.u.obj.n = 5;
    object.u.obj.members = members;
    members[3].val = object;

    EXPECT_EQ(io::value_text(object), "->a = 1\n->self = this\n");

    // Asked as the class record itself, the statics show as well.
    const int k = kj::link::add_symbol("Point", kv::make_none());
    ASSERT_GE(k, 0);
    object.u.obj.cls = k;
    kj::link::symbol_at(k).val = object;  // the record is its own class
    EXPECT_EQ(io::value_text(object), "->a = 1\n->count = 2\n->self = this\n");
    static const io::FormatSpec readable = io::parse_format("%v");
    io::PrintDirectives dir;
    dir.spec = &readable;
    EXPECT_EQ(io::value_text(object, dir), "::Point\n{\n.a = 1;\n.count = 2;\n.self = this;\n}\n");
    kj::link::symbol_at(k).val = kv::make_none();  // the members are this test's
    kj::link::free_compiler_tables();
    static const io::FormatSpec address = io::parse_format("%p");
    dir.spec = &address;
    EXPECT_EQ(io::value_text(object, dir).rfind("&0x", 0), 0u);
}

TEST_F(Print, PrintLineEndsALineOnce) {
    ASSERT_TRUE(io::sprint_buffer_ready());
    ArgList plain{i(1)};
    ArgList ended{s("a\n")};
    ArgList matrix{kt::matrix(1, 1, {1})};
    ArgList nothing{s("")};
    const std::pair<ArgList*, const char*> cases[] = {
        {&plain, "1\n"}, {&ended, "a\n"}, {&matrix, "\n       1.0000\n"}, {&nothing, "\n"}};
    for (const auto& [args, text] : cases) {
        io::StringSink out;
        io::print_line_args(out, args->data(), args->size());
        EXPECT_EQ(out.text(), text);
    }
}
