// The value record: every run-time value travels in one five-word KjValue.
// Ownership rules: each payload has exactly one owning record (KJ_FLAG_OWNS);
// any number of aliases may point at it and are never released.
#pragma once

#include <kj80x.h>

#include <cstdint>
#include <string>

namespace kj::value {

using Value = KjValue;
using NamedValue = KjNamedValue;
using FuncInfo = KjFuncInfo;

static_assert(sizeof(Value) == 40, "the value record is five 64-bit words");
static_assert(sizeof(NamedValue) == 48);

enum Type : uint32_t {
    T_None = KJ_TYPE_NONE, T_Int = KJ_TYPE_INT, T_Double = KJ_TYPE_DOUBLE,
    T_Matrix = KJ_TYPE_MATRIX, T_String = KJ_TYPE_STRING, T_Array = KJ_TYPE_ARRAY,
    T_Func = KJ_TYPE_FUNC, T_Class = KJ_TYPE_CLASS, T_Vector = KJ_TYPE_VECTOR,
    T_Native = KJ_TYPE_NATIVE, T_Range = KJ_TYPE_RANGE, T_File = KJ_TYPE_FILE,
    T_Address = KJ_TYPE_ADDRESS, T_Lambda = KJ_TYPE_LAMBDA, T_Blob = KJ_TYPE_BLOB,
};

constexpr uint32_t k_null = KJ_FLAG_NULL;
constexpr uint32_t k_owns = KJ_FLAG_OWNS;
constexpr uint32_t k_const = KJ_FLAG_CONST;
constexpr uint32_t k_extern = KJ_FLAG_EXTERN;
constexpr uint32_t k_bound = KJ_FLAG_BOUND;
constexpr uint32_t k_static = KJ_FLAG_STATIC;
constexpr uint32_t k_shared = KJ_FLAG_SHARED;
constexpr uint32_t k_address = KJ_FLAG_ADDRESS;
constexpr uint32_t k_varargs = KJ_FLAG_VARARGS;
constexpr uint32_t k_idx_value = KJ_FLAG_IDXVALUE;
constexpr uint32_t k_idx_range = KJ_FLAG_IDXRANGE;

inline uint32_t type_of(const Value& v) { return v.type & KJ_TYPE_MASK; }
inline bool has_flag(const Value& v, uint32_t f) { return (v.type & f) != 0; }
inline bool owns(const Value& v) { return (v.type & k_owns) != 0; }
inline bool is_null(const Value& v) { return (v.type & k_null) != 0; }

// Record constructors (no allocation; payload words zeroed).
inline Value make_int(int32_t i) { Value v{}; v.type = T_Int; v.u.ival = i; return v; }
inline Value make_double(double d) { Value v{}; v.type = T_Double; v.u.dval = d; return v; }
inline Value make_null() { Value v{}; v.type = T_Int | k_null; return v; }
inline Value make_none() { Value v{}; v.type = T_None | k_null; return v; }

// --- ownership (ownership.cpp) ---
void release(Value& v);                        // free an owned payload, clear owns
void make_owned(Value& v);                     // private copy of an aliased payload
void duplicate(Value& dst, const Value& src);  // dst := owned deep copy of src
void transfer(Value& dst, Value& src);         // dst takes src's payload; src becomes alias
void assign(Value& dst, Value& src);           // the engine's store primitive
Value* store_create(int n);
void store_delete(Value* values, int n);

// A payload about to be replaced in a variable may still be referred to by
// aliases that were pushed before the store (an argument or operand whose
// evaluation is not finished). The engine's function (vm/pending_aliases.h),
// installed at start-up as an upward call (api/upward_hooks.h), hands the
// payload to such an alias, which then frees it when it is consumed; it
// returns true when it did, and the variable then no longer owns it.
using PayloadRescuer = bool (*)(Value& owner);
void set_payload_rescuer(PayloadRescuer fn);

// Deletes an owned object with its destructor: the object layer's function
// (vm/objects.h), installed at start-up (api/upward_hooks.h) as an upward
// call, since objects and their destructors live above this layer; until
// then an object record is only released.
using ObjectDeleter = void (*)(Value& object);
void set_object_deleter(ObjectDeleter fn);

// --- setters (setters.cpp): each releases the old payload first ---
// Sizes are formed by callers in 64 bits and checked here before anything is
// allocated: a negative one is error 39 "negative dimension", one beyond a
// 32-bit dimension or larger than the machine is error 4 "out of memory".
int dimension(int64_t n);
void set_int(Value& v, int32_t i);
void set_double(Value& v, double d);
void set_string(Value& v, const char* s, int64_t len);  // owned copy of len bytes
void set_string(Value& v, const std::string& s);
void set_matrix(Value& v, int64_t r, int64_t c);    // owned r x c, contents undefined
void set_matrix_zero(Value& v, int64_t r, int64_t c);
void set_matrix_copy(Value& v, double** m, int r, int c);
void set_array(Value& v, int64_t n);                // owned, elements without value
void set_string_alloc(Value& v, int64_t len);       // owned len bytes + NUL

// Size queries, as the native accessors report them.
int size_r(const Value& v);
int size_c(const Value& v);
int rows(const Value& v);
int columns(const Value& v);

// --- names and descriptions (type_names.cpp) ---
const char* type_name(uint32_t type_and_flags);      // "??" for 0, 12 and unknown
const char* type_table_name(uint32_t code);          // raw table entry
std::string describe(const Value& v);                // ".Null", "matrix[2][3]", "string[4]"

// --- re-labelling (relabel.cpp) ---
// A matrix that v owns (no other flag set: nobody else holds it) takes the
// shape r x c of the same element count, keeping its block; the row pointers
// are made anew when the row count changes. False, v unchanged, otherwise.
bool relabel_owned(Value& v, int r, int c);

// --- vectors and truth (materialize.cpp) ---
void materialize(Value& v);   // turn a pending "vector" index into a matrix or double
bool truth(Value& v);

}  // namespace kj::value
