// Index loads and stores on matrices, strings and arrays, and the GAUSS
// dialect's 1-based indices.
#include "compiler/tokens.h"
#include "vm/operators_fixture.h"

namespace kj::test {
namespace {

class Indexing : public OperatorTest {
protected:
    // m = <0,1,2; 3,4,5>, held as the variable the stack aliases.
    Held m{mat(2, 3, {0, 1, 2, 3, 4, 5})};

    // Pushes target[first] (as a "vector" when a second index follows) and the second index.
    void push_indices(const Value& target, const Value& first, const Value& second, bool two) {
        push(target);
        push(first);
        if (two) {
            vm::index_load(sp);
            push(second);
        }
    }

    // Loads variable[first] or variable[first][second] and pops the result.
    Value load(const Value& target, const Value& first) {
        push(target);
        push(first);
        vm::index_load(sp);
        return pop();
    }
    Value load(const Value& target, const Value& first, const Value& second) {
        push(target);
        push(first);
        vm::index_load(sp);
        push(second);
        vm::index_load(sp);
        EXPECT_EQ(depth(), 1);
        return pop();
    }
    void store(const Value& target, const Value& first, const Value& val) {
        push(target);
        push(first);
        push(val);
        vm::index_store(sp);
        EXPECT_EQ(depth(), 1);
        value::release(*sp--);
    }
    void store(const Value& target, const Value& first, const Value& second, const Value& val) {
        push(target);
        push(first);
        vm::index_load(sp);
        push(second);
        push(val);
        vm::index_store(sp);
        EXPECT_EQ(depth(), 1);
        value::release(*sp--);
    }
};

TEST_F(Indexing, MatrixLoads) {
    Held e(load(alias(m.v), i(1), d(2.9)));
    ASSERT_EQ(value::type_of(e.v), value::T_Double);
    EXPECT_EQ(e.v.u.dval, 5);

    const struct {
        const char* name;
        Value rows, cols;
        int r, c;
        std::vector<double> expect;
    } cases[] = {
        {"row", i(1), range(0, KJ_RANGE_OPEN), 1, 3, {3, 4, 5}},
        {"column", range(0, KJ_RANGE_OPEN), i(1), 2, 1, {1, 4}},
        {"rows reordered, columns repeated", mat(1, 2, {1, 0}), mat(1, 3, {2, 2, 0}), 2, 3, {5, 5, 3, 2, 2, 0}},
        {"1x1 matrix indices", mat(1, 1, {1}), range(1, 2), 1, 2, {4, 5}},
        {"empty index matrix", mat(0, 0), i(0), 0, 1, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Held res(load(alias(m.v), c.rows, c.cols));
        ASSERT_EQ(value::type_of(res.v), value::T_Matrix);
        EXPECT_EQ(res.v.u.mat.r, c.r);
        EXPECT_EQ(res.v.u.mat.c, c.c);
        EXPECT_EQ(elements(res.v), c.expect);
    }

    // One index leaves a "vector" that materialises when it is used.
    Held v(load(alias(m.v), mat(1, 2, {5, 0})));
    EXPECT_EQ(value::type_of(v.v), value::T_Vector);
    push(v.v);
    v.v = value::make_int(0);
    push(i(0));
    vm::apply_operator(compiler::T_Plus, sp);
    EXPECT_EQ(elements(*sp), (std::vector<double>{5, 0}));
    EXPECT_EQ(sp->u.mat.c, 1);  // a column: the source had two rows
    EXPECT_EQ(last_message(), "Warning: indexed a matrix as a vector");
    EXPECT_EQ(elements(m.v), (std::vector<double>{0, 1, 2, 3, 4, 5}));
}

TEST_F(Indexing, AliasVectorWithIndexMatrixReleasesItsIndex) {
    push(alias(m.v));
    push(mat(1, 2, {0, 1}));
    vm::index_load(sp);
    value::release(*sp--);  // a popped, unused vector leaks nothing
    EXPECT_EQ(elements(m.v), (std::vector<double>{0, 1, 2, 3, 4, 5}));
}

TEST_F(Indexing, MatrixStores) {
    store(alias(m.v), i(1), i(2), d(9));
    EXPECT_EQ(m.v.u.mat.m[1][2], 9);
    store(alias(m.v), i(0), range(0, KJ_RANGE_OPEN), i(7));
    EXPECT_EQ(elements(m.v), (std::vector<double>{7, 7, 7, 3, 4, 9}));
    store(alias(m.v), range(0, 1), mat(1, 2, {2, 0}), mat(2, 3, {1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(elements(m.v), (std::vector<double>{2, 7, 1, 5, 4, 4}));  // block-wise, as far as both reach
    store(alias(m.v), i(1), i(1), mat(1, 1, {-1}));
    EXPECT_EQ(m.v.u.mat.m[1][1], -1);

    run_messages().clear();
    store(alias(m.v), range(0, 2), mat(1, 2, {8, 9}));  // one index: row-major positions
    EXPECT_EQ(elements(m.v), (std::vector<double>{8, 9, 1, 5, -1, 4}));
    EXPECT_EQ(last_message(), "Warning: indexed a matrix as a vector");
    run_messages().clear();
    store(alias(m.v), range(0, KJ_RANGE_OPEN), d(0));  // the full range does not warn
    EXPECT_EQ(elements(m.v), (std::vector<double>(6, 0.0)));
    EXPECT_TRUE(run_messages().empty());

    // XRS turns an int variable into a 1 by 1 matrix that can take the store.
    Value var = i(4);
    vm::prepare_indexed_store(var);
    ASSERT_EQ(value::type_of(var), value::T_Matrix);
    store(alias(var), i(0), i(6));
    EXPECT_EQ(var.u.mat.m[0][0], 6);
    value::release(var);
}

TEST_F(Indexing, StringsAndArrays) {
    Held s(str("abc"));
    Held b(load(alias(s.v), i(1)));
    EXPECT_EQ(b.v.u.ival, 'b');
    Held nul(load(alias(s.v), d(3)));
    EXPECT_EQ(nul.v.u.ival, 0);
    Held sub(load(alias(s.v), range(1, KJ_RANGE_OPEN)));
    EXPECT_EQ(text(sub.v), "bc");
    Held picked(load(alias(s.v), mat(1, 2, {2, 0})));
    EXPECT_EQ(text(picked.v), "ca");
    store(alias(s.v), i(0), i('X'));
    store(alias(s.v), range(1, 2), str("yzw"));
    EXPECT_EQ(text(s.v), "Xyz");
    store(alias(s.v), mat(1, 2, {2, 0}), str("AB"));
    EXPECT_EQ(text(s.v), "ByA");
    store(alias(s.v), range(0, 1), i('-'));
    EXPECT_EQ(text(s.v), "--A");

    Held a(value::make_null());
    value::set_array(a.v, 3);
    a.v.u.arr.v[0] = i(1);
    a.v.u.arr.v[1] = str("two");
    a.v.u.arr.v[2] = mat(1, 1, {3});
    Held e(load(alias(a.v), i(1)));
    EXPECT_EQ(text(e.v), "two");
    EXPECT_FALSE(value::owns(e.v));  // an alias of the element
    Held part(load(alias(a.v), range(1, 2)));
    ASSERT_EQ(part.v.u.arr.n, 2);
    EXPECT_TRUE(value::has_flag(part.v, value::k_shared));
    store(alias(a.v), i(0), str("one"));
    EXPECT_EQ(text(a.v.u.arr.v[0]), "one");
    EXPECT_TRUE(value::owns(a.v.u.arr.v[0]));

    // An owned array hands its element over.
    Value owned = value::make_null();
    value::duplicate(owned, a.v);
    Held moved(load(owned, i(2)));
    EXPECT_TRUE(value::owns(moved.v));
    EXPECT_EQ(elements(moved.v), (std::vector<double>{3}));

    push(alias(a.v));
    vm::multiple_assign_element(1, *sp);
    EXPECT_EQ(text(*sp), "two");
    sp--;
}

TEST_F(Indexing, GaussIndicesAreOneBased) {
    push(alias(m.v));
    push(i(2));
    vm::index_load_gauss(2, sp);
    push(i(0));  // everything
    vm::index_load_gauss(2, sp);
    EXPECT_EQ(elements(*sp), (std::vector<double>{3, 4, 5}));
    value::release(*sp--);

    Value idx = range(3, 1);
    vm::gauss_index_to_zero_based(idx);
    EXPECT_EQ(elements(idx), (std::vector<double>{2, 1, 0}));
    value::release(idx);
    idx = range(2, 3);
    vm::gauss_index_to_zero_based(idx);
    EXPECT_EQ(idx.u.rng.first, 1);
    EXPECT_EQ(idx.u.rng.last, 2);
    Held list(mat(1, 2, {1, 3}));
    idx = alias(list.v);
    vm::gauss_index_to_zero_based(idx);
    EXPECT_EQ(elements(idx), (std::vector<double>{0, 2}));
    EXPECT_EQ(elements(list.v), (std::vector<double>{1, 3}));  // the alias was copied first
    value::release(idx);
}

TEST_F(Indexing, LoadErrors) {
    Held s(str("abc"));
    Held a(value::make_null());
    value::set_array(a.v, 2);
    const struct {
        const char* name;
        Value target, first, second;
        bool two;
        std::string message;
    } cases[] = {
        {"row out of range", alias(m.v), i(5), i(0), true, error_line("[5][] in matrix[2][3]", "index out of range")},
        {"negative row", alias(m.v), d(-1), i(0), true, error_line("[-1][] in matrix[2][3]", "index out of range")},
        {"column out of range", alias(m.v), i(0), i(3), true, error_line("[][3] in matrix[2][3]", "index out of range")},
        {"listed column out of range", alias(m.v), i(0), mat(1, 2, {0, 7}), true,
         error_line("[][7] in matrix[2][3]", "index out of range")},
        {"row range past the end", alias(m.v), range(0, 4), i(0), true,
         error_line("[0 : 4][] in matrix[2][3]", "invalid index range")},
        {"column range reversed", alias(m.v), i(0), range(2, 1), true,
         error_line("[][2 : 1] in matrix[2][3]", "invalid index range")},
        {"open range past the end", alias(m.v), i(0), range(5, KJ_RANGE_OPEN), true,
         error_line("[][5 : 2] in matrix[2][3]", "invalid index range")},
        {"string index", alias(s.v), i(4), i(0), false, error_line("[4] in string[3]", "index out of range")},
        {"substring", alias(s.v), range(1, 5), i(0), false, error_line("[1 : 5] in string[3]", "invalid index range")},
        {"array index", alias(a.v), i(2), i(0), false, error_line("[2] in array[2]", "index out of range")},
        {"int cannot be indexed", i(3), i(0), i(0), false, error_line("int", "cannot index this type")},
        {"no value cannot be indexed", value::make_null(), i(0), i(0), false,
         error_line(".Null", "cannot index this type")},
        {"string as index", alias(m.v), str("x"), i(0), false, error_line("", "scalar or matrix expected")},
        {"second index type", alias(m.v), i(0), str("x"), true, error_line("", "scalar or matrix expected")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        push_indices(c.target, c.first, c.second, c.two);
        expect_failure([&] { vm::index_load(sp); }, c.message);
    }

    // A single index is checked when the vector is used.
    push(alias(m.v));
    push(i(6));
    vm::index_load(sp);
    EXPECT_THROW(vm::apply_operator(compiler::T_UnaryMinus, sp), runtime::RunError);
    EXPECT_EQ(last_message(), error_line("[6] in matrix[2][3]", "index out of range"));
    sp = stack - 1;

    push(i(7));
    EXPECT_THROW(vm::multiple_assign_element(1, *sp), runtime::RunError);
    EXPECT_EQ(last_message(), error_line("[1] in int", "index out of range"));
    vm::multiple_assign_element(0, *sp);  // element 0 of a non-array is itself
    EXPECT_EQ(sp->u.ival, 7);
}

TEST_F(Indexing, StoreErrors) {
    Held s(str("abc"));
    Held a(value::make_null());
    value::set_array(a.v, 2);
    a.v.u.arr.v[1] = i(1);
    a.v.u.arr.v[1].type |= value::k_const;
    const struct {
        const char* name;
        Value target, first, second, val;
        bool two;
        std::string message;
    } cases[] = {
        {"single index out of range", alias(m.v), i(6), {}, d(1), false,
         error_line("[6] in matrix[2][3]", "index out of range")},
        {"element out of range", alias(m.v), i(2), i(0), d(1), true,
         error_line("[2][] in matrix[2][3]", "index out of range")},
        {"string value into a matrix", alias(m.v), i(0), {}, str("x"), false, error_line("", "scalar expected")},
        {"matrix at one position", alias(m.v), i(0), {}, mat(2, 2), false,
         error_line("matrix[2][2]", "cannot cast to double")},
        {"matrix at one element", alias(m.v), i(0), i(0), mat(1, 2), true,
         error_line("matrix[1][2]", "cannot cast to double")},
        {"string byte from a string of two", alias(s.v), i(0), {}, str("xy"), false,
         error_line("", "scalar expected")},
        {"substring from a matrix", alias(s.v), range(0, 1), {}, mat(1, 1), false,
         error_line("", "scalar or string expected")},
        {"string position", alias(s.v), i(3), {}, i(65), false, error_line("[3] in string[3]", "index out of range")},
        {"several array items", alias(a.v), range(0, 1), {}, i(1), false,
         error_line("", "can only index one array item at a time")},
        {"constant array item", alias(a.v), i(1), {}, i(1), false, error_line("", "cannot use constant")},
        {"double cannot be indexed", d(1), i(0), {}, i(1), false, error_line("double", "cannot index this type")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        push_indices(c.target, c.first, c.second, c.two);
        push(c.val);
        expect_failure([&] { vm::index_store(sp); }, c.message);
    }
    EXPECT_EQ(elements(m.v), (std::vector<double>{0, 1, 2, 3, 4, 5}));
}

}  // namespace
}  // namespace kj::test
