// Opcode list, code image, literal and symbol tables, inline functions,
// the assembler and the link check.
#include <gtest/gtest.h>

#include <cstring>

#include "runtime/host.h"
#include "runtime/settings.h"
#include "support/assembler.h"
#include "link/code_image.h"
#include "link/compiler_tables.h"
#include "link/entry.h"
#include "link/inline_functions.h"
#include "link/link_errors.h"
#include "link/literals.h"
#include "link/symbols.h"

namespace kj::link {
namespace {

std::vector<std::string> g_messages;

class TablesTest : public ::testing::Test {
protected:
    void SetUp() override {
        runtime::install_default_callbacks();
        SetKjMessage([](const char* t) { g_messages.emplace_back(t); });
        g_messages.clear();
        runtime::settings() = runtime::Settings{};
        reset_compiler_tables();
    }
    void TearDown() override {
        free_compiler_tables();
        runtime::install_default_callbacks();
    }
};

TEST(Opcodes, MnemonicsAndCodes) {
    const struct {
        int32_t op;
        const char* mnemonic;
    } cases[] = {{0, "EXT"}, {70, "JMF"}, {122, "JST"}, {112, "NTP"}, {1, "???"}, {127, "???"}, {-3, "???"}, {500, "???"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.op);
        EXPECT_STREQ(mnemonic(c.op), c.mnemonic);
        if (std::strcmp(c.mnemonic, "???") != 0) {
            EXPECT_EQ(opcode_of(c.mnemonic), c.op);
        }
    }
    EXPECT_EQ(opcode_of("jmt"), static_cast<int32_t>(Op::Jmt));
    EXPECT_EQ(opcode_of("XYZ"), -1);
}

TEST_F(TablesTest, CodeImageStartsWithTwoExitsAndEmitReturnsAddresses) {
    ASSERT_EQ(code_size(), 2);
    EXPECT_EQ(code_at(0).op, static_cast<int32_t>(Op::Ext));
    EXPECT_EQ(code_at(1).op, static_cast<int32_t>(Op::Ext));
    EXPECT_EQ(emit(Op::Psh, 4), 2);
    EXPECT_EQ(emit(Op::Jmp, -1), 3);
    EXPECT_EQ(code_at(3).operand, -1);
    // Opcodes outside 0..255 are kept as the one unknown opcode; others as given.
    EXPECT_EQ(code_at(emit_raw(1000, 7)).op, k_unknown_opcode);
    EXPECT_EQ(code_at(emit_raw(-3, 7)).op, k_unknown_opcode);
    EXPECT_EQ(code_at(emit_raw(200, 7)).op, 200);
    EXPECT_STREQ(mnemonic(k_unknown_opcode), "???");
}

TEST_F(TablesTest, LiteralTableEndsWithZeroRecordAndOwnsItsPayloads) {
    EXPECT_EQ(literal_count(), 1);  // literal 0 stands for "none"
    const int s = add_string_literal("file.kj");
    const int d = add_double_literal(2.5);
    EXPECT_EQ(find_string_literal("file.kj"), s);
    EXPECT_EQ(find_string_literal("other"), -1);
    const value::Value& lit = literal_at(s);
    EXPECT_TRUE(value::owns(lit));
    EXPECT_TRUE(value::has_flag(lit, value::k_const));
    EXPECT_EQ(literal_at(d).u.dval, 2.5);
    EXPECT_EQ(literal_data()[literal_count()].type, 0u);
    EXPECT_EQ(literal_data()[literal_count()].u.w[0], 0);
}

TEST_F(TablesTest, SymbolTableHasFixedCapacity) {
    runtime::settings().symbol_table_size = 2;
    reset_compiler_tables();
    EXPECT_EQ(add_symbol("a", value::make_int(1)), 0);
    EXPECT_EQ(add_symbol("b", value::make_int(2)), 1);
    EXPECT_EQ(add_symbol("c", value::make_int(3)), -1);
    EXPECT_EQ(find_symbol("b"), 1);
    EXPECT_EQ(find_symbol("c"), -1);
}

TEST_F(TablesTest, FunctionInformation) {
    value::FuncInfo* info = new_function_info("c $f", 3, true);
    EXPECT_EQ(declared_parameters(*info), 2);
    EXPECT_TRUE(parameter_is_const(*info, 0));
    EXPECT_FALSE(parameter_is_const(*info, 1));
    EXPECT_STREQ(function_name(info), "f");
    EXPECT_STREQ(function_name(nullptr), "?");
    EXPECT_TRUE(value::is_null(info->params[1].val));
    const value::Value f = make_function(7, info, true);
    EXPECT_EQ(f.u.fn.nparam, 2);
    EXPECT_EQ(f.u.fn.entry, 7u);
    EXPECT_TRUE(value::has_flag(f, value::k_varargs));
}

TEST(InlineFunctionTable, EndsWithSentinelAndLooksUp) {
    int n = 0;
    while (std::strcmp(k_inline_functions[n].name, "$$$") != 0) ++n;
    EXPECT_EQ(n, 23);
    EXPECT_EQ(inline_function_code("sqrt"), 156);
    EXPECT_EQ(inline_function_code("log10"), 179);
    EXPECT_EQ(inline_function_code("nothing"), 0);
    EXPECT_STREQ(inline_function_name(163), "sizerc");
    EXPECT_EQ(inline_function_name(160), nullptr);
}

TEST_F(TablesTest, AssemblerResolvesLabelsSymbolsAndLiterals) {
    const AssemblyResult r = assemble(R"(
global g = 4
function f(a, const b = 2.5) file "x.kj"
  LOD g          ; a symbol
top:
  JMP top
  LIP top
  LIT "text"
  OPR <=
end
)");
    ASSERT_TRUE(r.ok) << r.error;
    const value::Value f = symbol_at(find_symbol("f")).val;
    const int entry = static_cast<int>(f.u.fn.entry);
    EXPECT_EQ(code_at(entry).op, static_cast<int32_t>(Op::Elf));
    EXPECT_STREQ(literal_at(code_at(entry).operand).u.str.s, "x.kj");
    EXPECT_EQ(code_at(entry + 1).operand, find_symbol("g"));
    EXPECT_EQ(code_at(entry + 2).operand, entry + 2);
    EXPECT_EQ(code_at(entry + 3).operand, -1);
    EXPECT_STREQ(literal_at(code_at(entry + 4).operand).u.str.s, "text");
    EXPECT_EQ(code_at(entry + 5).operand, 126);
    EXPECT_EQ(f.u.fn.info->params[1].val.u.dval, 2.5);
}

TEST_F(TablesTest, AssemblerReportsErrorsWithLines) {
    const struct {
        const char* source;
        const char* error;
    } cases[] = {
        {"function f()\n  BOGUS 1\nend\n", "line 2: unknown mnemonic 'BOGUS'"},
        {"function f()\n  JMP nowhere\nend\n", "line 3: undefined label 'nowhere'"},
        {"function f()\n  LOD missing\nend\n", "undefined symbol 'missing'"},
        {"  PSH 0\n", "line 1: instruction outside a function"},
        {"function f()\n  PSH 0\n", "missing end"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.source);
        reset_compiler_tables();
        const AssemblyResult r = assemble(c.source);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.error, c.error);
    }
}

TEST_F(TablesTest, LinkCheckReportsUsedUndefinedSymbolsOnce) {
    ASSERT_TRUE(assemble(R"(
extern used(a)
extern unused()
function main()
  PSH 0
  LOD used
  LOD used
  RET 0
end
)").ok);
    value::Value v = value::make_int(0);
    v.type |= value::k_extern;
    const int x = add_symbol("x", v);
    emit(Op::Sto, x);
    const int slot = emit(Op::Lod, -1);
    EXPECT_EQ(check_globals(slot), 2);
    EXPECT_EQ(g_messages, (std::vector<std::string>{"test.kj: Link error: 'used' undefined function",
                                                     "test.kj: Link error: 'x' undefined reference"}));
    EXPECT_EQ(code_at(slot).operand, find_symbol("main"));
    EXPECT_EQ(link_error_count(), 2);
}

}  // namespace
}  // namespace kj::link
