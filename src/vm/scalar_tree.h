// Scalar trees: expressions on int and double values, built from the p-code
// of an expression once the types of its operands are known, and evaluated
// by a tree of type-specialised steps. Compiled loops and compiled functions
// run on them.
//
// A step whose operator would raise (a zero divisor of `%`) gives 0 and sets
// the bail flag; the code running the tree then leaves it before anything is
// stored, and the dispatch loop runs the same instructions again, raising as
// it always does.
#pragma once

#include <cstdint>
#include <cstring>
#include <deque>
#include <vector>

#include "link/code_image.h"
#include "vm/engine.h"

namespace kj::vm::tree {

enum Kind : uint8_t { Other = 0, Int = 1, Dbl = 2 };

// An int or double with a value and no flag but const: what a tree reads
// from a record.
inline Kind kind_of(const Value& v) {
    const uint32_t t = v.type & ~value::k_const;
    return t == value::T_Int ? Int : t == value::T_Double ? Dbl : Other;
}

// Where a leaf's record lies: among the tree's constants, the frame's locals
// or the frame's arguments.
enum Base : uint8_t { Constant = 0, Local = 1, Argument = 2 };

struct Node;
struct Frame;
// An operand: a node to evaluate, or (node null) the record at `slot` of a base.
struct Operand {
    const Node* node = nullptr;
    int32_t slot = 0;
    Base base = Constant;
    bool to_double = false;  // an int leaf read as a double (double(x))
};

using IntFn = int32_t (*)(const Node&, const Frame&);
using DblFn = double (*)(const Node&, const Frame&);
using IntAccumulateI = int32_t (*)(int32_t, int32_t, const Frame&);
using IntAccumulateD = int32_t (*)(int32_t, double, const Frame&);
using DblAccumulateI = double (*)(double, int32_t, const Frame&);
using DblAccumulateD = double (*)(double, double, const Frame&);

struct Node {
    IntFn int_fn = nullptr;  // set when the node gives an int
    DblFn dbl_fn = nullptr;  // or a double
    Operand l, r;
    // A binary node whose type is that of its left operand: the same step on
    // a left operand held in a register and the right operand's value.
    Kind right = Other;
    IntAccumulateI int_acc_i = nullptr;
    IntAccumulateD int_acc_d = nullptr;
    DblAccumulateI dbl_acc_i = nullptr;
    DblAccumulateD dbl_acc_d = nullptr;
    // The accumulating step when it is +, - or *, which the runner applies
    // itself; 0 otherwise.
    char acc_op = 0;
    const void* extra = nullptr;  // a call's site
};

// What a tree runs on: the bases of its leaves, and for the calls it makes,
// the first free record above the frame, the stack's end and the depth;
// `bail` is set by a step that cannot go on (one flag for a whole run):
// k_bail_raise by one whose operator would raise, k_bail_deep by a call
// deeper than compiled calls go or than the stack holds, k_bail_stop by an
// abort request or a changed function value.
struct Frame {
    Value* bases[3];
    Value* top;
    const Value* limit;
    const Engine* engine;
    int depth;
    uint8_t* bail;
};
constexpr uint8_t k_bail_raise = 1, k_bail_deep = 2, k_bail_stop = 3;

inline int32_t int_of(const Operand& o, const Frame& f);
inline double dbl_of(const Operand& o, const Frame& f);

// An accumulating node's step applied by the runner.
inline double accumulate(const Node& n, double acc, double y) {
    switch (n.acc_op) {
        case '+': return acc + y;
        case '-': return acc - y;
        default: return acc * y;
    }
}
inline int32_t accumulate(const Node& n, int32_t acc, int32_t y) {
    const auto a = static_cast<uint32_t>(acc), b = static_cast<uint32_t>(y);
    switch (n.acc_op) {
        case '+': return static_cast<int32_t>(a + b);
        case '-': return static_cast<int32_t>(a - b);
        default: return static_cast<int32_t>(a * b);
    }
}

inline int32_t int_of(const Operand& o, const Frame& f) {
    if (o.node) return o.node->int_fn(*o.node, f);
    // The whole payload word, as stores of ints write it: a narrower load
    // forwards slowly from the store the previous iteration made.
    uint64_t w;
    std::memcpy(&w, &f.bases[o.base][o.slot].u, sizeof w);
    return static_cast<int32_t>(w);
}
inline double dbl_of(const Operand& o, const Frame& f) {
    if (o.node) return o.node->dbl_fn(*o.node, f);
    if (o.to_double) return static_cast<double>(int_of(o, f));
    double d;
    std::memcpy(&d, &f.bases[o.base][o.slot].u, sizeof d);
    return d;
}

// The type a unary or binary operator token gives for operands of these
// types, with the node's steps set; Other when the tree cannot take it.
Kind unary_node(int token, Node& n, Kind operand);
Kind binary_node(int token, Node& n, Kind l, Kind r);
bool is_unary_token(int token);
// A binary operator that may raise (the tree's users then watch the bail flag).
bool may_raise(int token);

// Stores v into a record as the dispatch loop's store of an int or double does.
inline void store_int(Value& d, int32_t i) {
    d.type = value::T_Int;
    d.u.w[0] = static_cast<uint32_t>(i);
}
inline void store_double(Value& d, double x) {
    d.type = value::T_Double;
    d.u.dval = x;
}

// The expression part of a body being read: its stack of operands, its
// constants and nodes. Locals and arguments get their types from `read`.
class Builder {
public:
    using ReadPlace = Kind (*)(void* context, Base base, int32_t slot);
    Builder(std::vector<Value>& constants, std::deque<Node>& nodes, ReadPlace read, void* context)
        : m_constants(constants), m_nodes(nodes), m_read(read), m_context(context) {}

    struct Item {
        Operand operand;
        Kind kind;
    };
    // Takes an expression instruction (a load, a constant, an operator):
    // false when it is none of those or the tree cannot take it.
    bool take(const link::Instr& in);
    std::vector<Item>& stack() { return m_stack; }
    Node& new_node();
    bool may_raise() const { return m_may_raise; }

private:
    void constant(const Value& v);

    std::vector<Value>& m_constants;
    std::deque<Node>& m_nodes;
    ReadPlace m_read;
    void* m_context;
    std::vector<Item> m_stack;
    bool m_may_raise = false;
};

}  // namespace kj::vm::tree
