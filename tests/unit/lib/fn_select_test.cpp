#include "lib/fn_select.h"
#include "select_fixture.h"

namespace kl = kj::lib;
namespace kv = kj::value;
using namespace kj::test;

namespace {

class Select : public LibTest {};

struct MatrixCase {
    const char* name;
    KjNativeFunction fn;
    std::vector<kv::Value> args;
    int r, c;
    std::vector<double> expect;
};

// Runs each case and compares its matrix result (r = c = 0 for <>).
void run_cases(kv::Value& result, std::vector<MatrixCase> cases) {
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        kj::test::Args a{};
        a.v = c.args;
        c.fn(&result, a.data(), static_cast<int>(a.v.size()));
        ASSERT_EQ(kv::type_of(result), kv::T_Matrix) << kv::describe(result);
        ASSERT_EQ(result.u.mat.r, c.r);
        ASSERT_EQ(result.u.mat.c, c.c);
        for (std::size_t k = 0; k < c.expect.size(); ++k) {
            const double y = result.u.mat.m[0][k];
            EXPECT_TRUE(y == c.expect[k] || (std::isnan(y) && std::isnan(c.expect[k]))) << "element " << k;
        }
    }
}

TEST_F(Select, ByValueAndByFlags) {
    run_cases(result, {
        {"selectc NaN", kl::fn_selectc, {matrix(2, 2, {1, k_nan, 2, 3})}, 2, 1, {k_nan, 3}},
        {"selectc listed", kl::fn_selectc, {matrix(2, 3, {1, 2, 3, 4, 5, 6}), matrix(1, 2, {5, 1})}, 2, 2, {1, 2, 4, 5}},
        {"selectc none", kl::fn_selectc, {matrix(1, 2, {1, 2}), i(9)}, 0, 0, {}},
        {"selectr NaN", kl::fn_selectr, {matrix(3, 2, {1, 2, k_nan, 4, 5, 6})}, 1, 2, {k_nan, 4}},
        {"selectr listed", kl::fn_selectr, {matrix(3, 2, {1, 2, k_nan, 4, 5, 6}), i(6)}, 1, 2, {5, 6}},
        {"deletec NaN", kl::fn_deletec, {matrix(2, 3, {1, k_nan, 3, 4, 5, 6})}, 2, 2, {1, 3, 4, 6}},
        {"deleter NaN", kl::fn_deleter, {matrix(2, 2, {1, 2, k_nan, 4})}, 1, 2, {1, 2}},
        {"deleter all", kl::fn_deleter, {matrix(2, 2, {1, 1, 1, 2}), i(1), i(1)}, 1, 2, {1, 2}},
        {"deletec everything", kl::fn_deletec, {d(k_nan)}, 0, 0, {}},
        {"selectifc", kl::fn_selectifc, {matrix(1, 3, {1, 2, 3}), matrix(1, 3, {0, 1, 1})}, 1, 2, {2, 3}},
        {"selectifc NaN flag", kl::fn_selectifc, {matrix(2, 2, {1, 2, 3, 4}), matrix(2, 2, {0, 0, 0, k_nan})}, 2, 1,
         {2, 4}},
        {"selectifr", kl::fn_selectifr, {matrix(2, 2, {1, 2, 3, 4}), matrix(2, 1, {0, 1})}, 1, 2, {3, 4}},
        {"deleteifc", kl::fn_deleteifc, {matrix(1, 3, {1, 2, 3}), matrix(1, 3, {0, 1, 0})}, 1, 2, {1, 3}},
        {"deleteifc full", kl::fn_deleteifc, {matrix(2, 2, {1, 2, 3, 4}), matrix(2, 2, {0, 0, 1, 0})}, 2, 1, {2, 4}},
        {"deleteifr", kl::fn_deleteifr, {matrix(2, 2, {1, 2, 3, 4}), matrix(2, 1, {0, 1})}, 1, 2, {1, 2}},
    });
}

TEST_F(Select, DropInsertAndSubmatrix) {
    const auto x = [] { return matrix(2, 3, {1, 2, 3, 4, 5, 6}); };
    run_cases(result, {
        {"dropc", kl::fn_dropc, {x(), matrix(1, 2, {0, 2})}, 2, 1, {2, 5}},
        {"dropc ignores outside", kl::fn_dropc, {x(), d(1.7), i(7), i(-1)}, 2, 2, {1, 3, 4, 6}},
        {"dropc all", kl::fn_dropc, {x(), matrix(1, 3, {0, 1, 2})}, 0, 0, {}},
        {"dropr", kl::fn_dropr, {matrix(3, 1, {1, 2, 3}), i(1)}, 2, 1, {1, 3}},
        {"insertc zeros", kl::fn_insertc, {matrix(2, 2, {1, 2, 3, 4}), i(1), i(1)}, 2, 3, {1, 0, 2, 3, 0, 4}},
        {"insertc block", kl::fn_insertc, {matrix(2, 2, {1, 2, 3, 4}), i(2), i(2), matrix(2, 2, {5, 6, 7, 8})}, 2, 4,
         {1, 2, 5, 6, 3, 4, 7, 8}},
        {"insertc base 1", kl::fn_insertc, {matrix(2, 2, {1, 2, 3, 4}), i(2), i(1), i(9), i(1)}, 2, 3,
         {1, 9, 2, 3, 9, 4}},
        {"insertr NaN", kl::fn_insertr, {matrix(1, 2, {1, 2}), i(0), i(1), d(k_nan)}, 2, 2, {k_nan, k_nan, 1, 2}},
        {"insertr block", kl::fn_insertr, {matrix(1, 2, {1, 2}), i(1), i(1), matrix(1, 2, {7, 8})}, 2, 2, {1, 2, 7, 8}},
        {"submat", kl::fn_submat, {x(), i(0), i(1), i(1), i(2)}, 2, 2, {2, 3, 5, 6}},
        {"submat base 1", kl::fn_submat, {x(), i(1), i(1), i(1), i(3), i(1)}, 1, 3, {1, 2, 3}},
        {"headc", kl::fn_headc, {matrix(3, 1, {1, 2, 3}), i(2)}, 2, 1, {1, 2}},
        {"headc default", kl::fn_headc, {matrix(3, 1, {1, 2, 3})}, 3, 1, {1, 2, 3}},
        {"headc 0", kl::fn_headc, {matrix(3, 1, {1, 2, 3}), i(0)}, 0, 0, {}},
        {"headc -1", kl::fn_headc, {matrix(3, 1, {1, 2, 3}), i(-1)}, 2, 1, {1, 2}},
        {"headc -5", kl::fn_headc, {matrix(3, 1, {1, 2, 3}), i(-5)}, 0, 0, {}},
        {"tailc", kl::fn_tailc, {matrix(3, 1, {1, 2, 3}), i(2)}, 2, 1, {2, 3}},
        {"tailc -1", kl::fn_tailc, {matrix(3, 1, {1, 2, 3}), i(-1)}, 2, 1, {2, 3}},
        {"tailc 9", kl::fn_tailc, {x(), i(9)}, 2, 3, {1, 2, 3, 4, 5, 6}},
        {"selectrc", kl::fn_selectrc, {matrix(2, 2, {1, 2, 3, 4}), matrix(1, 2, {0, 1}), matrix(1, 2, {1, 0})}, 1, 2,
         {2, 3}},
        {"selectrc scalar column", kl::fn_selectrc, {matrix(2, 2, {1, 2, 3, 4}), matrix(2, 1, {0, 1}), i(1)}, 2, 1,
         {2, 4}},
    });
}

TEST_F(Select, FindAndPositions) {
    run_cases(result, {
        {"find", kl::fn_find, {matrix(1, 3, {5, 7, 9}), matrix(1, 2, {9, 1})}, 1, 2, {2, -1}},
        {"find by table", kl::fn_find, {matrix(2, 3, {1, 2, 3, 2, 1, 0}), matrix(1, 6, {0, 1, 2, 3, 4, k_nan})}, 1, 6,
         {5, 0, 1, 2, -1, -1}},
        {"find strings", kl::fn_find, {strings({"ab", "Cd"}), strings({"x", "ab"})}, 1, 2, {-1, 0}},
        {"vecindex", kl::fn_vecindex, {matrix(2, 2, {0, 1, 0, 1})}, 2, 1, {2, 3}},
        {"vecrindex", kl::fn_vecrindex, {matrix(2, 2, {0, 1, 0, 1})}, 2, 1, {1, 3}},
        {"vecindex listed", kl::fn_vecindex, {matrix(2, 2, {1, 2, 3, 1}), i(1)}, 2, 1, {0, 3}},
        {"vecindex NaN is nonzero", kl::fn_vecindex, {matrix(1, 2, {k_nan, 0})}, 1, 1, {0}},
        {"vecrindex none", kl::fn_vecrindex, {matrix(1, 2, {0, 0})}, 0, 0, {}},
        {"limits", kl::fn_limits, {matrix(3, 1, {3, 1, 2})}, 4, 1, {1, 3, 1, 0}},
        {"limits NaN", kl::fn_limits, {matrix(2, 2, {k_nan, 2, k_nan, 2})}, 4, 2, {k_nan, 2, k_nan, 2, -1, 0, -1, 0}},
        {"limits base 1", kl::fn_limits, {matrix(3, 1, {3, 1, 2}), i(1)}, 4, 1, {1, 3, 2, 1}},
    });
    expect_int(call(kl::fn_find, {matrix(1, 3, {5, k_nan, 5}), d(k_nan)}), 1);
    expect_int(call(kl::fn_find, {matrix(0, 0), i(1)}), -1);
    const struct {
        const char* find;
        const char* mode;
        int at;
    } texts[] = {{"cd", "", -1}, {"cd", "i", 1}, {"d", "s", 1}, {"D", "s", -1}, {"D", "is", 1}, {"b", "", -1}};
    for (const auto& t : texts) {
        expect_int(call(kl::fn_find, {strings({"ab", "Cd"}), string_value(t.find), string_value(t.mode)}), t.at);
    }
}

TEST_F(Select, ReplaceAndBounds) {
    run_cases(result, {
        {"replace scalar", kl::fn_replace, {matrix(2, 2, {1, 2, 2, 3}), i(2), i(0)}, 2, 2, {1, 0, 0, 3}},
        {"replace by position", kl::fn_replace,
         {matrix(1, 4, {1, 2, 3, k_nan}), matrix(1, 3, {3, k_nan, 1}), matrix(1, 3, {30, 0, 10})}, 1, 4,
         {10, 2, 30, 0}},
        {"setbounds", kl::fn_setbounds, {matrix(1, 3, {-2, 0.5, 7}), i(0), i(1)}, 1, 3, {0, 0.5, 1}},
        {"setbounds NaN", kl::fn_setbounds, {matrix(1, 2, {k_nan, 5}), d(k_nan), i(1)}, 1, 2, {k_nan, 1}},
    });
    const struct {
        const char *text, *find, *rep, *mode, *expect;
    } texts[] = {
        {"aXbxc", "x", "-", "", "aXb-c"}, {"aXbxc", "x", "-", "i", "a-b-c"}, {"aXbxc", "x", "-", "if", "a-bxc"},
        {"aaa", "aa", "b", "", "ba"},      {"abc", "", "z", "", "abc"},
    };
    for (const auto& t : texts)
        expect_string(call(kl::fn_replace, {string_value(t.text), string_value(t.find), string_value(t.rep),
                                            string_value(t.mode)}),
                      t.expect);
    call(kl::fn_replace, {array_of({string_value("aa"), i(5)}), string_value("a"), string_value("b")});
    ASSERT_EQ(result.u.arr.n, 2);
    expect_string(result.u.arr.v[0], "bb");
    expect_int(result.u.arr.v[1], 5);
}

TEST_F(Select, FindSample) {
    const struct {
        const char* name;
        kv::Value lags;
        int t1, t2, mode;
        int count, first, last;
    } cases[] = {
        {"first run", i(0), 0, -1, 0, 2, 1, 2},
        {"longest, first of ties", i(0), 0, -1, 1, 2, 1, 2},
        {"with gaps", i(0), 0, -1, 2, 4, 1, 5},
        {"lagged column", matrix(1, 2, {0, 1}), 0, -1, 1, 3, 1, 3},
        {"late start", i(0), 4, -1, 0, 2, 4, 5},
        {"early end", i(0), 0, 2, 2, 2, 1, 2},
        {"nothing", i(0), 3, 3, 0, 0, -1, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        kv::Value first = i(99), last = i(99);
        const kv::Value data = matrix(6, 2, {k_nan, 1, 1, 1, 1, 1, 1, k_nan, 1, 1, 1, 1});
        expect_int(call(kl::fn_findsample, {data, matrix(1, 2, {0, 1}), c.lags, i(c.t1), i(c.t2), i(c.mode),
                                            reference(&first), reference(&last)}),
                   c.count);
        expect_int(first, c.first);
        expect_int(last, c.last);
    }
}

TEST_F(Select, BadArguments) {
    const struct {
        const char* name;
        KjNativeFunction fn;
        std::vector<kv::Value> args;
        int code;
        const char* message;
    } cases[] = {
        {"selectifc", kl::fn_selectifc, {matrix(1, 2), matrix(1, 3)}, 37, "selectifc(): error in argument 2"},
        {"selectifr", kl::fn_selectifr, {matrix(2, 2), matrix(1, 2)}, 37, "selectifr(): error in argument 2"},
        {"deleteifc", kl::fn_deleteifc, {matrix(1, 3), matrix(1, 2)}, 40,
         "deleteifc(): found matrix[1][2] but expected matrix[1][3] in argument 2"},
        {"deleteifr", kl::fn_deleteifr, {matrix(2, 2), matrix(1, 2)}, 40,
         "deleteifr(): found matrix[1][2] but expected matrix[2][2] in argument 2"},
        {"insertc", kl::fn_insertc, {matrix(2, 2), i(3), i(1)}, 37, "insertc(): error in argument 2"},
        {"insertc", kl::fn_insertc, {matrix(2, 2), i(0), i(-1)}, 37, "insertc(): error in argument 3"},
        {"insertc", kl::fn_insertc, {matrix(2, 2), i(0), i(2), matrix(1, 2)}, 40,
         "insertc(): found matrix[1][2] but expected matrix[2][2] in argument 4"},
        {"submat", kl::fn_submat, {matrix(2, 3), i(0), i(2), i(0), i(0)}, 31, nullptr},
        {"submat", kl::fn_submat, {matrix(2, 3), i(1), i(0), i(0), i(0)}, 31, nullptr},
        {"selectrc", kl::fn_selectrc, {matrix(2, 2), i(2), i(0)}, 15, nullptr},
        {"selectrc", kl::fn_selectrc, {matrix(2, 2), matrix(1, 2), matrix(1, 3)}, 40,
         "selectrc(): found matrix[1][3] but expected matrix[1][2] in argument 3"},
        {"replace", kl::fn_replace, {matrix(1, 2), matrix(1, 2), matrix(1, 3)}, 37, "replace(): error in argument 3"},
        {"replace", kl::fn_replace, {string_value("a"), i(1), string_value("b")}, 37,
         "replace(): type error in argument 2; expected: string, found: int"},
        {"findsample", kl::fn_findsample,
         {matrix(2, 2), matrix(1, 2), matrix(1, 3), i(0), i(-1), i(0), i(0), i(0)}, 40,
         "findsample(): found matrix[1][3] but expected matrix[1][2] in argument 3"},
        {"findsample", kl::fn_findsample, {matrix(2, 2), i(0), i(0), i(0), i(-1), i(3), i(0), i(0)}, 37,
         "findsample(): error in argument 6"},
        {"selectc", kl::fn_selectc, {matrix(1, 1), i(0), i(0)}, 37, "selectc(): error in argument 3"},
        {"find", kl::fn_find, {strings({"a"}), i(1)}, 37, "find(): type error in argument 2; expected: string, found: int"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        clear();
        kl::set_current_function(c.name);
        Args a{};
        a.v = c.args;
        EXPECT_EQ(raised([&] { c.fn(&result, a.data(), static_cast<int>(a.v.size())); }), c.code);
        if (c.message) {
            EXPECT_EQ(first_run_message(), c.message);
        }
    }
}

}  // namespace
