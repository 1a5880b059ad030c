// Import records, locating and loading modules once, the link list and the
// driver's link stage.
#include <unistd.h>

#include "link/link_list.h"
#include "link/literals.h"
#include "link_fixture.h"

namespace kj::link {
namespace {

class ImportsTest : public LinkTest {
protected:
    void SetUp() override {
        LinkTest::SetUp();
        g_compiled.clear();
    }
    // Imports registered by the main unit are relative to the temporary directory.
    void main_unit_imports(const std::vector<std::pair<std::string, bool>>& names) {
        set_import_unit_directory(dir());
        for (const auto& [name, gauss] : names) register_import(name, false, gauss);
        set_import_unit_directory("");
    }

    // Stands in for the compiler: records the call and defines "compiled".
    static int fake_compiler(const char* path, bool gauss) {
        g_compiled.emplace_back(std::string(path) + (gauss ? " (gauss)" : ""));
        add_symbol("compiled", value::make_int(1));
        return 0;
    }
    static std::vector<std::string> g_compiled;
};
std::vector<std::string> ImportsTest::g_compiled;

TEST_F(ImportsTest, RegisteringFindsRecordsByNameWithoutRegardToCase) {
    const int a = register_import("Tools\\Util", false, false);
    EXPECT_EQ(import_record(literal_at(a)).name, "Tools/Util");
    EXPECT_EQ(register_import("tools/util", false, true), a);
    EXPECT_TRUE(import_is_gauss(literal_at(a)));
    register_import_name("gauss::stats");
    const int s = register_import("stats", false, true);
    EXPECT_TRUE(import_is_gauss(literal_at(s)));
    EXPECT_EQ(import_state(literal_at(s)), k_import_pending);
    register_import("STATS", true, false);
    EXPECT_EQ(import_state(literal_at(s)), k_import_done);
    EXPECT_FALSE(import_is_gauss(literal_at(s)));
}

TEST_F(ImportsTest, ListMissingImports) {
    list_missing_imports();
    EXPECT_EQ(messages(), std::vector<std::string>{"No imports required\n"});
    messages().clear();
    register_import("util", false, false);
    register_import("done", true, false);
    add_import_record("UTIL", k_import_pending, false, "");
    list_missing_imports();
    EXPECT_EQ(messages(), std::vector<std::string>{"Requires import util"});
}

TEST_F(ImportsTest, ModuleImportedByTwoModulesLoadsOnce) {
    write_unit("common.kjo", "global shared = 1\nfunction common_f()\n  INT 0\n  RET 0\nend\n");
    write_unit("a.kjo", "function a_f()\n  INT 0\n  RET 0\nend\n", {"common"});
    write_unit("b.kjo", "function b_f()\n  INT 0\n  RET 0\nend\n", {"./common"});
    runtime::settings().verbose = 1;
    main_unit_imports({{"a", false}, {"b", false}});
    ASSERT_TRUE(resolve_imports());
    EXPECT_EQ(link_error_count(), 0);
    EXPECT_GE(find_symbol("shared"), 0);
    EXPECT_GE(find_symbol("a_f"), 0);
    EXPECT_GE(find_symbol("b_f"), 0);
    EXPECT_EQ(messages(), (std::vector<std::string>{
                              "Locating import file: a", "Importing file: " + path("a.kjo"),
                              "Locating import file: b", "Importing file: " + path("b.kjo"),
                              "Locating import file: common", "Importing file: " + path("common.kjo"),
                              "Locating import file: ./common", "Import path already loaded: " + path("./common.kjo")}));
}

TEST_F(ImportsTest, DirectoryRecordIsSearchedForLaterImports) {
    write_unit("packages/tools/util.kjo", "function util_f()\n  INT 0\n  RET 0\nend\n");
    runtime::settings().verbose = 1;
    main_unit_imports({{"packages/tools/", false}, {"util", false}});
    ASSERT_TRUE(resolve_imports());
    EXPECT_GE(find_symbol("util_f"), 0);
    EXPECT_TRUE(has_message("Locating file along import paths\n"));
    EXPECT_TRUE(has_message("Importing file: " + path("packages/tools/util.kjo")));
}

TEST_F(ImportsTest, ObjectFileBesideSourceWinsAndSourcesGoToTheCompiler) {
    set_source_compiler(fake_compiler);
    write_unit("maximize.kjo", "function maximize_f()\n  INT 0\n  RET 0\nend\n");
    write_text("maximize.kj", "not compiled\n");
    write_text("gmod.src", "not compiled\n");
    write_text("plain.kj", "not compiled\n");
    main_unit_imports({{"maximize", false}, {"gmod", true}, {"plain.kj", false}});
    ASSERT_TRUE(resolve_imports());
    EXPECT_GE(find_symbol("maximize_f"), 0);
    EXPECT_EQ(g_compiled, (std::vector<std::string>{path("gmod.src") + " (gauss)", path("plain.kj")}));
}

TEST_F(ImportsTest, FailuresEndResolution) {
    write_text("source.kj", "x\n");
    const struct {
        const char* name;
        const char* import;
        std::string message;
    } cases[] = {
        {"not found, printed at verbose level 0", "nothing", "Import file not found: nothing"},
        {"a source without a compiler", "source", "Cannot import source file without a compiler: " + path("source.kj")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        reset_tables();
        messages().clear();
        main_unit_imports({{c.import, false}});
        EXPECT_FALSE(resolve_imports());
        EXPECT_EQ(messages(), std::vector<std::string>{c.message});
    }
}

TEST_F(ImportsTest, LinkListLoadsObjectFilesAndReportsConflicts) {
    write_unit("m1.kjo", "global x = 1\nglobal y = 1\n");
    write_unit("m2.kjo", "global x = 2\n");
    EXPECT_EQ(link_files((path("m1") + "+" + path("m2.kj")).c_str(), true), 1);
    EXPECT_EQ(messages(), std::vector<std::string>{"Link error: 'x' duplicate identifier"});
    EXPECT_EQ(symbol_at(find_symbol("x")).val.u.ival, 1);

    // A list entry counts as imported: a later import of the same name is not loaded again.
    reset_tables();
    messages().clear();
    EXPECT_EQ(link_files(path("m1").c_str(), true), 0);
    register_import(path("m1.kjo"), false, false);
    EXPECT_TRUE(resolve_imports());
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(link_files("missing", true), 1);
    EXPECT_EQ(messages(), std::vector<std::string>{"Import file not found: missing.kjo"});
}

TEST_F(ImportsTest, ClassesFromTwoModules) {
    const auto write_class_unit = [&](const std::string& name, const char* member) {
        reset_tables();
        add_symbol("Point", make_class({{"x", value::make_null()}, {member, value::make_null()}}, {}));
        symbol_at(0).val.u.obj.cls = 0;
        write_tables(name);
        reset_tables();
    };
    write_class_unit("c1.kjo", "y");
    write_class_unit("c2.kjo", "y");
    write_class_unit("c3.kjo", "z");
    EXPECT_EQ(link_files((path("c1") + "+" + path("c2")).c_str(), true), 0);
    EXPECT_EQ(link_files(path("c3").c_str(), true), 1);
    EXPECT_EQ(messages(), std::vector<std::string>{"Link error: 'Point' redefinition of class"});
}

// The unit only declares its base class, so the file names it without defining it.
TEST_F(ImportsTest, DerivedClassFindsItsBaseByName) {
    value::Value declared = make_class({}, {});
    declared.type |= value::k_extern;
    add_symbol("Base", declared);
    add_symbol("Derived", make_class({{"b", value::make_null()}, {"d", value::make_null()}}, {}, 0));
    write_tables("derived.kjo");
    reset_tables();
    add_symbol("padding", value::make_int(0));
    add_symbol("Base", make_class({{"b", value::make_null()}}, {}));
    ASSERT_EQ(link_files(path("derived").c_str(), true), 0);
    EXPECT_EQ(symbol_at(find_symbol("Derived")).val.u.obj.base, 1);

    reset_tables();
    messages().clear();
    EXPECT_EQ(link_files(path("derived").c_str(), true), 1);
    EXPECT_EQ(messages(), std::vector<std::string>{"Link error: 'Base' undefined base class"});
}

TEST_F(ImportsTest, PendingImportsTravelInObjectFiles) {
    write_unit("app.kjo", "function main()\n  INT 0\n  RET 0\nend\n", {"later"});
    ASSERT_EQ(link_files(path("app").c_str(), true), 0);
    list_missing_imports();
    EXPECT_EQ(messages(), std::vector<std::string>{"Requires import later"});
}

}  // namespace
}  // namespace kj::link
