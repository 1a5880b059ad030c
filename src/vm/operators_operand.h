// Internal to the operator files: numeric views of operand records, result
// records and their ownership, and the "bad operand" report.
#pragma once

#include <cstddef>
#include <cstdint>

#include "num/elementwise.h"
#include "value/matrix_cache.h"
#include "value/value.h"
#include "runtime/run_error.h"

namespace kj::vm {

using value::Value;

// Text of an operator for messages ("+", "Unary -", "X'X", ...).
const char* operator_text(int code);

// Error 10 "bad operand" with "<left> <op> <right>" (value descriptions).
[[noreturn, gnu::cold]] void raise_bad_operand(const Value& left, int code, const Value& right);
// Unary form: "<op> <operand>".
[[noreturn, gnu::cold]] void raise_bad_operand(int code, const Value& operand);

// A numeric operand: int, double or matrix (row-major data from m[0]).
struct Num {
    enum Kind : uint8_t { Other, Int, Dbl, Mat } kind = Other;
    int32_t i = 0;
    double d = 0;
    int r = 0, c = 0;
    double* p = nullptr;

    bool is_matrix() const { return kind == Mat; }
    bool is_scalar() const { return kind == Int || kind == Dbl; }
    // A scalar or a 1 by 1 matrix: applies to every position of the other operand.
    bool scalar_like() const { return is_scalar() || (kind == Mat && r == 1 && c == 1); }
    double scalar() const { return kind == Int ? static_cast<double>(i) : kind == Dbl ? d : p[0]; }
    num::Shape shape() const { return kind == Mat ? num::Shape{r, c} : num::Shape{1, 1}; }
    std::size_t count() const { return shape().count(); }
};

// Views int, double and matrix records; anything else (no value included) is Other.
inline Num numeric(const Value& v) {
    Num n;
    if (value::is_null(v)) return n;
    switch (value::type_of(v)) {
        case value::T_Int: n.kind = Num::Int; n.i = v.u.ival; break;
        case value::T_Double: n.kind = Num::Dbl; n.d = v.u.dval; break;
        case value::T_Matrix:
            n.kind = Num::Mat;
            n.r = v.u.mat.r;
            n.c = v.u.mat.c;
            n.p = (n.r > 0 && n.c > 0 && v.u.mat.m) ? v.u.mat.m[0] : nullptr;
            break;
        default: break;
    }
    return n;
}

// An owned matrix block under construction: freed on unwinding unless handed
// over with take().
class MatrixTemp {
public:
    // Sizes in 64 bits, checked as value::dimension does; r < 1 gives a null block.
    MatrixTemp(int64_t r, int64_t c);
    ~MatrixTemp() { value::mat_free_cached(m_, r_, c_); }
    MatrixTemp(const MatrixTemp&) = delete;
    MatrixTemp& operator=(const MatrixTemp&) = delete;

    double** rows() const { return m_; }
    double* data() const { return (m_ && r_ > 0 && c_ > 0) ? m_[0] : nullptr; }
    int r() const { return r_; }
    int c() const { return c_; }
    // The owning matrix record; the temporary lets go of the block.
    Value take();

private:
    double** m_ = nullptr;
    int r_ = 0, c_ = 0;
};

// The record with the owns flag moved out: the caller now owns the payload,
// `v` stays behind as an alias.
inline Value steal(Value& v) {
    Value out = v;
    v.type &= ~value::k_owns;
    return out;
}

// Ends a binary operator: releases both operands, stores `result` in the left
// slot and pops one. A payload reused for the result must have been stolen.
inline void finish_binary(Value*& sp, const Value& result) {
    value::release(sp[0]);
    value::release(sp[-1]);
    sp[-1] = result;
    --sp;
}

// Ends a unary operator: releases the operand and stores the result in place.
inline void finish_unary(Value& top, const Value& result) {
    value::release(top);
    top = result;
}

// Kernels of the matrix operators (operators_matrix.cpp); operands are
// matrices of at least 1 by 1 unless stated.
void matrix_product(int code, Value*& sp);        // *, after the 1 by 1 checks
void matrix_right_division(Value*& sp);           // /, right a matrix other than 1 by 1
void matrix_power(Value*& sp);                    // ^, left a matrix other than 1 by 1
void kronecker_product(Value*& sp);               // **
void horizontal_direct_product(Value*& sp);       // *~
void product_transposed_right(Value*& sp);        // XY'
void transpose(int code, Value& top);             // ' and .'
void cross_product(Value& top);                   // X'X

// Concatenation (operators_concat.cpp): ~ and |.
void concatenate(int code, Value*& sp);

// Element-wise binary operators with the shape rules; the caller has checked
// that at least one operand is a matrix.
void elementwise(int code, Value*& sp, const Num& a, const Num& b);

}  // namespace kj::vm
