// Classes, objects and member access: NEW, CAM, LMP, SMP, LMR, SMN, the
// delete sequence, cloning and the object calls of the C interface.
#include <initializer_list>

#include "runtime/alloc.h"
#include "vm/engine_fixture.h"
#include "link/class_members.h"
#include "vm/objects.h"

namespace kj::test {
namespace {

using value::Value;

// Member functions of three classes, Derived2 : Derived : Base. Base::get
// calls this.name() through a string selector, which each class redefines.
const char* const k_members = R"(
global destroyed
global obj
global other
function Base::Base(this, zero, v)
  PSH 0
  LAP 0
  PSH 0
  LAP 2
  SMP 0          ; this.x = v
  POP 0
  PSH 0
  LAP 0
  PSH 0
  LAP 0
  LMP 1
  PSH 1
  OPR +
  SMP 1          ; this.count = this.count + 1 (static)
  POP 0
  RET 0
end
function Base::get(this, zero)
  PSH 0
  LAP 0
  PSH 0
  LIT "name"
  PSH 0
  CAM 0
  RET 1
end
function Base::setx(this, zero, v)
  PSH 0
  LAP 0
  PSH 0
  LAP 2
  SMP 0
  RET 1
end
function Base::name(this, zero)
  PSH 0
  LIT "base"
  RET 1
end
function Derived::name(this, zero)
  PSH 0
  LIT "derived"
  RET 1
end
function Derived::~Derived(this, zero)
  PSH 0
  LOD destroyed
  PSH 1
  OPR +
  STO destroyed
  POP 0
  RET 0
end
function Derived2::name(this, zero)
  PSH 0
  LIT "derived2"
  RET 1
end
function Derived2::fails(this, zero)
  PSH 0
  LAP 0
  LMP 2          ; y has no value
  RET 1
end
extern Base::undefined(this, zero)
)";

struct Data {
    const char* name;
    uint32_t attributes;
    Value initial;
};
struct Function {
    const char* member;
    const char* symbol;
};

class ObjectsTest : public EngineTest {
protected:
    int define(const char* name, const char* base, std::initializer_list<Data> data,
               std::initializer_list<Function> functions) {
        link::ClassBuilder b(base ? link::find_symbol(base) : -1);
        b.inherit_base_members();
        for (const Data& d : data) b.add_data_member(d.name, d.attributes, d.initial);
        for (const Function& f : functions) b.add_member_function(f.member, global(f.symbol));
        return link::define_class(name, b);
    }

    // Base { x (member bit), static count = 0 }, Derived { y }, Derived2, and
    // an unrelated Other.
    void define_classes() {
        assemble(k_members);
        define("Base", nullptr, {{"x", value::k_bound, {}}, {"count", value::k_static, value::make_int(0)}},
               {{"Base", "Base::Base"}, {"get", "Base::get"}, {"setx", "Base::setx"}, {"name", "Base::name"},
                {"undefined", "Base::undefined"}});
        define("Derived", "Base", {{"y", 0, {}}}, {{"name", "Derived::name"}, {"~Derived", "Derived::~Derived"}});
        define("Derived2", "Derived", {}, {{"name", "Derived2::name"}, {"fails", "Derived2::fails"}});
        define("Other", nullptr, {{"c", value::k_static | value::k_const, value::make_int(3)}}, {});
    }

    // Runs main's body (after the class definitions) with global r.
    int run_main(const std::string& body) {
        define_classes();
        return run("global r\nfunction main()\n" + body + "  PSH 0\n  RET 0\nend\n");
    }

    static int symbol(const char* name) { return link::find_symbol(name); }
    static const Value& class_member(const char* cls, int i) {
        return link::class_record(symbol(cls))->u.obj.members[i].val;
    }
};

// delete of global `name`: its address, four PSH 0, destruct, CAM 0, delete.
std::string delete_global(const std::string& name) {
    return "  PSH 0\n  ADR\n  LOD " + name +
           "\n  PSH 0\n  PSH 0\n  PSH 0\n  PSH 0\n  OPR 132\n  CAM 0\n  OPR 47\n  POP 0\n";
}

std::string new_global(const std::string& cls, const std::string& name = "obj") {
    return "  PSH 0\n  NEW " + cls + "\n  STO " + name + "\n  POP 0\n";
}

// r := name.member(arg) through CAM with a string selector.
std::string call_into_r(const std::string& member, const std::string& name = "obj", const char* arg = nullptr) {
    std::string s = "  PSH 0\n  LOD " + name + "\n  PSH 0\n  LIT \"" + member + "\"\n  PSH 0\n";
    if (arg) s += "  PSH " + std::string(arg) + "\n";
    return s + "  CAM " + (arg ? "1" : "0") + "\n  STO r\n  POP 0\n";
}

TEST_F(ObjectsTest, ClassRecordLayout) {
    define_classes();
    const Value* d2 = link::class_record(symbol("Derived2"));
    ASSERT_NE(d2, nullptr);
    EXPECT_EQ(link::data_member_count(*d2), 3);  // x, count from Base, y from Derived
    EXPECT_EQ(d2->u.obj.base, symbol("Derived"));
    EXPECT_EQ(d2->u.obj.cls, symbol("Derived2"));
    EXPECT_STREQ(d2->u.obj.members[2].name, "y");
    // Functions sorted by name; inherited ones are found through the bases.
    const Value* base = link::class_record(symbol("Base"));
    ASSERT_EQ(link::member_function_count(*base), 5);
    EXPECT_STREQ(link::member_functions(*base)[0].name, "Base");
    EXPECT_STREQ(link::member_functions(*base)[4].name, "undefined");
    int owner = -1;
    ASSERT_NE(link::find_member_function(symbol("Derived2"), "setx", &owner), nullptr);
    EXPECT_EQ(owner, symbol("Base"));
    EXPECT_EQ(link::find_member_function(symbol("Derived2"), "nothing"), nullptr);
    EXPECT_TRUE(link::derives_from(symbol("Derived2"), symbol("Base")));
    EXPECT_FALSE(link::derives_from(symbol("Base"), symbol("Derived")));
    EXPECT_EQ(link::short_class_name(symbol("Base")), "Base");
}

TEST_F(ObjectsTest, StringSelectorDispatchesOnTheObjectsClass) {
    for (const char* cls : {"Base", "Derived", "Derived2"}) {
        SCOPED_TRACE(cls);
        TearDown();
        SetUp();
        ASSERT_EQ(run_main(new_global(cls) + call_into_r("get") + delete_global("obj")), 1) << joined();
        const std::string expected = cls == std::string("Base") ? "base" : cls == std::string("Derived") ? "derived" : "derived2";
        EXPECT_STREQ(global("r").u.str.s, expected.c_str());
    }
}

TEST_F(ObjectsTest, IntSelectorCallsTheNamedClassesFunction) {
    define_classes();
    const int base = symbol("Base");
    int index = -1;
    for (int j = 0; j < link::member_function_count(*link::class_record(base)); ++j)
        if (std::string(link::member_functions(*link::class_record(base))[j].name) == "name") index = j;
    const std::string selector = std::to_string(link::member_selector(base, index));
    const std::string call = "  PSH 0\n  LOD obj\n  PSH " + selector + "\n  PSH 0\n  CAM 0\n  STO r\n  POP 0\n";
    ASSERT_EQ(run("global r\nfunction main()\n" + new_global("Derived2") + call + delete_global("obj") +
                  "  PSH 0\n  RET 0\nend\n"),
              1)
        << joined();
    EXPECT_STREQ(global("r").u.str.s, "base");
}

TEST_F(ObjectsTest, ConstructorAndStaticMembers) {
    // Two objects construct through the inherited constructor; count lives
    // in Base's list only.
    const std::string body = new_global("Base") + "  PSH 0\n  LOD obj\n  PSH 0\n  LIT \"Base\"\n  PSH 0\n  PSH 5\n"
                             "  CAM 1\n  POP 0\n" + new_global("Derived2", "other") +
                             "  PSH 0\n  LOD other\n  PSH 0\n  LIT \"Base\"\n  PSH 0\n  PSH 9\n  CAM 1\n  POP 0\n"
                             "  PSH 0\n  LOD other\n  LMP 0\n  STO r\n  POP 0\n";
    ASSERT_EQ(run_main(body), 1) << joined();
    EXPECT_EQ(global("r").u.ival, 9);
    EXPECT_EQ(class_member("Base", 1).u.ival, 2);
    EXPECT_TRUE(value::is_null(class_member("Derived2", 1)));

    Value obj = global("obj"), other = global("other");
    Value out = value::make_int(0);
    ASSERT_EQ(FKjGetDataMember(&other, "count", &out), 1);
    EXPECT_EQ(out.type, value::T_Int);  // no static mark, not owning
    EXPECT_EQ(out.u.ival, 2);
    ASSERT_EQ(FKjGetDataMember(&obj, "x", &out), 1);
    EXPECT_EQ(out.u.ival, 5);
    EXPECT_EQ(FKjGetDataMember(&obj, "y", &out), 0);
    // The member bit of x survived the store.
    EXPECT_TRUE(value::has_flag(obj.u.obj.members[0].val, value::k_bound));

    Value text{};
    value::set_string(text, "seven", 5);
    ASSERT_EQ(FKjSetDataMember(&obj, "x", &text), 1);
    EXPECT_FALSE(value::owns(text));  // ownership moved into the member
    EXPECT_STREQ(obj.u.obj.members[0].val.u.str.s, "seven");
    EXPECT_TRUE(value::has_flag(obj.u.obj.members[0].val, value::k_bound));
    EXPECT_EQ(FKjSetDataMember(&obj, "nothing", &text), 0);

    EXPECT_STREQ(KjValGetClassName(&other), "Derived2");
    EXPECT_EQ(KjValGetStaticObject(&other), &link::symbol_at(symbol("Derived2")).val);
    KjDeleteObject(&obj);
    KjDeleteObject(&other);
    EXPECT_EQ(obj.type, value::T_Int);
}

TEST_F(ObjectsTest, NewOperatorMarksTheObjectOwning) {
    ASSERT_EQ(run_main("  PSH 0\n  NEW Base\n  OPR 93\n  STO obj\n  POP 0\n"), 1) << joined();
    Value obj = global("obj");
    EXPECT_EQ(obj.type, value::T_Class | value::k_owns);
    KjDeleteObject(&obj);
}

TEST_F(ObjectsTest, StaticConstantMemberIsNotChangedByTheInterface) {
    define_classes();
    Value other = vm::new_object(symbol("Other"));
    Value v = value::make_int(8);
    EXPECT_EQ(FKjSetDataMember(&other, "c", &v), 1);
    EXPECT_EQ(class_member("Other", 0).u.ival, 3);
    KjDeleteObject(&other);
}

TEST_F(ObjectsTest, BoundFunctionSeesTheSameMemberBlock) {
    // f := obj.setx (LMR); f(7); r := obj.x
    const std::string body = new_global("Base") +
                             "  PSH 0\n  LOD obj\n  PSH 0\n  LIT \"setx\"\n  PSH 0\n  LMR\n  PSH 7\n  CAL 1\n  POP 0\n"
                             "  PSH 0\n  LOD obj\n  LMP 0\n  STO r\n  POP 0\n" +
                             delete_global("obj");
    ASSERT_EQ(run_main(body), 1) << joined();
    EXPECT_EQ(global("r").u.ival, 7);
}

TEST_F(ObjectsTest, DataMembersByNameAndAsFunctions) {
    // obj.x := "seven" (a function's name, SMN); obj.x() calls it with no
    // hidden arguments; LMR of a data member loads it.
    assemble("function seven()\n  PSH 0\n  LTI 7\n  RET 1\nend\n");
    const std::string body = new_global("Base") +
                             "  PSH 0\n  LOD obj\n  PSH 0\n  LIT \"x\"\n  PSH 0\n  LIT \"seven\"\n  SMN\n  POP 0\n" +
                             call_into_r("x") + "  PSH 0\n  LOD r\n  PSH 0\n  LOD obj\n  PSH 0\n  LIT \"x\"\n"
                             "  PSH 0\n  LMR\n  CAL 0\n  OPR +\n  STO r\n  POP 0\n" +
                             delete_global("obj");
    ASSERT_EQ(run_main(body), 1) << joined();
    EXPECT_EQ(global("r").u.ival, 14);
}

TEST_F(ObjectsTest, MemberReferencesAndAddresses) {
    // The address of member x by index (ADR LMP) and by name (ADR LMR).
    define_classes();
    Value a = value::make_int(0), b = value::make_int(0);
    const int k = link::add_symbol("a", a), kb = link::add_symbol("b", b);
    ASSERT_GE(k, 0);
    ASSERT_GE(kb, 0);
    ASSERT_EQ(run("global r\nfunction main()\n" + new_global("Base") +
                  "  PSH 0\n  LOD obj\n  ADR\n  LMP 0\n  STO a\n  POP 0\n"
                  "  PSH 0\n  LOD obj\n  PSH 0\n  LIT \"x\"\n  PSH 0\n  ADR\n  LMR\n  STO b\n  POP 0\n"
                  "  PSH 0\n  RET 0\nend\n"),
              1)
        << joined();
    const Value& ra = link::symbol_at(k).val;
    const Value& rb = link::symbol_at(kb).val;
    Value obj = global("obj");
    EXPECT_TRUE(value::has_flag(ra, value::k_address));
    EXPECT_EQ(ra.u.arr.v, &obj.u.obj.members[0].val);
    EXPECT_EQ(rb.u.arr.v, &obj.u.obj.members[0].val);
    KjDeleteObject(&obj);
}

TEST_F(ObjectsTest, DeleteCallsTheDestructorOfTheObjectsOwnClass) {
    // Derived has ~Derived; Derived2 has none of its own, Base none at all.
    const struct {
        const char* cls;
        int destroyed;
    } cases[] = {{"Derived", 1}, {"Derived2", 0}, {"Base", 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cls);
        TearDown();
        SetUp();
        ASSERT_EQ(run_main(new_global(c.cls) + delete_global("obj")), 1) << joined();
        EXPECT_EQ(global("destroyed").u.ival, c.destroyed);
        EXPECT_EQ(global("obj").type, value::T_None | value::k_null);
    }
}

TEST_F(ObjectsTest, DeleteOfOtherValues) {
    define_classes();
    Value m{};
    value::set_matrix_zero(m, 2, 2);
    const int km = link::add_symbol("m", m);
    Value s{};
    value::set_string(s, "abc", 3);
    const int ks = link::add_symbol("s", s);
    const int ki = link::add_symbol("i", value::make_int(4));
    ASSERT_EQ(run("global r\nfunction main()\n" + delete_global("m") + delete_global("s") + delete_global("i") +
                  delete_global("r") + "  PSH 0\n  RET 0\nend\n"),
              1)
        << joined();
    EXPECT_EQ(link::symbol_at(km).val.type, value::T_None | value::k_null);
    EXPECT_EQ(link::symbol_at(ks).val.type, value::T_None | value::k_null);
    EXPECT_EQ(link::symbol_at(ki).val.u.ival, 4);  // no payload: left as it is
}

TEST_F(ObjectsTest, CloneDeepAndShallow) {
    define_classes();
    const int holder = define("Holder", nullptr, {{"inner", 0, {}}, {"m", 0, {}}}, {});
    Value inner = vm::new_object(symbol("Base"));
    value::set_int(inner.u.obj.members[0].val, 4);
    Value outer = vm::new_object(holder);
    outer.u.obj.members[0].val = inner;
    value::set_matrix_zero(outer.u.obj.members[1].val, 2, 2);

    for (int deep : {0, 1}) {
        SCOPED_TRACE(deep);
        Value clone = value::make_int(0);
        KjCloneObject(&clone, &outer, deep);
        EXPECT_EQ(clone.type, value::T_Class | value::k_owns);
        EXPECT_NE(clone.u.obj.members, outer.u.obj.members);
        const Value& m = clone.u.obj.members[1].val;
        EXPECT_TRUE(value::owns(m));
        EXPECT_NE(m.u.mat.m, outer.u.obj.members[1].val.u.mat.m);
        Value& cinner = clone.u.obj.members[0].val;
        if (deep) {
            EXPECT_NE(cinner.u.obj.members, inner.u.obj.members);
            EXPECT_EQ(cinner.u.obj.members[0].val.u.ival, 4);
            KjDeleteObject(&cinner);
        } else {
            EXPECT_EQ(cinner.u.obj.members, inner.u.obj.members);
        }
        KjDeleteObject(&clone);
    }
    KjDeleteObject(&inner);
    KjDeleteObject(&outer);
}

TEST_F(ObjectsTest, DeepCloneKeepsSharedAndCyclicMembers) {
    define_classes();
    const int node = define("Node", nullptr, {{"next", 0, {}}, {"again", 0, {}}}, {});
    Value a = vm::new_object(node);
    a.u.obj.members[0].val = a;  // a.next = a
    a.u.obj.members[1].val = a;
    Value clone = value::make_int(0);
    KjCloneObject(&clone, &a, 1);
    EXPECT_EQ(clone.u.obj.members[0].val.u.obj.members, clone.u.obj.members);
    EXPECT_EQ(clone.u.obj.members[1].val.u.obj.members, clone.u.obj.members);
    KjDeleteObject(&clone);
    KjDeleteObject(&a);
}

TEST_F(ObjectsTest, ValueStoreDeletesOwnedObjectsWithTheirDestructors) {
    ASSERT_EQ(run_main(""), 1);
    Value* store = KjStoreCreate(2);
    ASSERT_EQ(FKjCreateObject("Derived", &store[0], nullptr, 0), 1);
    Value kept = vm::new_object(symbol("Derived"));
    store[1] = kept;  // not owning: only released
    KjStoreDelete(store, 2);
    EXPECT_EQ(global("destroyed").u.ival, 1);
    KjDeleteObject(&kept);
    EXPECT_EQ(global("destroyed").u.ival, 2);
}

// Native functions that reach objects through the C interface.
Value g_made;
void make_base(KjValue* result, KjValue* args, int) {
    const int ok = FKjCreateObject("Base", &g_made, args, 1);
    KjValSetInt(result, ok);
}
void call_name(KjValue* result, KjValue* args, int) {
    if (!FKjCallBackMember(&args[0], "name", result, nullptr, 0)) KjValSetInt(result, -1);
}
void clone_arg(KjValue* result, KjValue* args, int) { KjCloneObject(result, &args[0], 0); }

TEST_F(ObjectsTest, NativeCodeCreatesAndCallsObjects) {
    add_native("make_base", 1, make_base);
    add_native("call_name", 1, call_name);
    g_made = value::make_int(0);
    const std::string body =
        "  PSH 0\n  LOD make_base\n  PSH 6\n  CAL 1\n  STO r\n  POP 0\n" + new_global("Derived") +
        "  PSH 0\n  LOD call_name\n  PSH 0\n  LOD obj\n  CAL 1\n  STO other\n  POP 0\n" + delete_global("obj");
    ASSERT_EQ(run_main(body), 1) << joined();
    EXPECT_EQ(global("r").u.ival, 1);
    ASSERT_EQ(value::type_of(g_made), value::T_Class);
    EXPECT_TRUE(value::owns(g_made));
    EXPECT_EQ(g_made.u.obj.members[0].val.u.ival, 6);
    EXPECT_STREQ(global("other").u.str.s, "derived");

    Value none = value::make_int(0);
    EXPECT_EQ(FKjCallBackMember(&g_made, "nothing", &none, nullptr, 0), 0);
    EXPECT_EQ(FKjCallBackMember(&g_made, "undefined", &none, nullptr, 0), 0);
    EXPECT_EQ(FKjCreateObject("NoClass", &none, nullptr, 0), 0);
    EXPECT_EQ(FKjCreateObject("destroyed", &none, nullptr, 0), 0);
    KjDeleteObject(&g_made);
}

TEST_F(ObjectsTest, RunTimeErrors) {
    const struct {
        const char* name;
        std::string body;
        const char* message;
    } cases[] = {
        {"CAM on a non-object", "  PSH 0\n  LTI 1\n  PSH 0\n  LIT \"get\"\n  PSH 0\n  CAM 0\n",
         "'get' member function call requires object"},
        {"int selector on a non-object", "  PSH 0\n  LTI 1\n  PSH SEL\n  PSH 0\n  CAM 0\n",
         "member function call requires object"},
        {"int selector of another class", new_global("Other") + "  PSH 0\n  LOD obj\n  PSH SEL\n  PSH 0\n  CAM 0\n",
         "'Other' invalid class"},
        {"declared only", new_global("Derived") + call_into_r("undefined"), "'undefined' undefined member function"},
        {"no such member", new_global("Derived") + call_into_r("nothing"), "'nothing' not a function member"},
        {"double selector", new_global("Derived") + "  PSH 0\n  LOD obj\n  PSH 0\n  LTD 1\n  PSH 0\n  CAM 0\n",
         "attempt to call non-function or missing operand"},
        {"NEW of a non-class", "  PSH 0\n  NEW destroyed\n", "'destroyed' class expected"},
        {"member without value", new_global("Derived2") + call_into_r("fails"), "'y' variable has no value"},
        {"SMN with a number", new_global("Base") + "  PSH 0\n  LOD obj\n  PSH 1\n  PSH 2\n  SMN\n",
         "string expected"},
        {"SMN of an unknown member", new_global("Base") + "  PSH 0\n  LOD obj\n  PSH 0\n  LIT \"q\"\n  PSH 2\n  SMN\n",
         "'q' undeclared member"},
        {"LMP past the members", new_global("Base") + "  PSH 0\n  LOD obj\n  LMP 5\n", "'[5] in class' index out of range"},
        {"LMP on a number", "  PSH 0\n  LTI 1\n  LMP 0\n", "class expected"},
        {"reference to a constant", new_global("Other") + "  PSH 0\n  LOD obj\n  PSH 0\n  LIT \"c\"\n  PSH 0\n  ADR\n  LMR\n",
         "'c' cannot use constant"},
        {"clone of a non-object", "  PSH 0\n  LOD clone_arg\n  PSH 1\n  CAL 1\n", "'clone object' class expected"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        add_native("clone_arg", 1, clone_arg);
        define_classes();
        // SEL: a selector of Base's first member function.
        std::string body = c.body;
        if (const auto at = body.find("SEL"); at != std::string::npos)
            body.replace(at, 3, std::to_string(link::member_selector(symbol("Base"), 0)));
        EXPECT_EQ(run("global r\nfunction main()\n" + body + "  POP 0\n  PSH 0\n  RET 0\nend\n"), 0);
        ASSERT_FALSE(run_messages().empty());
        EXPECT_EQ(run_messages().front(), std::string("Runtime error: ") + c.message);
        Value obj = global("obj");
        if (value::type_of(obj) == value::T_Class) KjDeleteObject(&obj);
    }
}

TEST_F(ObjectsTest, DeleteOfAConstantFails) {
    define_classes();
    Value c = value::make_int(1);
    c.type |= value::k_const;
    link::add_symbol("c", c);
    EXPECT_EQ(run("function main()\n" + delete_global("c") + "  PSH 0\n  RET 0\nend\n"), 0);
    EXPECT_EQ(run_messages().front(), "Runtime error: cannot delete a constant");
}

TEST_F(ObjectsTest, NewReportsOutOfMemory) {
    add_native("fail_next", 0, [](KjValue*, KjValue*, int) { runtime::fail_allocation_after(1); });
    EXPECT_EQ(run_main("  PSH 0\n  LOD fail_next\n  CAL 0\n  NEW Base\n  POP 0\n"), 0);
    runtime::fail_allocation_after(0);
    EXPECT_EQ(run_messages().front(), "Runtime error: 'new class' out of memory");
}

}  // namespace
}  // namespace kj::test
