#include "lib/fn_string.h"
#include "select_fixture.h"

namespace kl = kj::lib;
namespace kv = kj::value;
using namespace kj::test;

namespace {

class Strings : public LibTest {};

TEST_F(Strings, Searches) {
    const struct {
        const char* name;
        KjNativeFunction fn;
        std::vector<kv::Value> args;
        int at;
    } cases[] = {
        {"first", kl::fn_strfind, {string_value("abcabc"), string_value("c")}, 2},
        {"from a start", kl::fn_strfind, {string_value("abcabc"), string_value("bc"), i(2)}, 4},
        {"character code", kl::fn_strfind, {string_value("abc"), i('b')}, 1},
        {"empty text", kl::fn_strfind, {string_value("abc"), string_value("")}, -1},
        {"absent", kl::fn_strfind, {string_value("abc"), string_value("abcd")}, -1},
        {"start past the end", kl::fn_strfind, {string_value("abc"), string_value("c"), i(3)}, -1},
        {"element", kl::fn_strfind, {strings({"x", "y"}), string_value("y")}, 1},
        {"element from a start", kl::fn_strfind, {strings({"x", "y", "x"}), string_value("x"), i(1)}, 2},
        {"case differs", kl::fn_strfind, {string_value("aBc"), string_value("b")}, -1},
        {"last", kl::fn_strfindr, {string_value("abcabc"), string_value("c")}, 5},
        {"last before", kl::fn_strfindr, {string_value("abcabc"), string_value("c"), i(4)}, 2},
        {"last element", kl::fn_strfindr, {strings({"x", "y", "x"}), string_value("x")}, 2},
        {"any case", kl::fn_strifind, {string_value("aBc"), string_value("b")}, 1},
        {"any case element", kl::fn_strifind, {strings({"Ab", "aB"}), string_value("ab"), i(1)}, 1},
        {"any case last", kl::fn_strifindr, {string_value("AbAb"), string_value("a")}, 2},
        {"base 1", kl::fn_strfind, {string_value("abcabc"), string_value("c"), i(1), i(1)}, 3},
        {"base 1 absent", kl::fn_strfindr, {string_value("abc"), string_value("z"), i(3), i(1)}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Args a{};
        a.v = c.args;
        c.fn(&result, a.data(), static_cast<int>(a.v.size()));
        expect_int(result, c.at);
    }
    expect_matrix(call(kl::fn_strfind, {strings({"x", "y"}), strings({"y", "z"})}), 1, 2, {1, -1});
}

TEST_F(Strings, CopiesWithChangedLetters) {
    expect_string(call(kl::fn_strlwr, {string_value("AbC1\xC4")}), "abc1\xC4");
    expect_string(call(kl::fn_strupr, {string_value("AbC1")}), "ABC1");
    expect_string(call(kl::fn_strtrim, {string_value(" \t\v x y \r\n\f")}), "x y");
    expect_string(call(kl::fn_strtrim, {string_value("   ")}), "");
    call(kl::fn_strupr, {array_of({string_value("a"), i(5)})});
    ASSERT_EQ(kv::type_of(result), kv::T_Array);
    expect_string(result.u.arr.v[0], "A");
    expect_int(result.u.arr.v[1], 5);
    EXPECT_EQ(kl::replace_text("xAx", "a", "bb", true, false), "xbbx");
}

TEST_F(Strings, BadArguments) {
    EXPECT_EQ(fails(kl::fn_strfind, "strfind", {i(5), string_value("a")}), 37);
    EXPECT_EQ(first_run_message(), "strfind(): type error in argument 1; expected: string, found: int");
    EXPECT_EQ(fails(kl::fn_strfind, "strfind", {strings({"a"}), i(5)}), 37);
    EXPECT_EQ(fails(kl::fn_strlwr, "strlwr", {matrix(1, 1)}), 37);
    EXPECT_EQ(first_run_message(), "strlwr(): type error in argument 1; expected: string, found: matrix[1][1]");
}

}  // namespace
