#include <cstdlib>

#include "library_call.h"
#include "platform/process.h"
#include "value/value.h"

namespace kv = kj::value;
using kj::test::Args;
using kj::test::Result;
using kj::test::string_value;

namespace {

class SystemBuiltins : public kj::test::LibraryTest {
protected:
    static std::string text(const Result& r) { return {r.v.u.str.s, static_cast<std::size_t>(r.v.u.str.len)}; }
};

TEST_F(SystemBuiltins, EnvironmentAndCommands) {
    setenv("KJ_MATH_TEST_VAR", "a b", 1);
    Result r;
    Args name{string_value("KJ_MATH_TEST_VAR")};
    call("getenv", name, r);
    EXPECT_EQ(text(r), "a b");
    Args unset{string_value("KJ_MATH_TEST_UNSET_VAR")};
    call("getenv", unset, r);
    EXPECT_EQ(text(r), "");
    std::string msg;
    Args number{kv::make_int(1)};
    EXPECT_EQ(call_error("getenv", number, &msg), 37);
    EXPECT_EQ(msg, "getenv(): type error in argument 1; expected: string, found: int");

    struct Case {
        const char* command;
        int status;
    };
    // Through the shell: lists, pipes, redirections and quoting behave as in sh.
    for (const Case& c : {Case{"true", 0}, {"false", 1}, {"exit 7", 7}, {"true ; false", 1},
                          {"echo one two | grep -q 'one two'", 0}, {"test \"a  b\" = 'a  b'", 0},
                          {"echo x > /dev/null && exit 3", 3}, {"no-such-command-kj 2>/dev/null", 127},
                          {"kill -9 $$", 137}, {"   ", -1}}) {
        Args cmd{string_value(c.command)};
        call("systemcall", cmd, r);
        EXPECT_EQ(r.v.u.ival, c.status) << c.command;
    }
}

TEST_F(SystemBuiltins, VersionAndWarnings) {
    Result r;
    Args none{};
    call("kjversion", none, r);
    EXPECT_EQ(r.v.u.ival, 800);
    call("kjversionispro", none, r);
    EXPECT_EQ(r.v.u.ival, 1);

    const int saved = kj::runtime::warning_mask();
    Args mask{kv::make_double(3.9)};
    call("kjwarning", mask, r);
    EXPECT_EQ(r.v.u.ival, saved);
    EXPECT_EQ(kj::runtime::warning_mask(), 3);  // truncated; bit 64 now off
    clear();
    Args quiet_text{string_value("quiet")};
    call("kjwarning", quiet_text, r);
    EXPECT_TRUE(run_messages().empty());
    Args all{kv::make_int(127)};
    call("kjwarning", all, r);
    Args loud_text{string_value("loud")};
    call("kjwarning", loud_text, r);
    EXPECT_EQ(r.v.u.ival, 127);
    EXPECT_EQ(first_run_message(), "Warning: ?: loud");  // no function runs here
    kj::runtime::set_warning_mask(saved);
}

TEST_F(SystemBuiltins, RunErrorAndExitUnwind) {
    std::string msg;
    Args quiet{string_value("stop here"), kv::make_int(1)};
    EXPECT_EQ(call_error("kjrunerror", quiet, &msg), 0);
    EXPECT_EQ(msg, "stop here");
    Args code{kv::make_int(3)};
    EXPECT_EQ(call_error("exit", code), kj::runtime::k_program_exit);
    EXPECT_EQ(kj::runtime::program_exit_code(), 3);
    EXPECT_TRUE(run_messages().empty());
}

TEST_F(SystemBuiltins, ArgumentsAndObjects) {
    char a0[] = "prog.kj", a1[] = "x y";
    char* argv[] = {a0, a1};
    KjSetKjArgs(2, argv);
    Result r;
    Args none{};
    call("arglist", none, r);
    ASSERT_EQ(kv::type_of(r.v), kv::T_Array);
    ASSERT_EQ(r.v.u.arr.n, 2);
    EXPECT_STREQ(r.v.u.arr.v[1].u.str.s, "x y");
    KjSetKjArgs(0, nullptr);
    call("arglist", none, r);
    EXPECT_EQ(r.v.u.arr.n, 0);
    // Outside a variable-argument function there are no extra arguments.
    call("va_arglist", none, r);
    ASSERT_EQ(kv::type_of(r.v), kv::T_Array);
    EXPECT_EQ(r.v.u.arr.n, 0);

    Args number{kv::make_int(4)};
    call("classname", number, r);
    EXPECT_EQ(kv::type_of(r.v), kv::T_Int);
    EXPECT_EQ(r.v.u.ival, 0);
    std::string msg;
    EXPECT_EQ(call_error("clone", number, &msg), 21);
    EXPECT_EQ(msg, "Runtime error: 'clone object' class expected");
    // Without a running function the file name is empty in every part.
    for (int part : {0, 1, 2, 3}) {
        Args p{kv::make_int(part)};
        call("kjfilename", p, r);
        EXPECT_EQ(text(r), "") << part;
    }
}

}  // namespace
