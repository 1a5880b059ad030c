// FNI inline functions: element by element on ints, doubles and matrices,
// and the size queries on any record.
#include <cmath>

#include "vm/operators_fixture.h"

namespace kj::test {
namespace {

class InlineFunctions : public OperatorTest {
protected:
    Value apply(int code, const Value& v) {
        push(v);
        vm::apply_inline(code, *sp);
        return pop();
    }
};

TEST_F(InlineFunctions, ScalarResults) {
    const struct {
        const char* name;
        int code;
        Value v;
        uint32_t type;
        double expect;
    } cases[] = {
        {"sqr of a small int stays int", 155, i(-181), value::T_Int, 32761},
        {"sqr of a large int is double", 155, i(32768), value::T_Double, 1073741824.0},
        {"fabs int", 146, i(-4), value::T_Double, 4},
        {"floor int", 147, i(-4), value::T_Double, -4},
        {"round half away from zero", 151, d(-2.5), value::T_Double, -3},
        {"trunc", 159, d(-2.7), value::T_Double, -2},
        {"ceil", 141, d(1.2), value::T_Double, 2},
        {"sqrt int", 156, i(9), value::T_Double, 3},
        {"exp", 145, i(0), value::T_Double, 1},
        {"log10", 179, d(1000), value::T_Double, 3},
        {"densn", 144, d(0), value::T_Double, 0.3989422804014327},
        {"probn", 149, d(1.959963984540054), value::T_Double, 0.975},
        {"tailn", 157, d(1.959963984540054), value::T_Double, 0.025},
        {"quann", 150, d(0.975), value::T_Double, 1.959963984540054},
        {"rows of a string is its length", 152, str("abcd"), value::T_Int, 4},
        {"sizer of a string", 162, str("abcd"), value::T_Int, 1},
        {"sizec of an int", 161, i(4), value::T_Int, 1},
        {"sizerc of a matrix", 163, mat(2, 3), value::T_Int, 6},
        {"sizeof a matrix", 154, mat(2, 3), value::T_Int, 6},
        {"columns of a double", 142, d(1), value::T_Int, 0},
        {"rows of no value", 152, value::make_null(), value::T_Int, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Held res(apply(c.code, c.v));
        ASSERT_EQ(value::type_of(res.v), c.type);
        if (c.type == value::T_Int)
            EXPECT_EQ(res.v.u.ival, c.expect);
        else
            EXPECT_NEAR(res.v.u.dval, c.expect, 1e-15 * std::fabs(c.expect) + 1e-300);
    }
}

TEST_F(InlineFunctions, Matrices) {
    Held m(mat(1, 3, {-1.5, 0, 2.25}));
    Held f(apply(146, alias(m.v)));
    EXPECT_EQ(elements(f.v), (std::vector<double>{1.5, 0, 2.25}));
    EXPECT_EQ(elements(m.v), (std::vector<double>{-1.5, 0, 2.25}));  // alias untouched
    Value own = mat(1, 2, {4, 9});
    double** block = own.u.mat.m;
    Held r(apply(156, own));
    EXPECT_EQ(r.v.u.mat.m, block);  // in place
    EXPECT_EQ(elements(r.v), (std::vector<double>{2, 3}));

    push(str("x"));
    EXPECT_THROW(vm::apply_inline(156, *sp), runtime::RunError);
    EXPECT_EQ(last_message(), error_line("sqrt(string[1])", "bad operand"));
}

}  // namespace
}  // namespace kj::test
