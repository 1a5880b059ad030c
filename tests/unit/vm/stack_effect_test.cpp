// The stack effects of opcodes.def against the engine: each instruction runs
// in main's frame between two stops of the dispatch loop, and the depth it
// leaves must be the table's, with every record below what it pops untouched.
#include <cstring>
#include <string>
#include <vector>

#include "link/code_image.h"
#include "link/stack_effect.h"
#include "vm/dispatch.h"
#include "vm/engine_fixture.h"

namespace kj::test {
namespace {

using value::Value;

struct EffectCase {
    const char* what;
    const char* setup;   // pushes what the instruction reads, above three marked records
    const char* tested;  // the instruction (an address instruction with the one it consumes)
    bool sequence = false;  // tested is straight code: the table's effects of all its instructions
};

// A native function of two arguments for the calls.
void first_of_two(KjValue* result, KjValue* args, int) { *result = args[0]; }

class StackEffectTest : public EngineTest {
protected:
    struct Measured {
        int64_t change = 0;          // records the tested code added to the stack
        link::StackEffect table;     // the table's effect of its first instruction
        int changed_below = -1;      // the first record below the reach that changed, or -1
    };

    // Assembles main: two locals, three marked records, then setup, a stop,
    // the tested code and a stop; runs to each stop.
    Measured measure(const EffectCase& c, const std::string& more = {}) {
        KjRunExit();
        link::reset_compiler_tables();
        add_native("pick", 2, first_of_two);
        const std::string src = "global g = 5\nglobal h\n" + more +
                                "function main()\n  INT 2\n  PSH 0\n  LTI 4\n  SBP 0\n  POP 0\n"
                                "  PSH 11\n  PSH 12\n  PSH 13\n" +
                                c.setup + "  DUP 1\nfirst:\n  JMP first\n" + c.tested +
                                "second:\n  JMP second\n  RET 0\nend\n";
        captured() = Captured{};
        Measured m;
        const link::AssemblyResult r = link::assemble(src);
        if (!r.ok) {
            ADD_FAILURE() << c.what << ": " << r.error;
            return m;
        }
        const int start = IKjRunInit();
        EXPECT_GT(start, 0) << c.what;
        int first = -1, second = -1;
        for (int i = 0; i < link::code_size(); ++i) {
            const link::Instr in = link::code_instr(i);
            if (in.op == static_cast<int32_t>(link::Op::Jmp) && in.operand == i) (first < 0 ? first : second) = i;
        }
        vm::Engine& e = vm::main_engine();
        vm::CurrentEngineScope current(e);
        vm::reset_registers(e);
        e.ip = static_cast<int32_t>(global("main").u.fn.entry);
        try {
            // A stop makes the top int 0: it falls on a copy of the setup's top.
            vm::dispatch(e, false, first);
            --e.sp;
        } catch (...) {
            ADD_FAILURE() << c.what << ": the setup raised an error\n" << joined();
            return m;
        }
        const Value* before = e.sp;
        const std::vector<Value> kept(e.base, e.sp + 1);
        e.ip = first + 1;
        try {
            vm::dispatch(e, false, second);
        } catch (...) {
            ADD_FAILURE() << c.what << ": raised an error\n" << joined();
            return m;
        }
        m.change = e.sp - before;
        m.table = c.sequence ? sequence_effect(first + 1, second)
                             : link::stack_effect(link::code_view(), first + 1, link::code_size());
        // Above the locals, below the reach and below the last top (which the
        // stop overwrites) nothing changes.
        const int64_t untouched = std::min<int64_t>(before - e.base - m.table.pops, e.sp - e.base - 1);
        for (int64_t i = e.bp - e.base + 2; i <= untouched; ++i)
            if (std::memcmp(&kept[static_cast<std::size_t>(i)], e.base + i, sizeof(Value)) != 0) {
                m.changed_below = static_cast<int>(i);
                break;
            }
        vm::pop_to(e, e.base);
        return m;
    }

    // The effect of the straight code [from, to): what it adds, and the
    // deepest it reaches below where it started.
    static link::StackEffect sequence_effect(int from, int to) {
        link::StackEffect all{0, 0};
        int64_t depth = 0;
        for (int i = from; i < to;) {
            const link::StackEffect e = link::stack_effect(link::code_view(), i, link::code_size());
            all.known = all.known && e.known;
            all.pops = std::max(all.pops, e.pops - depth);
            depth += e.change();
            i += e.span;
        }
        all.pushes = all.pops + depth;
        return all;
    }

    void expect_table_effect(const EffectCase& c, const std::string& more = {}) {
        const Measured m = measure(c, more);
        EXPECT_TRUE(m.table.known) << c.what;
        EXPECT_EQ(m.change, m.table.change()) << c.what;
        EXPECT_EQ(m.changed_below, -1) << c.what << ": a record below the reach of " << m.table.pops << " changed";
        EXPECT_TRUE(run_messages().empty()) << c.what << "\n" << joined();
    }
};

TEST_F(StackEffectTest, PushesLoadsAndStores) {
    const EffectCase cases[] = {
        {"push", "", "  PSH 7\n"},
        {"push of an argument-less local", "", "  PBP 0\n"},
        {"move of a local", "", "  MVL 0\n"},
        {"load of a local", "  PSH 0\n", "  LBP 0\n"},
        {"load of a main local", "  PSH 0\n", "  LBM 0\n"},
        {"load of a global", "  PSH 0\n", "  LOD g\n"},
        {"load of a literal", "  PSH 0\n", "  LIT 2.5\n"},
        {"int load", "  PSH 0\n", "  LTI 9\n"},
        {"int load of a slot number", "  PSH 0\n", "  LBR 1\n"},
        {"double load", "  PSH 0\n", "  LTD 3\n"},
        {"code address", "  PSH 0\n", "  LIP 0\n"},
        {"store to a global", "  PSH 5\n", "  STO h\n"},
        {"store to a local", "  PSH 5\n", "  SBP 1\n"},
        {"store to a main local", "  PSH 5\n", "  SBM 1\n"},
        {"store then pop, run as one step", "  PSH 5\n", "  SBP 1\n  POP 0\n", true},
        {"release of a local", "", "  SBZ 1\n"},
        {"line marker", "", "  NUM 3\n"},
        {"no operation", "", "  NOP\n"},
        {"serial marker", "", "  LCK 1\n"},
        {"local name", "", "  ELT 0\n"},
    };
    for (const EffectCase& c : cases) expect_table_effect(c);
}

TEST_F(StackEffectTest, StackShapesAndJumps) {
    const EffectCase cases[] = {
        {"pop of one", "  PSH 1\n", "  POP 0\n"},
        {"pop of three", "  PSH 1\n  PSH 2\n  PSH 3\n", "  POP 2\n"},
        {"copies of two", "  PSH 1\n  PSH 2\n", "  DUP 2\n"},
        {"no copy", "", "  DUP 0\n"},
        {"exchange", "  PSH 1\n  PSH 2\n", "  EXC\n"},
        {"reservation", "", "  INT 3\n"},
        {"jump if false, not taken", "  PSH 1\n", "  JMF away\naway:\n"},
        {"jump if true, taken", "  PSH 1\n", "  JMT away\n  PSH 9\naway:\n"},
        {"jump", "", "  JMP away\n  PSH 9\naway:\n"},
        {"jump to an address on the stack", "  PSH 0\n  LIP away\n  PSH 0\n", "  JST -1\n  PSH 9\naway:\n"},
    };
    for (const EffectCase& c : cases) expect_table_effect(c);
}

TEST_F(StackEffectTest, OperatorsByArity) {
    const EffectCase cases[] = {
        {"binary, scalar path", "  PSH 2\n  PSH 3\n", "  OPR +\n"},
        {"binary, general path", "  PSH 0\n  LIT \"a\"\n  PSH 0\n  LIT \"b\"\n", "  OPR 126\n"},  // ~
        {"unary", "  PSH 2\n", "  OPR neg\n"},
        {"conversion", "  PSH 0\n  LTD 2\n", "  OPR 76\n"},  // int
        {"range", "  PSH 1\n  PSH 3\n", "  OPR 40\n"},       // :
        {"selection of three", "  PSH 1\n  PSH 2\n  PSH 3\n", "  OPR 56\n"},  // .?
        {"full range pushes", "", "  OPR 131\n"},
        {"array of the top", "  PSH 1\n", "  OPR 103\n"},
        {"inline function", "  PSH 0\n  LIT 2.5\n", "  FNI 141\n"},  // ceil
    };
    for (const EffectCase& c : cases) expect_table_effect(c);
}

TEST_F(StackEffectTest, ValuesIndexingAndAddresses) {
    // A 1 x 3 matrix in g for the indexed loads and stores.
    const std::string matrix = "  PSH 1\n  PSH 3\n  NTP 3\n  STO g\n  POP 0\n";
    const EffectCase cases[] = {
        {"matrix from two dimensions", "  PSH 2\n  PSH 2\n", "  NTP 3\n"},
        {"array from a dimension", "  PSH 2\n", "  NTP 5\n"},
        {"constant value", "  PSH 0\n", "  NTP 258\n"},
        {"indexed load", "  PSH 0\n  LOD g\n  PSH 1\n", "  XLD\n"},
        {"indexed load, 1-based", "  PSH 0\n  LOD g\n  PSH 1\n", "  XGL 0\n"},
        {"indexed store", "  PSH 0\n  LOD g\n  PSH 1\n  PSH 8\n", "  XST\n"},
        {"indexed store, 1-based", "  PSH 0\n  LOD g\n  PSH 1\n  PSH 8\n", "  XGS 0\n"},
        {"element of an array", "  PSH 2\n  NTP 5\n", "  XMV 0\n"},
        {"address of a global", "  PSH 0\n", "  ADR\n  LOD g\n"},
        {"address of a local, pushed", "", "  ADR\n  PBP 0\n"},
        {"address of an argument-less local in place", "  PSH 0\n", "  ADS\n  LBP 0\n"},
        {"prepared store into a global", "  PSH 0\n", "  XRS 1\n  LOD g\n"},
    };
    for (EffectCase c : cases) {
        const std::string setup = matrix + c.setup;
        c.setup = setup.c_str();
        expect_table_effect(c);
    }
}

TEST_F(StackEffectTest, CallsAndLoops) {
    const std::string callee = "function twice(x)\n  INT 0\n  PSH 0\n  LAP 0\n  PSH 2\n  OPR *\n  RET 1\nend\n";
    const EffectCase calls[] = {
        {"call of a native function", "  PSH 0\n  LOD pick\n  PSH 1\n  PSH 2\n", "  CAL 2\n"},
        {"call of a compiled function", "  PSH 0\n  LOD twice\n  PSH 4\n", "  CAL 1\n"},
        // Counter slot 1 from 5 while < 1: no iteration; the exit follows the loop.
        {"canonical for loop", "  PSH 5\n  PSH 1\n  PSH 127\n  PSH 1\n  PSH 1\n",
         "  FOR -12\n  JMP exit\nbody:\n  NOP\n  JMP body\nexit:\n"},
        // foreach (v in g) with v in slot 1: slot, address, two terms, top.
        {"foreach set-up", "  PSH 0\n  LTI 1\n  PSH 0\n  ADS\n  LOD g\n  PSH -2\n  PSH -2\n  PSH 0\n", "  FOR 2\n"},
    };
    for (const EffectCase& c : calls) expect_table_effect(c, callee);
    // The step takes the count of terms from the set-up before it.
    const EffectCase step = {"foreach set-up and step", "  PSH 0\n  LTI 1\n  PSH 0\n  ADS\n  LOD g\n  PSH -2\n  PSH -2\n  PSH 0\n",
                             "  FOR 2\n  FOR -1\n", true};
    expect_table_effect(step);
}

}  // namespace
}  // namespace kj::test
