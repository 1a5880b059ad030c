#include "vm/compiled_function.h"

#include <cstring>
#include <deque>
#include <memory>
#include <new>
#include <optional>
#include <unordered_map>
#include <vector>

#include "link/code_image.h"
#include "link/opcodes.h"
#include "link/scalar_operators.h"
#include "link/symbols.h"
#include "runtime/settings.h"
#include "vm/engine_local.h"
#include "vm/scalar_tree.h"

namespace kj::vm {

using link::Op;
using namespace tree;

namespace {

constexpr int k_max_args = 8;
constexpr int k_max_locals = 64;
// Native calls nest no deeper; a deeper recursion is left to the dispatch loop.
constexpr int k_max_depth = 1000;

template <Kind K>
using Scalar = std::conditional_t<K == Int, int32_t, double>;

struct Function;

// A call of a compiled function: the global symbol that held the function
// value when it was compiled, and the arguments.
struct CallSite {
    const Function* target = nullptr;
    const Value* global = nullptr;  // the symbol's record (the table never moves)
    uint32_t entry = 0;
    int n = 0;
    Operand args[k_max_args];
    Kind kinds[k_max_args] = {};
};

enum class Step : uint8_t { Store, Evaluate, Return, JumpIfFalse, JumpIfTrue, Jump };

struct Statement {
    Step step;
    Kind kind = Other;  // of src
    Operand src;
    int32_t slot = 0;    // Store: the local
    int32_t target = 0;  // jumps: the statement to go on with (first the instruction)
    bool backward = false;
};

struct Function {
    enum State : uint8_t { Compiling, Ready, Failed };
    State state = Compiling;
    Kind result = Int;  // while compiling, the type assumed for recursive calls
    uint32_t entry = 0;
    int nparam = 0;
    int locals = 0;
    std::deque<Node> nodes;
    std::vector<Value> constants;
    std::vector<Statement> statements;
    std::deque<CallSite> sites;
};

template <Kind K>
Scalar<K> run_function(const Function& fn, const Frame& f);

template <Kind K>
auto& node_fn(Node& n) {
    if constexpr (K == Int) return n.int_fn;
    else return n.dbl_fn;
}

inline bool bail(const Frame& f, uint8_t why) {
    *f.bail = why;
    return false;
}

// Evaluates argument i of a call into its record's payload word.
inline uint64_t argument_word(const CallSite& c, int i, const Frame& f) {
    if (c.kinds[i] == Int) return static_cast<uint32_t>(int_of(c.args[i], f));
    const double d = dbl_of(c.args[i], f);
    uint64_t w;
    std::memcpy(&w, &d, sizeof d);
    return w;
}

// N: the number of arguments, -1 for any.
template <Kind K, int N>
Scalar<K> call_step(const Node& n, const Frame& f) {
    const CallSite& c = *static_cast<const CallSite*>(n.extra);
    const Function& fn = *c.target;
    const Value& g = *c.global;
    if (g.u.fn.entry != c.entry || (g.type & KJ_TYPE_MASK) != value::T_Func || abort_requested(*f.engine))
        return bail(f, k_bail_stop);
    if (f.depth >= k_max_depth) return bail(f, k_bail_deep);
    // The frame as the dispatch loop would lay it out: the function value,
    // the arguments, the frame marker and the locals.
    const int count = N >= 0 ? N : c.n;
    Value* const args = f.top + 1;
    Value* const bp = args + count + 1;
    if (bp + fn.locals >= f.limit) return bail(f, k_bail_deep);
    // Every argument is evaluated before any is stored: a call inside one
    // uses the same records for its own frame.
    uint64_t words[k_max_args];
    for (int i = 0; i < count; ++i) words[i] = argument_word(c, i, f);
    if (*f.bail) return 0;
    for (int i = 0; i < count; ++i) {
        args[i].type = c.kinds[i] == Int ? value::T_Int : value::T_Double;
        args[i].u.w[0] = static_cast<int64_t>(words[i]);
    }
    const Frame callee{{const_cast<Value*>(fn.constants.data()), bp, args}, bp + fn.locals, f.limit, f.engine, f.depth + 1, f.bail};
    return run_function<K>(fn, callee);
}

template <Kind K>
void set_call(Node& node, int n) {
    switch (n) {
        case 0: node_fn<K>(node) = &call_step<K, 0>; break;
        case 1: node_fn<K>(node) = &call_step<K, 1>; break;
        case 2: node_fn<K>(node) = &call_step<K, 2>; break;
        default: node_fn<K>(node) = &call_step<K, -1>; break;
    }
}

// Truth of a condition as the conditional jumps take it; a NaN is false.
inline bool truth(const Statement& s, const Frame& f) {
    if (s.kind == Int) return int_of(s.src, f) != 0;
    const double d = dbl_of(s.src, f);
    return d == d && d != 0.0;
}

template <Kind K>
Scalar<K> run_function(const Function& fn, const Frame& f) {
    const Statement* const code = fn.statements.data();
    const Statement* s = code;
    for (;;) {
        switch (s->step) {
            case Step::Store:
                if (s->kind == Int) {
                    const int32_t i = int_of(s->src, f);
                    if (*f.bail) return 0;
                    store_int(f.bases[Local][s->slot], i);
                } else {
                    const double d = dbl_of(s->src, f);
                    if (*f.bail) return 0;
                    store_double(f.bases[Local][s->slot], d);
                }
                ++s;
                break;
            case Step::Evaluate:
                if (s->kind == Int) (void)int_of(s->src, f);
                else (void)dbl_of(s->src, f);
                if (*f.bail) return 0;
                ++s;
                break;
            case Step::Return:
                if constexpr (K == Int) return int_of(s->src, f);
                else return dbl_of(s->src, f);
            case Step::JumpIfFalse:
            case Step::JumpIfTrue: {
                const bool t = truth(*s, f);
                if (*f.bail) return 0;
                s = t == (s->step == Step::JumpIfTrue) ? code + s->target : s + 1;
                break;
            }
            case Step::Jump:
                if (s->backward && abort_requested(*f.engine)) return bail(f, k_bail_stop);
                s = code + s->target;
                break;
        }
    }
}

// Compiled functions, by entry, argument count and
// argument types; failed ones stay, so that they are not read again.
struct Cache {
    uint64_t generation = ~uint64_t{0};
    uint64_t runs = 0;  // outermost calls run compiled
    std::unordered_map<uint64_t, std::unique_ptr<Function>> functions;
    // The last lookups, by a hash of the key.
    struct Recent {
        uint64_t key = ~uint64_t{0};
        const Function* fn = nullptr;
    };
    Recent recent[256];
};

uint64_t key_of(uint32_t entry, int n, unsigned mask) {
    return static_cast<uint64_t>(entry) << 16 | static_cast<uint64_t>(n) << 8 | mask;
}

Function* function_for(Cache& c, uint32_t entry, int n, const Kind* kinds);

// Reads a function's body, for the argument types of its `fn` record.
class Reader {
public:
    Reader(Cache& cache, Function& fn, const Kind* kinds) : m_cache(cache), m_fn(fn) {
        for (int i = 0; i < fn.nparam; ++i) m_args[i] = kinds[i];
    }

    // The type the body gives, or Other when it does not compile.
    Kind read();

private:
    struct Pending {  // a call whose function value has been pushed
        std::size_t depth;
        int32_t symbol;
        uint32_t entry;
        int nparam;
    };

    static Kind read_place(void* self, Base base, int32_t slot);
    void merge(int32_t target);
    bool call(int n, Builder& builder);

    Cache& m_cache;
    Function& m_fn;
    Kind m_args[k_max_args] = {};
    std::vector<Kind> m_local_kind;
    uint64_t m_assigned = 0;  // locals certain to hold a value here
    bool m_reachable = true;
    int32_t m_begin = 0, m_end = 0;
    std::vector<std::optional<uint64_t>> m_at_target;  // states jumped with, by instruction
    std::vector<Pending> m_pending;
    Kind m_returns = Other;
};

Kind Reader::read_place(void* self, Base base, int32_t slot) {
    auto& r = *static_cast<Reader*>(self);
    if (slot < 0) return Other;
    if (base == Argument) return slot < r.m_fn.nparam ? r.m_args[slot] : Other;
    if (slot >= r.m_fn.locals || !(r.m_assigned >> slot & 1)) return Other;
    return r.m_local_kind[slot];
}

// A forward jump to `target` goes with the current state.
void Reader::merge(int32_t target) {
    auto& at = m_at_target[target - m_begin];
    at = at ? (*at & m_assigned) : m_assigned;
}

bool Reader::call(int n, Builder& builder) {
    auto& stack = builder.stack();
    if (m_pending.empty() || n > k_max_args) return false;
    const Pending p = m_pending.back();
    m_pending.pop_back();
    if (p.depth + static_cast<std::size_t>(n) != stack.size() || p.nparam != n) return false;
    CallSite& site = m_fn.sites.emplace_back();
    site.global = &link::symbols().entries[p.symbol].val;
    site.entry = p.entry;
    site.n = n;
    for (int i = 0; i < n; ++i) {
        site.args[i] = stack[p.depth + i].operand;
        site.kinds[i] = stack[p.depth + i].kind;
    }
    stack.resize(p.depth);
    Kind result;
    if (p.entry == m_fn.entry && n == m_fn.nparam &&
        std::memcmp(site.kinds, m_args, sizeof(Kind) * static_cast<std::size_t>(n)) == 0) {
        site.target = &m_fn;  // a recursive call: its type is the one assumed
        result = m_fn.result;
    } else {
        const Function* target = function_for(m_cache, p.entry, n, site.kinds);
        if (!target || target->state != Function::Ready) return false;
        site.target = target;
        result = target->result;
    }
    Node& node = builder.new_node();
    node.extra = &site;
    if (result == Int) set_call<Int>(node, n);
    else set_call<Dbl>(node, n);
    stack.push_back({{&node}, result});
    return true;
}

Kind Reader::read() {
    const int32_t size = link::code_size();
    const uint32_t entry = m_fn.entry;
    if (static_cast<int64_t>(entry) >= size || link::code_instr(static_cast<int32_t>(entry)).op != static_cast<int32_t>(Op::Elf))
        return Other;
    m_begin = static_cast<int32_t>(entry) + 1;
    m_end = m_begin;
    while (m_end < size && link::code_instr(m_end).op != static_cast<int32_t>(Op::Elf)) ++m_end;
    m_at_target.assign(static_cast<std::size_t>(m_end - m_begin), std::nullopt);
    std::vector<int32_t> statement_at(static_cast<std::size_t>(m_end - m_begin), 0);
    // Instructions read as the second of a pair (the pop after a store or a
    // conditional jump, the load after a function value's push), and those no
    // way leads to: no jump may land on them.
    std::vector<bool> inner(static_cast<std::size_t>(m_end - m_begin), false);
    Builder builder(m_fn.constants, m_fn.nodes, &Reader::read_place, this);
    auto& stack = builder.stack();
    const auto in_body = [this](int32_t t) { return t >= m_begin && t < m_end; };
    const auto emit = [this](Step step, Kind kind, Operand src, int32_t slot = 0, int32_t target = 0) {
        m_fn.statements.push_back({step, kind, src, slot, target, false});
    };
    bool started = false;
    for (int32_t i = m_begin; i < m_end; ++i) {
        const link::Instr in = link::code_instr(i);
        const bool fell_through = m_reachable;
        if (const auto& at = m_at_target[i - m_begin]) {
            m_assigned = m_reachable ? (m_assigned & *at) : *at;
            m_reachable = true;
        }
        statement_at[i - m_begin] = static_cast<int32_t>(m_fn.statements.size());
        const Op op = static_cast<Op>(in.op);
        if (!m_reachable) {  // no way leads here
            inner[i - m_begin] = true;
            continue;
        }
        switch (op) {
            case Op::Elt:
            case Op::Num:
            case Op::Nop: break;
            case Op::Int:
                if (started || in.operand < 0 || in.operand > k_max_locals) return Other;
                m_fn.locals = in.operand;
                m_local_kind.assign(static_cast<std::size_t>(in.operand), Other);
                break;
            case Op::Pop:
                // The pop of a condition where a conditional jump lands.
                if (in.operand != 0 || !stack.empty() || !m_at_target[i - m_begin] || fell_through) return Other;
                break;
            case Op::Sbp: {
                if (stack.size() != 1 || i + 1 >= m_end) return Other;
                const link::Instr pop = link::code_instr(i + 1);
                if (pop.op != static_cast<int32_t>(Op::Pop) || pop.operand != 0) return Other;
                if (in.operand < 0 || in.operand >= m_fn.locals) return Other;
                Kind& k = m_local_kind[in.operand];
                if (k != Other && k != stack.back().kind) return Other;  // a local keeps one type
                k = stack.back().kind;
                emit(Step::Store, k, stack.back().operand, in.operand);
                stack.pop_back();
                m_assigned |= uint64_t{1} << in.operand;
                inner[++i - m_begin] = true;
                break;
            }
            case Op::Sbz:
                // A local going out of scope: without a value from here on.
                if (in.operand < 0 || in.operand >= m_fn.locals) return Other;
                m_assigned &= ~(uint64_t{1} << in.operand);
                break;
            case Op::Jmf:
            case Op::Jmt: {
                // Both ways begin with the pop of the condition.
                const int32_t t = in.operand;
                if (stack.size() != 1 || i + 1 >= m_end || t <= i + 1 || !in_body(t)) return Other;
                const link::Instr next = link::code_instr(i + 1), landing = link::code_instr(t);
                if (next.op != static_cast<int32_t>(Op::Pop) || next.operand != 0) return Other;
                if (landing.op != static_cast<int32_t>(Op::Pop) || landing.operand != 0) return Other;
                emit(op == Op::Jmf ? Step::JumpIfFalse : Step::JumpIfTrue, stack.back().kind, stack.back().operand, 0, t);
                stack.pop_back();
                merge(t);
                inner[++i - m_begin] = true;
                break;
            }
            case Op::Jmp:
                if (!stack.empty() || !in_body(in.operand)) return Other;
                emit(Step::Jump, Other, {}, 0, in.operand);
                m_fn.statements.back().backward = in.operand <= i;
                if (in.operand > i) merge(in.operand);
                m_reachable = false;
                break;
            case Op::Ret: {
                Kind k;
                if (in.operand == 1 && stack.size() == 1) {
                    k = stack.back().kind;
                    emit(Step::Return, k, stack.back().operand);
                    stack.pop_back();
                } else if (in.operand == 0 && stack.empty()) {
                    builder.take({static_cast<int32_t>(Op::Psh), 0});
                    k = Int;
                    emit(Step::Return, k, stack.back().operand);
                    stack.pop_back();
                } else {
                    return Other;
                }
                if (m_returns != Other && m_returns != k) return Other;
                m_returns = k;
                m_reachable = false;
                break;
            }
            case Op::Psh: {
                // PSH 0, LOD g: a function value about to be called.
                if (i + 1 < m_end && link::code_instr(i + 1).op == static_cast<int32_t>(Op::Lod)) {
                    const int32_t g = link::code_instr(i + 1).operand;
                    if (g < 0 || g >= link::symbols().count) return Other;
                    const Value& v = link::symbols().entries[g].val;
                    if (!plain_function(v, v.u.fn.nparam)) return Other;
                    m_pending.push_back({stack.size(), g, v.u.fn.entry, v.u.fn.nparam});
                    inner[++i - m_begin] = true;
                    break;
                }
                if (!builder.take(in)) return Other;
                break;
            }
            case Op::Cal:
                if (!call(in.operand, builder)) return Other;
                break;
            default:
                if (!builder.take(in)) return Other;
        }
        started = started || (op != Op::Elt && op != Op::Num && op != Op::Nop && op != Op::Int);
    }
    if (m_reachable || !stack.empty() || !m_pending.empty() || m_fn.statements.empty()) return Other;
    // Jumps go on with the first statement read at or after their instruction.
    for (Statement& s : m_fn.statements)
        if (s.step == Step::JumpIfFalse || s.step == Step::JumpIfTrue || s.step == Step::Jump) {
            if (inner[s.target - m_begin]) return Other;
            s.target = statement_at[s.target - m_begin];
        }
    for (const Statement& s : m_fn.statements)
        if (s.target >= static_cast<int32_t>(m_fn.statements.size())) return Other;
    return m_returns == Other ? m_fn.result : m_returns;
}

// Reads the function for these argument types, taking its recursive calls
// to give an int, then a double: the reading must confirm the type.
bool compile(Cache& c, Function& fn, const Kind* kinds) {
    for (const Kind assumed : {Int, Dbl}) {
        fn.result = assumed;
        fn.nodes.clear();
        fn.constants.clear();
        fn.statements.clear();
        fn.sites.clear();
        Reader reader(c, fn, kinds);
        if (reader.read() == assumed) return true;
    }
    return false;
}

Function* function_for(Cache& c, uint32_t entry, int n, const Kind* kinds) {
    unsigned mask = 0;
    for (int i = 0; i < n; ++i) mask |= (kinds[i] == Dbl ? 1u : 0u) << i;
    const uint64_t key = key_of(entry, n, mask);
    auto [it, added] = c.functions.try_emplace(key);
    if (!added) return it->second && it->second->state == Function::Ready ? it->second.get() : nullptr;
    it->second = std::make_unique<Function>();
    Function& fn = *it->second;
    fn.entry = entry;
    fn.nparam = n;
    fn.state = compile(c, fn, kinds) ? Function::Ready : Function::Failed;
    return fn.state == Function::Ready ? &fn : nullptr;
}

}  // namespace

// The dispatch loop makes a call that a compiled one gave up. A recursion
// too deep for compiled calls stays with it from then on: trying again one
// level further down would repeat the same work at every level.
bool handed_back(const Function* fn, uint8_t why) {
    if (why == k_bail_deep) const_cast<Function*>(fn)->state = Function::Failed;
    return false;
}

bool run_compiled_call(Engine& e, Value* callee, int n) {
    if (n > k_max_args || !plain_function(*callee, n)) return false;
    Kind kinds[k_max_args];
    unsigned types = 0;
    for (int i = 0; i < n; ++i) {
        kinds[i] = kind_of(callee[1 + i]);
        if (kinds[i] == Other) return false;
        types |= (kinds[i] == Dbl ? 1u : 0u) << i;
    }
    Cache& c = engine_local<Cache>(e);
    if (c.generation != link::code_generation()) {
        c.functions.clear();
        for (auto& r : c.recent) r = {};
        c.generation = link::code_generation();
    }
    const uint32_t entry = callee->u.fn.entry;
    const uint64_t key = key_of(entry, n, types);
    auto& recent = c.recent[(key ^ key >> 11) & 255];
    const Function* fn;
    if (recent.key == key) {
        fn = recent.fn;
    } else {
        if (!runtime::settings().optimize) return false;
        try {
            fn = function_for(c, entry, n, kinds);
        } catch (const std::bad_alloc&) {
            return false;
        }
        recent = {key, fn};
    }
    if (!fn || fn->state != Function::Ready || abort_requested(e)) return false;
    Value* const ap = callee + 1;
    Value* const bp = ap + n + 1;
    if (bp + fn->locals >= e.limit()) return false;
    uint8_t bail = 0;
    const Frame f{{const_cast<Value*>(fn->constants.data()), bp, ap}, bp + fn->locals, e.limit(), &e, 0, &bail};
    if (fn->result == Int) {
        const int32_t r = run_function<Int>(*fn, f);
        if (bail) return handed_back(fn, bail);
        link::scalar::put_int(*callee, r);
    } else {
        const double r = run_function<Dbl>(*fn, f);
        if (bail) return handed_back(fn, bail);
        link::scalar::put_double(*callee, r);
    }
    ++c.runs;
    return true;
}

uint64_t compiled_call_runs() { return engine_local<Cache>(main_engine()).runs; }

}  // namespace kj::vm
