#include "vm/loops.h"

#include <cstdint>
#include <cstring>
#include <string>

#include "link/operator_codes.h"
#include "link/code_image.h"
#include "link/operands.h"
#include "runtime/random_record.h"
#include "runtime/messages.h"
#include "vm/dispatch.h"
#include "vm/parallel_loop.h"
#include "vm/worker_pool.h"
#include "runtime/run_error.h"
#include "value/index_errors.h"

namespace kj::vm {

using link::Op;

namespace {
// --- canonical for loops ---------------------------------------------------

// The loop's instructions: FOR at `at`, then a JMP to the loop end; the body
// starts two instructions after the FOR and ends with the back-edge JMP at end - 1.
struct LoopShape {
    int body;
    int end;
};

LoopShape loop_shape(int at) {
    const link::Instr next = link::code_instr(at + 1);
    if (next.op != static_cast<int32_t>(Op::Jmp)) runtime::raise_run_error(runtime::E_ForLoop);
    return {at + 2, next.operand};
}

// The start value must be an int; a double converts in place.
int32_t start_value(Value& v) {
    switch (value::type_of(v)) {
        case value::T_Int: return v.u.ival;
        case value::T_Double: value::set_int(v, static_cast<int32_t>(v.u.dval)); return v.u.ival;
        default: {
            const std::string line = "for(): type error in argument 1; expected: int, found: " + value::describe(v);
            runtime::run_message(line.c_str());
            runtime::raise_run_error(runtime::E_ArgError);
        }
    }
}

int32_t limit_value(const Value& v) {
    switch (value::type_of(v)) {
        case value::T_Int: return v.u.ival;
        case value::T_Double: return static_cast<int32_t>(v.u.dval);
        case value::T_Matrix:
            if (v.u.mat.r > 0 && v.u.mat.c > 0) return static_cast<int32_t>(v.u.mat.m[0][0]);
            [[fallthrough]];
        default: runtime::raise_run_error(runtime::E_CastInt, value::describe(v));
    }
}

// Number of iterations of a loop from start while (counter tok limit) by step.
int64_t iteration_count(int64_t start, int64_t limit, int tok, int64_t step) {
    using namespace kj::link;
    if (tok == T_Le) ++limit;
    if (tok == T_Ge) --limit;
    if (tok == T_Lt || tok == T_Le) {
        if (limit <= start) return 0;
        if (step < 1) runtime::raise_run_error(runtime::E_InfiniteLoop);
        return (limit - start - 1) / step + 1;
    }
    if (tok == T_Gt || tok == T_Ge) {
        if (limit >= start) return 0;
        if (step >= 0) runtime::raise_run_error(runtime::E_InfiniteLoop);
        return (limit - start + 1) / step + 1;
    }
    runtime::raise_run_error(runtime::E_ForLoop);
}

// The head of a canonical for loop (FOR -12/-13) at e.ip: pops the four
// records above the start record, sets the counter to the start value and
// counts the iterations.
struct LoopHead {
    LoopShape shape;
    Value* state;  // the start record, which stays below the body's stack
    int32_t start, step;
    int slot;
    int64_t count;
};

LoopHead read_loop_head(Engine& e) {
    LoopHead h{loop_shape(e.ip), nullptr, 0, 0, 0, 0};
    e.sp -= 4;
    Value* rec = e.sp;
    h.state = rec;
    h.start = start_value(rec[0]);
    const int32_t limit = limit_value(rec[1]);
    const int tok = rec[2].u.ival;
    h.slot = rec[3].u.ival;
    // The counter is a local of this frame, below the loop's records (a
    // damaged object file may say otherwise).
    if (h.slot < 0 || e.bp + h.slot >= rec) runtime::raise_run_error(runtime::E_ForLoop);
    h.step = rec[4].u.ival;
    for (int i = 1; i < 5; ++i) value::release(rec[i]);
    h.count = iteration_count(h.start, limit, tok, h.step);
    Value& counter = e.bp[h.slot];
    value::release(counter);
    counter = value::make_int(h.start);
    return h;
}

}  // namespace

// FOR -12: four records are popped; from the new top upwards the records hold
// start, limit, comparison token, counter slot and step. The start record stays
// below the body's stack as the loop's state; the dispatch loop runs the
// iterations and steps the counter at the back-edge JMP.
int32_t start_counted_for(Engine& e) {
    const LoopHead h = read_loop_head(e);
    if (h.count == 0) return h.shape.end - 1;
    put_counted_loop(*h.state, CountedLoop{h.count - 1, static_cast<uint32_t>(h.start), h.step, h.slot, h.shape.body});
    return h.shape.body - 1;
}

namespace {

// FOR -13, a parallel loop: the same records as FOR -12. The iterations run
// on the worker threads (parallel_loop.h), each through the dispatch loop,
// which stops at the back-edge JMP. A parallel loop positions the
// random-number state before every iteration from the loop value and
// restores it afterwards, so each iteration draws the same numbers whatever
// the order or thread in which iterations run. Inside an active parallel
// loop, and under the debugger, a parallel loop runs as a plain one on the
// calling engine.
bool g_parallel_active = false;

class ParallelSection {
public:
    explicit ParallelSection(bool parallel) : m_on(parallel && !g_parallel_active) {
        if (!m_on) return;
        g_parallel_active = true;
        runtime::ran_loop_seed(0, -1);
    }
    ~ParallelSection() {
        if (!m_on) return;
        runtime::ran_loop_seed(0, 1);
        g_parallel_active = false;
    }
    ParallelSection(const ParallelSection&) = delete;
    ParallelSection& operator=(const ParallelSection&) = delete;
    bool on() const { return m_on; }
    void before(int32_t counter) const {
        if (m_on) runtime::ran_loop_seed(counter, 0);
    }

private:
    bool m_on;
};

// What a worker needs to run iteration n of a canonical for loop.
struct ParallelFor {
    int body, end, slot;
    uint32_t start, step;
};

void parallel_for_iteration(Engine& w, int64_t n, const void* loop) {
    const auto& l = *static_cast<const ParallelFor*>(loop);
    const uint32_t current = l.start + static_cast<uint32_t>(n) * l.step;
    runtime::ran_loop_seed(static_cast<int32_t>(current), 0);
    Value& c = w.bp[l.slot];
    value::release(c);
    c = value::make_int(static_cast<int32_t>(current));
    w.ip = l.body;
    dispatch(w, false, l.end - 1);
}

void canonical_for(Engine& e, bool debug, bool parallel) {
    const LoopHead h = read_loop_head(e);
    const LoopShape& shape = h.shape;
    const int slot = h.slot;
    const int32_t step = h.step;
    const int64_t count = h.count;
    uint32_t current = static_cast<uint32_t>(h.start);
    const ParallelSection section(parallel && !e.origin);
    if (section.on() && !debug) {
        const ParallelFor loop{shape.body, shape.end, slot, current, static_cast<uint32_t>(step)};
        run_parallel_iterations(e, count, parallel_threads(), parallel_for_iteration, &loop);
        current += static_cast<uint32_t>(count) * static_cast<uint32_t>(step);
    } else {
        for (int64_t n = 0; n < count; ++n, current += static_cast<uint32_t>(step)) {
            section.before(static_cast<int32_t>(current));
            // The counter is found through the frame base: the body may not move it.
            // Whole words: the body's loads of the counter forward from these stores.
            Value& c = e.bp[slot];
            c.type = value::T_Int;
            c.reserved = 0;
            c.u.w[0] = current;
            e.ip = shape.body;
            dispatch(e, debug, shape.end - 1);
        }
    }
    value::release(e.bp[slot]);
    e.bp[slot] = value::make_int(static_cast<int32_t>(current));
    e.ip = shape.end - 1;
}

// --- foreach ---------------------------------------------------------------

enum class Mode : int32_t { Element = 0, Sequence = 1, Rows = 2, Columns = 3 };

// The two index-term records become iterator records (type blob).
struct OuterIterator {
    int32_t pos, count, slot_i, slot_var;
    Mode mode;
};
struct InnerIterator {
    int32_t pos, count, slot_j, pad;
    const void* data;
    uint32_t type;
};
static_assert(sizeof(OuterIterator) <= sizeof(Value::u) && sizeof(InnerIterator) <= sizeof(Value::u));

template <class T>
T read_iterator(const Value& v) {
    T t;
    std::memcpy(&t, &v.u, sizeof t);
    return t;
}

template <class T>
void write_iterator(Value& v, const T& t) {
    v = Value{};
    v.type = value::T_Blob;
    std::memcpy(&v.u, &t, sizeof t);
}

// The set-up records below the working top: the iteration variable's slot,
// the collection's address, then n >= 2 index terms.
struct ForeachRecords {
    Value* slot;
    Value* address;
    Value* terms;
};

ForeachRecords foreach_records(Engine& e, int n) {
    // Compiled code always has them above the frame's base; damaged code may not.
    if (n < 2 || e.sp - n - 2 < e.bp) runtime::raise_run_error(runtime::E_StackError);
    Value* terms = e.sp - n;
    return {terms - 2, terms - 1, terms};
}

// A local slot of the running frame that the loop writes: below the records
// the loop works on (a damaged object file may name any number).
Value& loop_local(Engine& e, int slot) {
    if (slot < 0 || e.bp + slot >= e.sp) runtime::raise_run_error(runtime::E_StackError);
    return e.bp[slot];
}

Value& collection_of(const Value& address) {
    if (value::type_of(address) != value::T_Array || !value::has_flag(address, value::k_address))
        runtime::raise_run_error(runtime::E_WrongType);
    return *address.u.arr.v;
}

const void* data_of(const Value& v) {
    switch (value::type_of(v)) {
        case value::T_Matrix: return v.u.mat.m;
        case value::T_String: return v.u.str.s;
        case value::T_Array: return v.u.arr.v;
        default: return nullptr;
    }
}

void set_local_int(Engine& e, int slot, int32_t i) {
    if (slot < 0) return;
    Value& local = loop_local(e, slot);
    value::release(local);
    local = value::make_int(i);
}

// How many outer and inner steps a collection has in a mode.
void step_counts(const Value& coll, Mode mode, int32_t& outer, int32_t& inner) {
    outer = 1;
    inner = 1;
    switch (value::type_of(coll)) {
        case value::T_Int:
        case value::T_Double: break;
        case value::T_String: outer = coll.u.str.len; break;
        case value::T_Array: outer = coll.u.arr.n; break;
        case value::T_Matrix: {
            const int32_t rows = coll.u.mat.r, cols = coll.u.mat.c;
            switch (mode) {
                case Mode::Element: outer = rows; inner = cols; break;
                case Mode::Sequence: outer = rows * cols; break;
                case Mode::Rows: outer = rows; break;
                case Mode::Columns: inner = cols; break;
            }
            break;
        }
        default: value::raise_cannot_index(coll);
    }
    // Nothing to visit: the first step already finds the outer count reached.
    if (inner == 0) outer = 0;
}

// FOR n: counts and mode from the collection and the first two index terms.
void foreach_setup(Engine& e, int n) {
    const ForeachRecords r = foreach_records(e, n);
    const Value& coll = collection_of(*r.address);
    if (value::is_null(coll)) runtime::raise_run_error(runtime::E_NoValue);
    const int slot_var = r.slot->u.ival;
    const int i = r.terms[0].u.ival, j = r.terms[1].u.ival;
    Mode mode = Mode::Element;
    if (i >= 0 && j == -1) mode = Mode::Rows;
    if (i >= 0 && j == -2) mode = Mode::Sequence;
    if (i == -1 && j >= 0) mode = Mode::Columns;

    int32_t outer, inner;
    step_counts(coll, mode, outer, inner);
    set_local_int(e, slot_var, 0);
    set_local_int(e, i, 0);
    set_local_int(e, j, 0);
    write_iterator(r.terms[0], OuterIterator{-1, outer, i, slot_var, mode});
    write_iterator(r.terms[1], InnerIterator{inner - 1, inner, j, 0, data_of(coll), coll.type});
}

// An owned matrix of the right shape in the variable is reused.
double** matrix_for(Value& var, int rows, int cols) {
    if (value::type_of(var) == value::T_Matrix && value::owns(var) && var.u.mat.r == rows && var.u.mat.c == cols &&
        rows > 0 && cols > 0)
        return var.u.mat.m;
    value::set_matrix(var, rows, cols);
    return var.u.mat.m;
}

void assign_element(Value& var, const Value& coll, Mode mode, int outer, int inner) {
    switch (value::type_of(coll)) {
        case value::T_Int:
        case value::T_Double:
            value::release(var);
            var = coll;
            var.type &= ~(value::k_owns | value::k_const);
            return;
        case value::T_String: value::set_int(var, static_cast<signed char>(coll.u.str.s[outer])); return;
        case value::T_Array: value::release(var); value::duplicate(var, coll.u.arr.v[outer]); return;
        default: break;
    }
    double* const* m = coll.u.mat.m;
    const int cols = coll.u.mat.c, rows = coll.u.mat.r;
    switch (mode) {
        case Mode::Element: value::set_double(var, m[outer][inner]); return;
        case Mode::Sequence: value::set_double(var, m[0][outer]); return;
        case Mode::Rows: {
            double** row = matrix_for(var, 1, cols);
            std::memcpy(row[0], m[outer], static_cast<std::size_t>(cols) * sizeof(double));
            return;
        }
        case Mode::Columns: {
            double** col = matrix_for(var, rows, 1);
            for (int r = 0; r < rows; ++r) col[r][0] = m[r][inner];
            return;
        }
    }
}

// FOR -1: advances; the top becomes int 1 while there is an element, else int 0.
bool foreach_step(Engine& e, int n) {
    const ForeachRecords r = foreach_records(e, n);
    // Only a set-up makes iterator records (damaged code may step without one).
    if (value::type_of(r.terms[0]) != value::T_Blob || value::type_of(r.terms[1]) != value::T_Blob)
        runtime::raise_run_error(runtime::E_ForLoop);
    OuterIterator o = read_iterator<OuterIterator>(r.terms[0]);
    InnerIterator in = read_iterator<InnerIterator>(r.terms[1]);
    if (++in.pos >= in.count) {
        in.pos = 0;
        ++o.pos;
    }
    write_iterator(r.terms[0], o);
    write_iterator(r.terms[1], in);
    const bool more = o.pos < o.count;
    if (more) {
        const Value& coll = collection_of(*r.address);
        if (coll.type != in.type || data_of(coll) != in.data) runtime::raise_run_error(runtime::E_ForeachChanged);
        int32_t outer, inner;
        step_counts(coll, o.mode, outer, inner);
        if (o.count != outer || in.count != inner || o.pos < 0 || in.pos < 0 || in.pos >= inner)
            runtime::raise_run_error(runtime::E_ForeachChanged);
        set_local_int(e, o.slot_i, o.pos);
        set_local_int(e, in.slot_j, in.pos);
        assign_element(loop_local(e, o.slot_var), coll, o.mode, o.pos, in.pos);
    } else if (o.mode == Mode::Columns) {
        set_local_int(e, in.slot_j, in.count);
    }
    value::release(*e.sp);
    *e.sp = value::make_int(more ? 1 : 0);
    return more;
}

// The iterator records as they stand after the step to element `linear`
// of the sequence (outer-major); -1 is the state the set-up leaves.
void set_position(const ForeachRecords& r, int64_t linear) {
    OuterIterator o = read_iterator<OuterIterator>(r.terms[0]);
    InnerIterator in = read_iterator<InnerIterator>(r.terms[1]);
    o.pos = linear < 0 ? -1 : static_cast<int32_t>(linear / in.count);
    in.pos = linear < 0 ? in.count - 1 : static_cast<int32_t>(linear % in.count);
    write_iterator(r.terms[0], o);
    write_iterator(r.terms[1], in);
}

// What a worker needs to run element n of a canonical foreach loop.
struct ParallelForeach {
    int body, stop;
    const Value* collection;
    Mode mode;
    int32_t inner;
    int slot_i, slot_j, slot_var;
    int64_t first;  // the sequence number of iteration 0
};

// The loop value an iteration's random numbers derive from is the element's
// sequence number in the loop, 0 for the first.
void parallel_foreach_iteration(Engine& w, int64_t n, const void* loop) {
    const auto& l = *static_cast<const ParallelForeach*>(loop);
    const int64_t linear = l.first + n;
    const auto outer = static_cast<int32_t>(linear / l.inner), inner = static_cast<int32_t>(linear % l.inner);
    runtime::ran_loop_seed(static_cast<int32_t>(linear), 0);
    set_local_int(w, l.slot_i, outer);
    set_local_int(w, l.slot_j, inner);
    assign_element(loop_local(w, l.slot_var), *l.collection, l.mode, outer, inner);
    w.ip = l.body;
    dispatch(w, false, l.stop);
}

// FOR -3 on the worker threads: the elements left, from the iterator
// records. Afterwards the calling engine steps through the last element and
// the end, so its variables are what a serial run leaves.
void parallel_foreach(Engine& e, int n, int body, int stop) {
    const ForeachRecords r = foreach_records(e, n);
    if (value::type_of(r.terms[0]) != value::T_Blob || value::type_of(r.terms[1]) != value::T_Blob)
        runtime::raise_run_error(runtime::E_ForLoop);
    const OuterIterator o = read_iterator<OuterIterator>(r.terms[0]);
    const InnerIterator in = read_iterator<InnerIterator>(r.terms[1]);
    const Value& coll = collection_of(*r.address);
    int32_t outer, inner;
    if (coll.type != in.type || data_of(coll) != in.data) runtime::raise_run_error(runtime::E_ForeachChanged);
    step_counts(coll, o.mode, outer, inner);
    if (o.count != outer || in.count != inner || in.pos < 0 || in.pos >= inner || o.pos < -1)
        runtime::raise_run_error(runtime::E_ForeachChanged);
    const int64_t total = int64_t{outer} * inner;
    const int64_t first = int64_t{o.pos} * inner + in.pos + 1;
    if (first < total) {
        const ParallelForeach loop{body, stop, &coll, o.mode, inner, o.slot_i, in.slot_j, o.slot_var, first};
        run_parallel_iterations(e, total - first, parallel_threads(), parallel_foreach_iteration, &loop);
        set_position(r, total - 2);
        foreach_step(e, n);
    }
    foreach_step(e, n);
}

// FOR -2: FOR n precedes; JMT into the body and JMP to the loop end follow.
void canonical_foreach(Engine& e, int n, bool debug, bool parallel) {
    const int at = e.ip;
    const link::Instr enter = link::code_instr(at + 1);
    const link::Instr leave = link::code_instr(at + 2);
    if (enter.op != static_cast<int32_t>(Op::Jmt) || leave.op != static_cast<int32_t>(Op::Jmp))
        runtime::raise_run_error(runtime::E_ForLoop);
    // The body follows at once and ends with the jump back to this step
    // (damaged code read from a file may say otherwise).
    const int back = leave.operand - 1;
    if (enter.operand != at + 3 || back < at + 3 || back >= link::code_size() ||
        link::code_instr(back).op != static_cast<int32_t>(Op::Jmp) || link::code_instr(back).operand != at)
        runtime::raise_run_error(runtime::E_ForLoop);
    const ParallelSection section(parallel && !e.origin);
    if (section.on() && !debug) {
        parallel_foreach(e, n, enter.operand, leave.operand - 1);
        e.ip = leave.operand - 1;
        return;
    }
    while (foreach_step(e, n)) {
        e.ip = enter.operand;
        dispatch(e, debug, leave.operand - 1);
        e.ip = at;
    }
    e.ip = leave.operand - 1;
}
}  // namespace

void for_instruction(Engine& e, int k, bool debug) {
    if (k >= 0) {
        foreach_setup(e, k);
        return;
    }
    const int n = link::code_instr(e.ip - 1).operand;
    switch (k) {
        case link::k_for_foreach_step: foreach_step(e, n); return;
        case link::k_for_canonical_foreach:
        case link::k_for_canonical_foreach_parallel:
            // Under the debugger each step goes through the loop's own jumps,
            // so that a stop inside the body leaves the loop resumable.
            if (debug) foreach_step(e, n);
            else canonical_foreach(e, n, false, k == link::k_for_canonical_foreach_parallel);
            return;
        case link::k_for_canonical_parallel: canonical_for(e, debug, true); return;
        default: runtime::raise_run_error(runtime::E_ForLoop);
    }
}

}  // namespace kj::vm
