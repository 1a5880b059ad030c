#include "native_fixture.h"

using kj::test::Args;
using kj::test::matrix;
using kj::test::string_value;
namespace kv = kj::value;

namespace {

class ArgChecks : public kj::test::NativeTest {};

TEST_F(ArgChecks, ErrorsNameTheCurrentFunction) {
    kj::lib::set_current_function("cc$atan2");
    EXPECT_STREQ(kj::lib::current_function(), "atan2");
    kj::lib::set_current_function("gauss::median");
    EXPECT_STREQ(kj::lib::current_function(), "gauss::median");
    kj::lib::set_current_function(nullptr);
    EXPECT_STREQ(kj::lib::current_function(), "?");

    kj::lib::set_current_function("acf");
    EXPECT_EQ(raised([] { KjLibArgError(1); }), kj::runtime::E_ArgError);
    ASSERT_EQ(run_messages().size(), 2u);
    EXPECT_EQ(run_messages()[0], "acf(): error in argument 2");
    EXPECT_EQ(run_messages()[1], "Runtime error: argument error");
}

TEST_F(ArgChecks, ArgTypeErrorWithAndWithoutExpectedType) {
    Args a{string_value("abc"), kv::make_null()};
    EXPECT_EQ(raised([&] { KjLibArgTypeError(0, KJ_TYPE_MATRIX, &a[0]); }), kj::runtime::E_ArgError);
    EXPECT_EQ(first_run_message(), "f(): type error in argument 1; expected: matrix, found: string[3]");
    clear();
    EXPECT_EQ(raised([&] { KjLibArgTypeError(2, -1, &a[0]); }), kj::runtime::E_ArgError);
    EXPECT_EQ(first_run_message(), "f(): type error in argument 3; found: string[3]");
    clear();
    EXPECT_EQ(raised([&] { KjLibArgTypeError(0, KJ_TYPE_INT, &a[1]); }), kj::runtime::E_ArgError);
    EXPECT_EQ(first_run_message(), "f(): type error in argument 1; expected: int, found: .Null");
}

TEST_F(ArgChecks, CheckTypeConvertsOrReports) {
    const struct {
        const char* name;
        int type;
        kv::Value v;
        const char* message;  // null: accepted, and then of the checked type
    } cases[] = {
        {"double to int", KJ_TYPE_INT, kv::make_double(2.0), nullptr},
        {"int to double", KJ_TYPE_DOUBLE, kv::make_int(2), nullptr},
        {"int to matrix", KJ_TYPE_MATRIX, kv::make_int(2), nullptr},
        {"string to matrix", KJ_TYPE_MATRIX, string_value("x"), nullptr},
        {"string as string", KJ_TYPE_STRING, string_value("x"), nullptr},
        {"empty matrix to int", KJ_TYPE_INT, matrix(0, 0),
         "f(): type error in argument 2; expected: int, found: matrix[0][0]"},
        {"int as string", KJ_TYPE_STRING, kv::make_int(1),
         "f(): type error in argument 2; expected: string, found: int"},
        {"null as int", KJ_TYPE_INT, kv::make_null(), "f(): type error in argument 2; expected: int, found: .Null"},
        {"array as double", KJ_TYPE_DOUBLE,
         [] { kv::Value a = kv::make_int(0); kv::set_array(a, 2); return a; }(),
         "f(): type error in argument 2; expected: double, found: array[2]"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        clear();
        Args a{kv::make_int(0), c.v};
        const int code = raised([&] { KjLibCheckType(c.type, a.data(), 1, 1); });
        if (c.message) {
            EXPECT_EQ(code, kj::runtime::E_ArgError);
            EXPECT_EQ(first_run_message(), c.message);
        } else {
            EXPECT_EQ(code, -1);
            EXPECT_EQ(KjValType(&a[1]), c.type);
        }
    }
}

TEST_F(ArgChecks, CheckTypeStopsAtTheFirstBadArgument) {
    Args a{kv::make_int(1), string_value("s"), kv::make_int(0), kv::make_int(2)};
    kv::set_array(a[2], 1);
    EXPECT_EQ(raised([&] { KjLibCheckType(KJ_TYPE_DOUBLE, a.data(), 0, 3); }), kj::runtime::E_ArgError);
    EXPECT_EQ(first_run_message(), "f(): type error in argument 3; expected: double, found: array[1]");
    EXPECT_EQ(KjValType(&a[0]), KJ_TYPE_DOUBLE);  // converted before the failure
    EXPECT_EQ(KjValType(&a[1]), KJ_TYPE_DOUBLE);  // a string packs into a double
    EXPECT_EQ(KjValType(&a[3]), KJ_TYPE_INT);     // never reached
}

TEST_F(ArgChecks, MatrixSize) {
    const struct {
        const char* name;
        kv::Value v;
        int r, c;
        const char* message;
    } cases[] = {
        {"0 x 5 with r = 0", matrix(0, 5), 0, 5, nullptr},
        {"3 x 0 with r = 0", matrix(3, 0), 0, 5, nullptr},
        {"exact", matrix(2, 2), 2, 2, nullptr},
        {"scalar as 1 x 1", kv::make_int(4), 1, 1, nullptr},
        {"2 x 3 for 2 x 2", matrix(2, 3), 2, 2, "f(): found matrix[2][3] but expected matrix[2][2] in argument 3"},
        {"3 x 5 with r = 0", matrix(3, 5), 0, 5, "f(): found matrix[3][5] but expected matrix[0][5] in argument 3"},
        {"empty for 2 x 2", matrix(0, 0), 2, 2, "f(): found matrix[0][0] but expected matrix[2][2] in argument 3"},
        {"null", kv::make_null(), 1, 1, "f(): type error in argument 3; expected: matrix, found: .Null"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        clear();
        Args a{matrix(c.r, c.c), matrix(c.r, c.c), c.v};
        const int code = raised([&] { KjLibCheckMatrixSize(a.data(), 0, 2, c.r, c.c); });
        if (c.message) {
            EXPECT_NE(code, -1);
            EXPECT_EQ(first_run_message(), c.message);
        } else {
            EXPECT_EQ(code, -1);
        }
    }
    Args a{matrix(2, 3)};
    EXPECT_EQ(raised([&] { KjLibCheckMatrixSize(a.data(), 0, 0, 2, 2); }), kj::runtime::E_ArgSize);
}

TEST_F(ArgChecks, SquareMatrix) {
    Args a{matrix(3, 3), kv::make_double(1), matrix(0, 0), matrix(2, 3)};
    EXPECT_EQ(raised([&] { KjLibCheckSquareMatrix(a.data(), 0, 2); }), -1);
    EXPECT_EQ(raised([&] { KjLibCheckSquareMatrix(a.data(), 0, 3); }), kj::runtime::E_ArgSize);
    EXPECT_EQ(first_run_message(), "f(): found matrix[2][3] but expected square matrix in argument 4");
}

TEST_F(ArgChecks, ArgumentsMustBeDifferent) {
    Args a{matrix(2, 2), matrix(2, 2), matrix(0, 0)};
    EXPECT_EQ(raised([&] { KjLibCheckArrayMatrix(a.data(), 1, 2, a[0].u.mat.m); }), -1);
    EXPECT_EQ(raised([&] { KjLibCheckArrayMatrix(a.data(), 0, 2, nullptr); }), -1);
    EXPECT_EQ(raised([&] { KjLibCheckArrayMatrix(a.data(), 0, 1, a[1].u.mat.m); }), kj::runtime::E_ArgsDifferent);
    EXPECT_EQ(first_run_message(), "Runtime error: arguments must be different");
}

}  // namespace
