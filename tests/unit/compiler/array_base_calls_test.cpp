// Calls of index-based library functions under array base 1: the string
// searches take and give positions counting from 1, 0 meaning "not found",
// whether or not the call gives a starting position.
#include <gtest/gtest.h>

#include "support/run_kj.h"

namespace {

std::string run_base_one(const std::string& body) {
    const kj::test::ProgramRun run = kj::test::run_kj(kj::test::program(body, "#pragma array_base(1)\n"));
    EXPECT_EQ(run.status, 0) << run.output;
    return run.output;
}

TEST(ArrayBaseCalls, StringSearchesInAStringCountFromOne) {
    // In "a/b/c" the slashes are characters 2 and 4.
    EXPECT_EQ(run_base_one(R"(decl p = "a/b/c";
        println(strfind(p, "/"), " ", strfind(p, "/", 1), " ", strfind(p, "/", 3), " ", strfind(p, "/", 5));
        println(strfindr(p, "/"), " ", strfindr(p, "/", 4), " ", strfindr(p, "/", 3), " ", strfindr(p, "/", 1));
        println(strfind(p, "x"), " ", strfindr(p, "x"), " ", strifind("xABC", "b"), " ", strifindr("bAbA", "B"));)"),
              "2 2 4 0\n4 4 2 0\n0 0 3 3\n");
}

TEST(ArrayBaseCalls, StringSearchesInAnArrayCountFromOne) {
    EXPECT_EQ(run_base_one(R"(println(strfind({"x", "y", "z"}, "z"), " ", strfindr({"y", "x", "y"}, "y"), " ",
                                      strfindr({"y", "x", "y"}, "y", 2));
        decl m = strfind({"x", "y"}, {"y", "q", "x"});
        println(m[1][1], " ", m[1][2], " ", m[1][3]);)"),
              "3 3 1\n2 0 1\n");
}

}  // namespace
