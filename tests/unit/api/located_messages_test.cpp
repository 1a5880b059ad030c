// Messages in the file:line form (-fe, or KJ_FE in the environment): the
// position editors link to, the source line, a caret under the offending
// token; run-time errors with their calls as notes. Without either the
// messages keep their own form.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "support/capture.h"
#include "support/console_fixture.h"

namespace {
using kj::test::captured;

class LocatedMessages : public kj::test::ConsoleTest {
protected:
    void TearDown() override {
        unsetenv("KJ_FE");
        ConsoleTest::TearDown();
    }
    kj::test::CaptureScope m_scope;
};

// The caret counts a tab as a tab and a UTF-8 character as one column; it
// goes under the name the message quotes, the nearest one before the parser's
// position; the parser's own token where the message quotes none.
TEST_F(LocatedMessages, CompileErrorsPointAtTheToken) {
    std::ofstream("c.kj") << "main()\n{\n\tdecl s = \"\xc3\xa9\", x = x + bogus;\n    x = 3 +* 2;\n"
                             "    s = 0x;\n}\n";
    run({"-b", "-fe", "c.kj"});
    ASSERT_GE(captured().messages.size(), 4u);
    EXPECT_EQ(captured().messages[0],
              "c.kj:3:25: error: 'bogus' undeclared identifier\n"
              "    \tdecl s = \"\xc3\xa9\", x = x + bogus;\n"
              "    \t                      ^");
    EXPECT_EQ(captured().messages[1],
              "c.kj:4:12: error: '*' out of place\n"
              "        x = 3 +* 2;\n"
              "               ^");
    EXPECT_EQ(captured().messages[2],
              "c.kj:5:9: error: '0x' error in hexadecimal constant\n"
              "        s = 0x;\n"
              "            ^");
    EXPECT_EQ(captured().messages[3].rfind("c.kj:5:11: error: ';' out of place\n", 0), 0u);
}

TEST_F(LocatedMessages, RunTimeErrorsNameTheirCallsAsNotes) {
    std::ofstream("r.kj") << "f(m)\n{\n    return m[5];\n}\n"
                             "main()\n{\n    println(f(<1, 2>));\n}\n";
    setenv("KJ_FE", "1", 1);
    run({"-b", "r.kj"});
    EXPECT_EQ(captured().run_messages,
              (std::vector<std::string>{"r.kj:3: runtime error: '[5] in matrix[1][2]' index out of range\n"
                                        "        return m[5];",
                                        "r.kj:3: note: in f", "r.kj:7: note: called from main"}));
    // KJ_FE=0, like no setting, keeps the messages' own form.
    captured() = {};
    setenv("KJ_FE", "0", 1);
    run({"-b", "r.kj"});
    EXPECT_EQ(captured().run_messages,
              (std::vector<std::string>{"Runtime error: '[5] in matrix[1][2]' index out of range",
                                        "Runtime error occurred in f (3), call trace: r.kj (3): f",
                                        "r.kj (7): main"}));
}

}  // namespace
