// Object files: round trip through a process whose tables are not empty,
// the encodings the format pins, and damaged files.
#include <cstring>

#include "link/function_table.h"
#include "link/code_image.h"
#include "link/literals.h"
#include "link/object_format.h"
#include "link/object_reader.h"
#include "link_fixture.h"

namespace kj::link {
namespace {

using value::Value;

class ObjectFileTest : public LinkTest {};

const char* const k_unit = R"(
global g = 4
global s = "text"
extern used(a)
extern unused()
function f(a, const b = 2.5) file "x.kj"
  INT 0
  PSH 0
top:
  LOD g
  STO s
  LIT "lit"
  ELT 1
  ELT -1
  JMF top
  JMT done
  NEW Point
  PSH 0
  LOD used
  PSH 1
  CAL 1
done:
  RET 0
end
function main()
  INT 0
  PSH 0
  LOD f
  CAL 0
  RET 1
end
)";

bool is_op(int32_t op, Op o) { return op == static_cast<int32_t>(o); }

// A unit with a class and import records besides the code above, ending in
// two matrix literals.
void build_unit() {
    // "s" stands for an inherited static member: no value here, the static mark kept.
    Value inherited_static = value::make_none();
    inherited_static.type |= value::k_static;
    add_symbol("Point", make_class({{"x", value::make_null()}, {"n", const_member(value::make_int(3))},
                                    {"s", inherited_static}},
                                   {{"len", function_value("len", 1, false, 2)}, {"Point", function_value("Point", 0)}}));
    symbol_at(find_symbol("Point")).val.u.obj.cls = find_symbol("Point");
    register_import("util", false, false);
    register_import("gmod", false, true);
    ASSERT_TRUE(assemble(k_unit).ok);
    Value empty{};
    empty.type = value::T_Matrix;
    empty.u.mat.c = 3;
    add_literal(empty);
    Value m{};
    value::set_matrix(m, 2, 2);
    for (int i = 0; i < 4; ++i) m.u.mat.m[i / 2][i % 2] = i + 0.5;
    add_literal(m);
}


TEST_F(ObjectFileTest, RoundTripShiftsCodeLiteralsAndSymbolsByTheBases) {
    build_unit();
    const std::vector<Instr> code(code_data(), code_data() + code_size());
    const int literals = literal_count();
    std::vector<std::string> literal_text;
    for (int i = 0; i < literals; ++i) literal_text.push_back(value::describe(literal_at(i)));
    std::vector<std::string> names;
    for (int k = 0; k < symbols().count; ++k) names.emplace_back(symbol_at(k).name);
    const Value f_was = symbol_at(find_symbol("f")).val;
    const int f_file_was = f_was.u.fn.info->file;
    write_tables("unit.kjo");

    // A process that already holds literals, symbols and code.
    reset_tables();
    for (int i = 0; i < 3; ++i) add_int_literal(90 + i);
    add_symbol("pre1", value::make_int(1));
    add_symbol("pre2", value::make_int(2));
    for (int i = 0; i < 5; ++i) emit(Op::Nop);
    const int literal_base = literal_count(), code_base = code_size(), symbol_base = symbols().count;

    ASSERT_EQ(load_object_file(path("unit.kjo").c_str()), 0) << (messages().empty() ? "" : messages()[0]);
    EXPECT_TRUE(messages().empty());

    ASSERT_EQ(code_size(), code_base + static_cast<int>(code.size()));
    for (std::size_t i = 0; i < code.size(); ++i) {
        SCOPED_TRACE(i);
        const Instr was = code[i], now = code_at(code_base + static_cast<int>(i));
        ASSERT_EQ(now.op, was.op);
        if (is_op(was.op, Op::Jmp) || is_op(was.op, Op::Jmf) || is_op(was.op, Op::Jmt)) {
            EXPECT_EQ(now.operand, was.operand + code_base);
        } else if (is_op(was.op, Op::Lit) || is_op(was.op, Op::Elf) || (is_op(was.op, Op::Elt) && was.operand >= 0)) {
            EXPECT_EQ(now.operand, was.operand + literal_base);
        } else if (is_op(was.op, Op::Lod) || is_op(was.op, Op::Sto) || is_op(was.op, Op::New)) {
            EXPECT_GE(now.operand, symbol_base);
            EXPECT_STREQ(symbol_at(now.operand).name, names[static_cast<std::size_t>(was.operand)].c_str());
        } else {
            EXPECT_EQ(now.operand, was.operand);
        }
    }

    ASSERT_EQ(literal_count(), literal_base + literals);
    for (int i = 0; i < literals; ++i) EXPECT_EQ(value::describe(literal_at(literal_base + i)), literal_text[static_cast<std::size_t>(i)]);
    const Value& m = literal_at(literal_count() - 1);
    EXPECT_EQ(m.u.mat.m[1][0], 2.5);
    EXPECT_EQ(literal_at(literal_count() - 2).u.mat.c, 3);
    EXPECT_EQ(literal_at(literal_count() - 2).u.mat.m, nullptr);

    // Kept: the defined symbols and the used declaration, in table order.
    EXPECT_EQ(find_symbol("unused"), -1);
    std::vector<std::string> kept;
    for (int k = symbol_base; k < symbols().count; ++k) kept.emplace_back(symbol_at(k).name);
    EXPECT_EQ(kept, (std::vector<std::string>{"Point", "g", "s", "used", "f", "main"}));

    const Value& f = symbol_at(find_symbol("f")).val;
    EXPECT_EQ(f.u.fn.entry, f_was.u.fn.entry + static_cast<uint32_t>(code_base));
    EXPECT_EQ(f.u.fn.info->file, f_file_was + literal_base);
    EXPECT_STREQ(f.u.fn.info->descriptor, " c$f");
    EXPECT_STREQ(f.u.fn.info->params[1].name, "b");
    EXPECT_EQ(f.u.fn.info->params[1].val.u.dval, 2.5);
    EXPECT_TRUE(value::is_null(f.u.fn.info->params[0].val));
    EXPECT_TRUE(value::has_flag(symbol_at(find_symbol("used")).val, value::k_extern));
    EXPECT_STREQ(symbol_at(find_symbol("s")).val.u.str.s, "text");

    const Value& point = symbol_at(find_symbol("Point")).val;
    EXPECT_EQ(point.u.obj.cls, find_symbol("Point"));
    ASSERT_EQ(class_data_count(point), 3);
    EXPECT_EQ(class_data(point)[1].val.u.ival, 3);
    EXPECT_TRUE(value::has_flag(class_data(point)[2].val, value::k_static));
    EXPECT_TRUE(value::is_null(class_data(point)[2].val));
    ASSERT_EQ(class_function_count(point), 2);
    EXPECT_STREQ(class_functions(point)[0].name, "Point");
    EXPECT_TRUE(value::has_flag(class_functions(point)[0].val, value::k_extern));
    EXPECT_EQ(class_functions(point)[1].val.u.fn.entry, 2u + static_cast<uint32_t>(code_base));

    // Import records keep name, state and dialect; they are relative to the file's folder.
    int records = 0;
    for (int i = literal_base; i < literal_count(); ++i) {
        if (!is_import_record(literal_at(i))) continue;
        ++records;
        const ImportRecord& r = import_record(literal_at(i));
        EXPECT_EQ(r.base_dir, dir());
        EXPECT_EQ(import_state(literal_at(i)), k_import_pending);
        EXPECT_EQ(import_is_gauss(literal_at(i)), r.name == "gmod");
    }
    EXPECT_EQ(records, 2);
}

TEST_F(ObjectFileTest, LibraryFunctionIsWrittenAsDeclaredGlobalFunctionAndBoundAtLinkCheck) {
    Value native{};
    native.type = value::T_Native;
    native.u.nat.nparam = 1;
    native.u.nat.info = new_function_info("c$libtwice", 0, false);
    const int k = add_symbol("libtwice", native);
    emit(Op::Lod, k);
    write_tables("lib.kjo");

    reset_tables();
    ASSERT_EQ(load_object_file(path("lib.kjo").c_str()), 0);
    const int loaded = find_symbol("libtwice");
    EXPECT_EQ(symbol_at(loaded).val.type, k_library_function_word);
    EXPECT_STREQ(symbol_at(loaded).val.u.fn.info->descriptor, "c$libtwice");

    link::free_function_table();
    const KjNativeFunction twice = [](KjValue* r, KjValue* a, int) { value::set_int(*r, a->u.ival * 2); };
    ASSERT_EQ(link::add_function("c$libtwice", twice, 0), 1);
    EXPECT_EQ(check_globals(0), 0);
    EXPECT_EQ(value::type_of(symbol_at(loaded).val), value::T_Native);
    EXPECT_EQ(symbol_at(loaded).val.u.nat.fn, twice);
    EXPECT_FALSE(value::has_flag(symbol_at(loaded).val, value::k_extern));
    link::free_function_table();
}

// The little-endian int of a type word, then rows 0 and columns 3, then the end mark.
TEST_F(ObjectFileTest, EmptyMatrixLiteralIsWrittenWithoutData) {
    Value empty{};
    empty.type = value::T_Matrix;
    empty.u.mat.c = 3;
    add_literal(empty);
    write_tables("m.kjo");
    const std::vector<uint8_t> bytes = read_bytes("m.kjo");
    const uint8_t expected[] = {0x03, 0x04, 0, 0, 0, 0, 0, 0, 3, 0, 0, 0, 7, 0, 0, 0, '$', 'k', 'j', '$', 'e', 'n', 'd', 0};
    EXPECT_NE(std::search(bytes.begin(), bytes.end(), std::begin(expected), std::end(expected)), bytes.end());
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 8), std::string("Kj0700\0\0", 8));
}

std::vector<uint8_t> header(const char* text) {
    std::vector<uint8_t> h(k_object_header_size, 0);
    std::memcpy(h.data(), text, std::strlen(text));
    return h;
}

void put_int(std::vector<uint8_t>& b, int32_t i) {
    for (int s = 0; s < 32; s += 8) b.push_back(static_cast<uint8_t>(static_cast<uint32_t>(i) >> s));
}

TEST_F(ObjectFileTest, BadHeadersAndSectionMarks) {
    std::vector<uint8_t> long_mark = header("Kj0700");
    put_int(long_mark, 61);
    long_mark.insert(long_mark.end(), 62, 'x');
    std::vector<uint8_t> empty_mark = header("Kj0700");
    put_int(empty_mark, 0);
    std::vector<uint8_t> wrong_mark = header("Kj0700");
    put_int(wrong_mark, 8);
    for (char c : std::string("$kj$infx")) wrong_mark.push_back(static_cast<uint8_t>(c));
    wrong_mark.push_back(0);

    const struct {
        const char* name;
        std::vector<uint8_t> bytes;
        const char* error;  // null: loads
    } cases[] = {
        {"header only", header("Kj0700"), nullptr},
        {"other minor version", header("Kj0712"), nullptr},
        {"older version", header("Kj0600"), "please recompile .kjo file to match this version of Kj"},
        {"version 4 counts as 5", header("Kj0400"), "please recompile .kjo file to match this version of Kj"},
        {"not Kj", header("KJ0700"), "this is not an Kj object file"},
        {"empty file", {}, "this is not an Kj object file"},
        {"short header", {'K', 'j', '0', '7'}, "unexpected end of file"},
        {"section name of 61 characters", long_mark, "file error"},
        {"section name of length 0", empty_mark, "file error"},
        {"other section name", wrong_mark, "file error"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        messages().clear();
        reset_tables();
        const int errors = load_object_bytes(c.bytes.data(), c.bytes.size(), "bad.kjo");
        if (!c.error) {
            EXPECT_EQ(errors, 0);
            EXPECT_TRUE(messages().empty());
        } else {
            EXPECT_EQ(errors, 1);
            EXPECT_EQ(messages(), std::vector<std::string>{std::string("Link error: 'bad.kjo' ") + c.error});
        }
    }
}

// Every cut after the header and before the final end mark is noticed, and
// nothing is left half-appended that a later load would trip over.
TEST_F(ObjectFileTest, TruncatedFileReportsUnexpectedEndOfFile) {
    build_unit();
    write_tables("unit.kjo");
    const std::vector<uint8_t> bytes = read_bytes("unit.kjo");
    for (std::size_t cut = k_object_header_size + 1; cut < bytes.size(); ++cut) {
        SCOPED_TRACE(cut);
        messages().clear();
        reset_tables();
        ASSERT_EQ(load_object_bytes(bytes.data(), cut, "cut.kjo"), 1);
        ASSERT_EQ(messages().size(), 1u);
        EXPECT_EQ(messages()[0], "Link error: 'cut.kjo' unexpected end of file");
    }
}

TEST_F(ObjectFileTest, DamagedReferencesAreFileErrors) {
    ASSERT_TRUE(assemble("global g\nfunction main()\n  LOD g\n  LIT 7\n  JMP 0\nend\n").ok);
    write_tables("ok.kjo");
    const std::vector<uint8_t> good = read_bytes("ok.kjo");
    // The code section ends with LOD, LIT, JMP: 3 x 5 bytes before the end mark (12 bytes).
    const std::size_t jmp = good.size() - 12 - 5, lit = jmp - 5, lod = lit - 5;
    const struct {
        const char* name;
        std::size_t at;
        int32_t operand;
    } cases[] = {{"symbol beyond the file's symbols", lod, 7},
                 {"negative symbol", lod, -2},
                 {"literal beyond the file's literals", lit, 1000},
                 {"jump beyond the unit", jmp, 1000}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<uint8_t> bytes = good;
        for (int s = 0; s < 4; ++s) bytes[c.at + 1 + static_cast<std::size_t>(s)] = static_cast<uint8_t>(static_cast<uint32_t>(c.operand) >> (8 * s));
        messages().clear();
        reset_tables();
        EXPECT_EQ(load_object_bytes(bytes.data(), bytes.size(), "bad.kjo"), 1);
        EXPECT_EQ(messages(), std::vector<std::string>{"Link error: 'bad.kjo' file error"});
    }
}

TEST_F(ObjectFileTest, WriteFailureIsReported) {
    std::FILE* f = std::fopen("/dev/full", "wb");
    if (!f) GTEST_SKIP() << "no /dev/full";
    EXPECT_FALSE(write_object(f));
    std::fclose(f);
    EXPECT_EQ(messages(), std::vector<std::string>{"Link error: writing file"});
}

}  // namespace
}  // namespace kj::link
