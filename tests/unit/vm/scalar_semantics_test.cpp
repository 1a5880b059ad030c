// Every scalar operator gives the same result, type and bits, whichever way it
// runs: the general operator routine, an OPR in the dispatch loop, and the
// fused sequences (whose fast paths and whose fall-backs both count): PBP/PAP
// + PSH c + OPR, a local or argument as the right operand or as the operand of
// a unary operator, a result stored into a local and popped, a local combined
// with an expression in place, and a test against a constant with its jump.
// A run-time error must be raised on every way or none.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "link/operator_codes.h"
#include "vm/engine_fixture.h"
#include "vm/operators.h"
#include "runtime/run_error.h"

namespace kj::test {
namespace {

using value::Value;

constexpr int k_marker = 12345;  // the constant of the fused sequences, patched per case

std::vector<Value> operands() {
    const double inf = std::numeric_limits<double>::infinity();
    std::vector<Value> v;
    for (int32_t i : {0, 1, -1, 2, -7, 7, 32768, 46341, INT32_MAX, INT32_MIN}) v.push_back(value::make_int(i));
    for (double d : {0.0, -0.0, 0.5, -2.5, 3.0, 1e308, -1e308, 4.9e-324, 2147483648.0, -2147483649.0, inf, -inf,
                     std::numeric_limits<double>::quiet_NaN()})
        v.push_back(value::make_double(d));
    return v;
}

// The outcome of one evaluation: the result record's type word and payload
// bits, or a raised error.
struct Outcome {
    bool raised = false;
    uint32_t type = 0;
    uint64_t bits = 0;
    bool operator==(const Outcome&) const = default;
};

std::string describe(const Value& v) {
    return value::type_of(v) == value::T_Int ? "int " + std::to_string(v.u.ival) : "double " + std::to_string(v.u.dval);
}

std::string describe(const Outcome& o) {
    if (o.raised) return "error";
    return "type " + std::to_string(o.type) + " bits " + std::to_string(o.bits);
}

Outcome of(const Value& v) {
    Outcome o;
    o.type = v.type;
    std::memcpy(&o.bits, &v.u, sizeof o.bits);
    if (value::type_of(v) == value::T_Int) o.bits &= 0xffffffffu;
    return o;
}

class ScalarSemanticsTest : public EngineTest {
protected:
    // The general routine on a stack of its own; errors surface as RunError.
    static Outcome general(int code, const Value* l, const Value& r) {
        Value stack[4]{};
        Value* sp = stack;
        if (l) *sp++ = *l;
        *sp = r;
        auto saved = runtime::error_reporter().unwind;
        runtime::error_reporter().unwind = [](int c) { throw runtime::RunError{c}; };
        Outcome o;
        try {
            vm::apply_operator(code, sp);
            o = of(*sp);
        } catch (const runtime::RunError&) {
            o.raised = true;
        }
        runtime::error_reporter().unwind = saved;
        return o;
    }

    void load(int code, bool binary) {
        const std::string t = std::to_string(code);
        const std::string c = std::to_string(k_marker);
        std::string src = "global a\nglobal b\nglobal o\n";
        if (binary) {
            src += "function by_argument(x)\n  PAP 0\n  PSH " + c + "\n  OPR " + t + "\n  RET 1\nend\n";
            src += "function opr()\n  PSH 0\n  LOD a\n  PSH 0\n  LOD b\n  OPR " + t +
                   "\n  STO o\n  POP 0\n  PSH 0\n  RET 0\nend\n";
            src += "function by_local()\n  INT 1\n  PSH 0\n  LOD a\n  SBP 0\n  POP 0\n  PBP 0\n  PSH " + c +
                   "\n  OPR " + t + "\n  STO o\n  POP 0\n  PSH 0\n  RET 0\nend\n";
            src += "function argument()\n  PSH 0\n  LOD by_argument\n  PSH 0\n  LOD a\n  CAL 1\n  STO o\n  POP 0\n"
                   "  PSH 0\n  RET 0\nend\n";
            // a and b in locals 0 and 1 (or arguments 0 and 1), then:
            const std::string locals = "  INT 2\n  PSH 0\n  LOD a\n  SBP 0\n  POP 0\n  PSH 0\n  LOD b\n  SBP 1\n  POP 0\n";
            const std::string result = "  STO o\n  POP 0\n  PSH 0\n  RET 0\nend\n";
            // PBP 1, OPR: the local as the right operand.
            src += "function local_right()\n" + locals + "  PBP 0\n  PBP 1\n  OPR " + t + "\n" + result;
            // OPR, SBP 0, POP 0: the result into local 0.
            src += "function into_local()\n" + locals + "  PBP 0\n  PSH 0\n  LBP 1\n  OPR " + t +
                   "\n  SBP 0\n  POP 0\n  PBP 0\n" + result;
            // PBP 0, PBP 1, OPR, SBP 0, POP 0: local 0 combined with local 1 in place.
            src += "function accumulate()\n" + locals + "  PBP 0\n  PBP 1\n  OPR " + t +
                   "\n  SBP 0\n  POP 0\n  PBP 0\n" + result;
            // PAP 1, OPR: the argument as the right operand.
            src += "function right_argument(x, y)\n  PAP 0\n  PAP 1\n  OPR " + t + "\n  RET 1\nend\n";
            src += "function argument_right()\n  PSH 0\n  LOD right_argument\n  PSH 0\n  LOD a\n  PSH 0\n  LOD b\n"
                   "  CAL 2\n" + result;
            // PBP 0 or PAP 0, PSH c, OPR, NUM, JMF: o is 1 when the result is true, else 0.
            const std::string branch = "  PSH " + c + "\n  OPR " + t +
                                       "\n  NUM 1\n  JMF no\n  POP 0\n  PSH 0\n  LTI 1\n  JMP done\nno:\n  POP 0\n"
                                       "  PSH 0\n  LTI 0\ndone:\n";
            src += "function branch_local()\n" + locals + "  PBP 0\n" + branch + result;
            src += "function test_argument(x)\n  PAP 0\n" + branch + "  RET 1\nend\n";
            src += "function branch_argument()\n  PSH 0\n  LOD test_argument\n  PSH 0\n  LOD a\n  CAL 1\n" + result;
        } else {
            src += "function opr()\n  PSH 0\n  LOD a\n  OPR " + t + "\n  STO o\n  POP 0\n  PSH 0\n  RET 0\nend\n";
            // PBP 0 or PAP 0, OPR: the operand loaded and operated on in one step.
            src += "function local_unary()\n  INT 1\n  PSH 0\n  LOD a\n  SBP 0\n  POP 0\n  PBP 0\n  OPR " + t +
                   "\n  STO o\n  POP 0\n  PSH 0\n  RET 0\nend\n";
            src += "function unary_of(x)\n  PAP 0\n  OPR " + t + "\n  RET 1\nend\n";
            src += "function argument_unary()\n  PSH 0\n  LOD unary_of\n  PSH 0\n  LOD a\n  CAL 1\n  STO o\n"
                   "  POP 0\n  PSH 0\n  RET 0\nend\n";
        }
        assemble(src);
        start_ = IKjRunInit();
        ASSERT_GT(start_, 0);
        constants_.clear();
        for (int i = 0; i < link::code_size(); ++i)
            if (link::code_instr(i).op == static_cast<int32_t>(link::Op::Psh) && link::code_instr(i).operand == k_marker)
                constants_.push_back(i);
    }

    Outcome run_with(const char* name, const Value& a, const Value* b, int32_t constant = 0) {
        link::symbol_at(link::find_symbol("a")).val = a;
        if (b) link::symbol_at(link::find_symbol("b")).val = *b;
        for (int i : constants_) link::code_at(i).operand = constant;
        link::symbol_at(link::find_symbol("o")).val = value::make_none();
        Outcome o;
        if (FKjRun(start_, name) != 1) {
            o.raised = true;
            captured().run_messages.clear();
        } else {
            o = of(global("o"));
        }
        return o;
    }

    int start_ = 0;
    std::vector<int> constants_;
};

// What a conditional jump on the outcome does, as the 1 or 0 the branch
// functions store; an error stays an error.
Outcome branch_taken(const Outcome& o) {
    if (o.raised) return o;
    Value v{};
    v.type = o.type;
    std::memcpy(&v.u, &o.bits, sizeof o.bits);
    return of(value::make_int(value::truth(v) ? 1 : 0));
}

TEST_F(ScalarSemanticsTest, BinaryOperatorsAgreeOnEveryPath) {
    using namespace link;
    const int codes[] = {T_Plus, T_Minus, T_Star, T_DotStar, T_StarStar, T_G_StarTilde, T_XYt, T_Slash, T_DotSlash,
                         T_Caret, T_DotCaret, T_Percent, T_Eq, T_Ne, T_Lt, T_Le, T_Gt, T_Ge, T_DotEq, T_DotNe,
                         T_DotLt, T_DotLe, T_DotGt, T_DotGe, T_DotAndAnd, T_DotOrOr};
    const std::vector<Value> values = operands();
    int compared = 0;
    for (int code : codes) {
        TearDown();
        SetUp();
        load(code, true);
        for (const Value& l : values)
            for (const Value& r : values) {
                const Outcome expected = general(code, &l, r);
                SCOPED_TRACE("operator " + std::to_string(code) + ": " + describe(l) + ", " + describe(r) +
                             " expected " + describe(expected));
                EXPECT_EQ(run_with("opr", l, &r), expected);
                EXPECT_EQ(run_with("local_right", l, &r), expected);
                EXPECT_EQ(run_with("argument_right", l, &r), expected);
                EXPECT_EQ(run_with("into_local", l, &r), expected);
                EXPECT_EQ(run_with("accumulate", l, &r), expected);
                ++compared;
                if (value::type_of(r) != value::T_Int) continue;
                // The fused forms take the right operand as their constant.
                EXPECT_EQ(run_with("by_local", l, nullptr, r.u.ival), expected);
                EXPECT_EQ(run_with("argument", l, nullptr, r.u.ival), expected);
                EXPECT_EQ(run_with("branch_local", l, nullptr, r.u.ival), branch_taken(expected));
                EXPECT_EQ(run_with("branch_argument", l, nullptr, r.u.ival), branch_taken(expected));
            }
    }
    EXPECT_EQ(compared, 26 * 23 * 23);
}

TEST_F(ScalarSemanticsTest, UnaryOperatorsAgreeOnEveryPath) {
    using namespace link;
    const int codes[] = {T_UnaryMinus, T_PlusPlus, T_MinusMinus, T_Not, link::T_Int, link::T_Double,
                         T_IntToDouble};
    for (int code : codes) {
        TearDown();
        SetUp();
        load(code, false);
        for (const Value& v : operands()) {
            const Outcome expected = general(code, nullptr, v);
            SCOPED_TRACE("operator " + std::to_string(code) + ": " + describe(v));
            EXPECT_EQ(run_with("opr", v, nullptr), expected);
            EXPECT_EQ(run_with("local_unary", v, nullptr), expected);
            EXPECT_EQ(run_with("argument_unary", v, nullptr), expected);
        }
    }
}

// Independent values for the corners where the paths once differed.
TEST_F(ScalarSemanticsTest, CornerResults) {
    using namespace link;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const auto general_of = [](int code, Value l, Value r) { return general(code, &l, r); };
    // Two NaN are equal, a NaN differs from a number; an ordering with NaN is false.
    EXPECT_EQ(general_of(T_Eq, value::make_double(nan), value::make_double(nan)), of(value::make_int(1)));
    EXPECT_EQ(general_of(T_Ne, value::make_double(nan), value::make_int(1)), of(value::make_int(1)));
    EXPECT_EQ(general_of(T_Lt, value::make_double(nan), value::make_int(1)), of(value::make_int(0)));
    // int arithmetic wraps; / always gives a double; INT_MIN % -1 is 0; % 0 is an error.
    EXPECT_EQ(general_of(T_Plus, value::make_int(INT32_MAX), value::make_int(1)), of(value::make_int(INT32_MIN)));
    EXPECT_EQ(general_of(T_Slash, value::make_int(7), value::make_int(2)), of(value::make_double(3.5)));
    EXPECT_EQ(general_of(T_Percent, value::make_int(INT32_MIN), value::make_int(-1)), of(value::make_int(0)));
    EXPECT_TRUE(general_of(T_Percent, value::make_int(3), value::make_int(0)).raised);
    EXPECT_TRUE(general_of(T_Percent, value::make_double(3), value::make_double(0.2)).raised);
    // int ^ int stays int while exact, else the double power; 0 ^ -1 is an error.
    EXPECT_EQ(general_of(T_Caret, value::make_int(3), value::make_int(4)), of(value::make_int(81)));
    EXPECT_EQ(general_of(T_Caret, value::make_int(65536), value::make_int(2)), of(value::make_double(4294967296.0)));
    EXPECT_TRUE(general_of(T_Caret, value::make_int(0), value::make_int(-1)).raised);
    // double to int truncates; out of range gives INT_MIN.
    EXPECT_EQ(general(link::T_Int, nullptr, value::make_double(-2.7)), of(value::make_int(-2)));
    EXPECT_EQ(general(link::T_Int, nullptr, value::make_double(1e10)), of(value::make_int(INT32_MIN)));
}

}  // namespace
}  // namespace kj::test
