#include "vm/compiled_loop.h"

#include <cstring>
#include <deque>
#include <memory>
#include <new>
#include <unordered_map>
#include <utility>
#include <vector>

#include "link/code_image.h"
#include "link/opcodes.h"
#include "link/scalar_operators.h"
#include "runtime/settings.h"
#include "vm/engine_local.h"
#include "vm/loops.h"
#include "vm/scalar_tree.h"

namespace kj::vm {

using link::Op;
using namespace tree;

namespace {

// Loops of fewer iterations run on the dispatch loop: setting up the body
// would cost about as much as it saves.
constexpr int64_t k_min_iterations = 4;

// A local (slot k) or an argument (slot k of the arguments).
struct Place {
    int32_t slot;
    Base base;
    bool operator==(const Place&) const = default;
};

// The statements of a compiled body, each an expression stored into a local
// (kind Other: the local going out of scope, left without a value).
struct Statement {
    Operand src;
    Kind kind;
    int32_t slot;   // the local stored into
    int32_t first;  // the statement's first instruction
    // The body's accumulator (x = x op expression, x read nowhere else and
    // stored nowhere else): x stays in a register while the loop runs.
    const Node* accumulate = nullptr;
};

struct Expected {
    Place place;
    Kind kind;
};

struct Body {
    std::deque<Node> nodes;
    std::vector<Value> constants;
    std::vector<Statement> statements;
    std::vector<Expected> expected;  // read before written, with their types at entry
    std::vector<int32_t> stored;     // locals written, which must own nothing
    int32_t back = 0;                // the back-edge JMP
    bool runnable = false;           // compiled for the expected types
    bool may_bail = false;           // has an operator that may raise
};

// The frame the loop runs in: its locals below the loop's state.
struct LoopFrame {
    Value* bp;
    Value* ap;
    const Value* top;  // the loop's state record

    bool holds(const Place& p) const {
        if (p.slot < 0) return false;
        if (p.base == Argument) return ap + p.slot < bp - 1;  // below the frame marker
        return bp + p.slot < top;
    }
    Value& at(const Place& p) const { return (p.base == Argument ? ap : bp)[p.slot]; }
};

// What the body's statements know of each local as they run in order.
class Types {
public:
    Types(Body& body, const LoopFrame& frame) : m_body(body), m_frame(frame) {}

    // The type of a place the body reads; a first read fixes the type it must
    // have at every entry.
    Kind read(const Place& p) {
        for (const auto& [place, kind] : m_known)
            if (place == p) return kind;
        if (!m_frame.holds(p)) return Other;
        // Recorded whatever it is: a body that does not compile for these
        // types is read again only when they change.
        const Kind k = kind_of(m_frame.at(p));
        m_known.push_back({p, k});
        m_body.expected.push_back({p, k});
        return k;
    }
    static Kind read_place(void* self, Base base, int32_t slot) {
        return static_cast<Types*>(self)->read({slot, base});
    }
    void write(int32_t slot, Kind k) {
        const Place p{slot, Local};
        for (auto& [place, kind] : m_known)
            if (place == p) {
                kind = k;
                return;
            }
        m_known.push_back({p, k});
    }
    // Every place read before it was written ends the body with the type it began with.
    bool stable() const {
        for (const Expected& x : m_body.expected)
            for (const auto& [place, kind] : m_known)
                if (place == x.place && kind != x.kind) return false;
        return true;
    }

private:
    Body& m_body;
    const LoopFrame& m_frame;
    std::vector<std::pair<Place, Kind>> m_known;
};

// Counts the leaves of a tree that read local `slot`.
int reads_of(const Operand& o, int32_t slot) {
    if (!o.node) return o.base == Local && o.slot == slot;
    return reads_of(o.node->l, slot) + reads_of(o.node->r, slot);
}

// Marks the first statement that may keep its local in a register.
void find_accumulator(Body& body) {
    for (Statement& s : body.statements) {
        const Node* n = s.src.node;
        if (!n || n->l.node || n->l.base != Local || n->l.slot != s.slot || n->right == Other) continue;
        int reads = 0, stores = 0;
        for (const Statement& t : body.statements) {
            reads += reads_of(t.src, s.slot);
            stores += t.slot == s.slot;
        }
        if (reads != 1 || stores != 1) continue;
        s.accumulate = n;
        return;
    }
}

// Reads the body of the loop whose FOR is at `at`: runnable when it is
// straight-line scalar arithmetic on this frame's locals with stable types.
// Null when the loop's instructions are not as a canonical loop's.
std::unique_ptr<Body> compile(int32_t at, const LoopFrame& frame, int32_t counter) {
    if (at + 1 >= link::code_size()) return nullptr;
    const link::Instr& jump = link::code_instr(at + 1);
    const int32_t end = jump.operand;
    if (jump.op != static_cast<int32_t>(Op::Jmp) || end <= at + 2 || end > link::code_size()) return nullptr;
    auto body = std::make_unique<Body>();
    body->back = end - 1;
    if (link::code_instr(body->back).op != static_cast<int32_t>(Op::Jmp)) return nullptr;
    Types types(*body, frame);
    types.write(counter, Int);
    Builder builder(body->constants, body->nodes, &Types::read_place, &types);
    auto& stack = builder.stack();
    const auto read = [&] {
        int32_t first = at + 2;
        for (int32_t i = at + 2; i < body->back; ++i) {
            const link::Instr in = link::code_instr(i);
            if (stack.empty()) first = i;
            switch (static_cast<Op>(in.op)) {
                case Op::Num:
                case Op::Elt:
                case Op::Nop: break;
                case Op::Sbp: {
                    // A statement: the one record stored into a local, then popped.
                    if (stack.size() != 1 || i + 1 >= body->back) return false;
                    const link::Instr pop = link::code_instr(i + 1);
                    if (pop.op != static_cast<int32_t>(Op::Pop) || pop.operand != 0) return false;
                    if (in.operand == counter || !frame.holds({in.operand, Local})) return false;
                    body->statements.push_back({stack.back().operand, stack.back().kind, in.operand, first});
                    types.write(in.operand, stack.back().kind);
                    body->stored.push_back(in.operand);
                    stack.pop_back();
                    ++i;
                    break;
                }
                case Op::Sbz:
                    // A local going out of scope: left without a value.
                    if (!stack.empty() || in.operand == counter || !frame.holds({in.operand, Local})) return false;
                    body->statements.push_back({{}, Other, in.operand, i});
                    types.write(in.operand, Other);
                    body->stored.push_back(in.operand);
                    break;
                default:
                    if (!builder.take(in)) return false;
            }
        }
        return stack.empty() && types.stable();
    };
    body->runnable = read();
    body->may_bail = builder.may_raise();
    if (body->runnable) find_accumulator(*body);
    return body;
}

// The frame at this entry holds the types the body was read for.
bool same_types(const Body& body, const LoopFrame& frame) {
    for (const Expected& x : body.expected)
        if (!frame.holds(x.place) || kind_of(frame.at(x.place)) != x.kind) return false;
    return true;
}
// The locals it stores into own nothing.
bool stores_fit(const Body& body, const LoopFrame& frame) {
    for (const int32_t slot : body.stored)
        if (!frame.holds({slot, Local}) || value::owns(frame.bp[slot])) return false;
    return true;
}

// Bodies read, by the address of their FOR (those that do not compile for
// their types as well, so that they are not read again at every entry); null
// for loops whose instructions are not a canonical loop's. Emptied when the
// code image changes.
struct Cache {
    uint64_t generation = ~uint64_t{0};
    uint64_t runs = 0;  // loops run compiled
    std::unordered_map<int32_t, std::unique_ptr<Body>> bodies;
};

// The body to run for this entry, read again when the frame's types differ
// from those it was read for; null when it does not compile for them.
Body* body_for(Cache& c, int32_t at, const LoopFrame& frame, int32_t counter) {
    if (c.generation != link::code_generation()) {
        c.bodies.clear();
        c.generation = link::code_generation();
    }
    auto [it, added] = c.bodies.try_emplace(at);
    if (!added && !it->second) return nullptr;
    if (added || !same_types(*it->second, frame)) {
        it->second = compile(at, frame, counter);
        if (!it->second) return nullptr;
    }
    Body* body = it->second.get();
    return body->runnable && stores_fit(*body, frame) ? body : nullptr;
}

// The accumulator's value while the loop runs.
struct Accumulator {
    int32_t i = 0;
    double d = 0;
};

// One step of an accumulator (an int accumulator's right operand is an int:
// an int with a double gives a double). False, with the accumulator as it
// was, when the step would raise.
template <bool may_bail>
[[gnu::always_inline]] inline bool accumulate_double(const Node& n, Accumulator& acc, const Frame& f) {
    double d;
    if (n.right == Int) {
        const int32_t y = int_of(n.r, f);
        if (may_bail && *f.bail) return false;
        d = n.acc_op ? accumulate(n, acc.d, static_cast<double>(y)) : n.dbl_acc_i(acc.d, y, f);
    } else {
        const double y = dbl_of(n.r, f);
        if (may_bail && *f.bail) return false;
        d = n.acc_op ? accumulate(n, acc.d, y) : n.dbl_acc_d(acc.d, y, f);
    }
    if (may_bail && *f.bail) return false;
    acc.d = d;
    return true;
}
template <bool may_bail>
[[gnu::always_inline]] inline bool accumulate_int(const Node& n, Accumulator& acc, const Frame& f) {
    const int32_t y = int_of(n.r, f);
    if (may_bail && *f.bail) return false;
    const int32_t i = n.acc_op ? accumulate(n, acc.i, y) : n.int_acc_i(acc.i, y, f);
    if (may_bail && *f.bail) return false;
    acc.i = i;
    return true;
}

// Runs the statements in order: the statement that would raise, if one
// would, else null.
template <bool may_bail>
[[gnu::always_inline]] inline const Statement* run_statements(const Statement* s, const Statement* end,
                                                              Accumulator& acc, const Frame& f) {
    for (; s != end; ++s) {
        if (const Node* n = s->accumulate) {
            if (!(s->kind == Int ? accumulate_int<may_bail>(*n, acc, f) : accumulate_double<may_bail>(*n, acc, f))) return s;
        } else if (s->kind == Int) {
            const int32_t i = int_of(s->src, f);
            if (may_bail && *f.bail) return s;
            store_int(f.bases[Local][s->slot], i);
        } else if (s->kind == Other) {
            f.bases[Local][s->slot] = value::make_null();
        } else {
            const double d = dbl_of(s->src, f);
            if (may_bail && *f.bail) return s;
            store_double(f.bases[Local][s->slot], d);
        }
    }
    return nullptr;
}

const Statement* accumulator_of(const Body& body) {
    for (const Statement& s : body.statements)
        if (s.accumulate) return &s;
    return nullptr;
}

// Where the iterations stopped: the loop done, a statement that would raise,
// or (neither) an abort request before an iteration.
struct Stop {
    uint32_t value;
    int64_t remaining;
    Accumulator acc;
    bool done;
    const Statement* failed;
};

// The iterations, from the counter's `value` with `remaining` more after the
// current one. `single`: the body is one accumulating statement with a
// double accumulator.
template <bool may_bail, bool single>
[[gnu::noinline]] Stop iterate(const Statement* begin, const Statement* end, Accumulator acc, const Frame& f,
                               Value& counter, uint32_t value, int64_t remaining, uint32_t step) {
    const Engine& e = *f.engine;
    for (;;) {
        if (abort_requested(e)) return {value, remaining, acc, false, nullptr};
        if constexpr (single) {
            if (!accumulate_double<may_bail>(*begin->accumulate, acc, f)) return {value, remaining, acc, false, begin};
        } else {
            if (const Statement* failed = run_statements<may_bail>(begin, end, acc, f); may_bail && failed)
                return {value, remaining, acc, false, failed};
        }
        value += step;
        if (remaining <= 0) return {value, remaining, acc, true, nullptr};
        --remaining;
        link::scalar::put_int(counter, static_cast<int32_t>(value));
    }
}

}  // namespace

int32_t run_compiled_loop(Engine& e, int32_t at, Value* bp, Value* ap) {
    Value* const top = e.sp;
    if (!is_counted_loop(*top) || !runtime::settings().optimize || abort_requested(e)) return -1;
    CountedLoop loop;
    std::memcpy(&loop, &top->u, sizeof loop);
    if (loop.remaining + 1 < k_min_iterations) return -1;
    const LoopFrame frame{bp, ap, top};
    if (!frame.holds({loop.slot, Local})) return -1;
    Cache& c = engine_local<Cache>(e);
    Body* body;
    try {
        body = body_for(c, at, frame, loop.slot);
    } catch (const std::bad_alloc&) {
        return -1;
    }
    if (!body) return -1;
    ++c.runs;
    uint8_t bail = 0;
    const Frame f{{body->constants.data(), bp, ap}, top + 1, e.limit(), &e, 0, &bail};
    Value& counter = bp[loop.slot];
    const Statement* const begin = body->statements.data();
    const Statement* const end = begin + body->statements.size();
    // The accumulator is read when the loop starts and stored when it stops.
    const Statement* const acc_statement = accumulator_of(*body);
    Accumulator acc;
    if (acc_statement) {
        if (acc_statement->kind == Int) acc.i = bp[acc_statement->slot].u.ival;
        else acc.d = bp[acc_statement->slot].u.dval;
    }
    const auto store_accumulator = [acc_statement, bp](const Accumulator& a) {
        if (!acc_statement) return;
        if (acc_statement->kind == Int) store_int(bp[acc_statement->slot], a.i);
        else store_double(bp[acc_statement->slot], a.d);
    };
    const bool single = acc_statement == begin && end - begin == 1 && acc_statement->kind == Dbl;
    const auto step = static_cast<uint32_t>(loop.step);
    Stop stop;
    if (body->may_bail)
        stop = single ? iterate<true, true>(begin, end, acc, f, counter, loop.counter, loop.remaining, step)
                      : iterate<true, false>(begin, end, acc, f, counter, loop.counter, loop.remaining, step);
    else
        stop = single ? iterate<false, true>(begin, end, acc, f, counter, loop.counter, loop.remaining, step)
                      : iterate<false, false>(begin, end, acc, f, counter, loop.counter, loop.remaining, step);
    store_accumulator(stop.acc);
    if (stop.done) {
        counter.u.ival = static_cast<int32_t>(stop.value);
        return body->back;
    }
    // The dispatch loop takes over at the start of the iteration or at the
    // statement that would raise, with the loop's state as the back-edge JMP
    // would have left it.
    loop.counter = stop.value;
    loop.remaining = stop.remaining;
    std::memcpy(&top->u, &loop, sizeof loop);
    return (stop.failed ? stop.failed->first : at + 2) - 1;
}

uint64_t compiled_loop_runs() { return engine_local<Cache>(main_engine()).runs; }

}  // namespace kj::vm
