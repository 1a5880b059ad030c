// Exported native-function interface: registration, allocation, argument
// checks and element-wise wrappers, as shells over kj::lib and kj::value.
#include <kj80x.h>

#include "lib/arg_checks.h"
#include "lib/elementwise.h"
#include "link/function_table.h"
#include "value/value.h"

namespace kv = kj::value;
namespace kl = kj::lib;

extern "C" {

// A host's function is the host's code: it runs on the host's thread only,
// unless the host says worker threads may call it.
int FKjLibAddFunction(const char* descriptor, KjNativeFunction fn, int varargs) {
    return kj::link::add_function(descriptor, fn, varargs, kj::link::k_serial);
}
int FKjLibAddFunctionEx(const char* name, KjNativeFunction fn, int count, unsigned flags) {
    if (!(flags & KJ_FLAG_WORKERS)) flags |= kj::link::k_serial;
    return kj::link::add_function_ex(name, fn, count, flags & ~KJ_FLAG_WORKERS);
}

double** KjLibValMatMalloc(KjValue* v, int r, int c) {
    if (!v) return nullptr;
    kv::set_matrix(*v, r, c);
    return v->u.mat.m;
}
double** KjLibValMatDup(KjValue* v, double** m, int r, int c) {
    if (!v) return nullptr;
    kv::set_matrix_copy(*v, m, r, c);
    return v->u.mat.m;
}
char* KjLibValStrMalloc(KjValue* v, int len) {
    if (!v) return nullptr;
    kv::set_string_alloc(*v, len);
    return v->u.str.s;
}
KjValue* KjLibValArrayCalloc(KjValue* v, int n) {
    if (!v) return nullptr;
    kv::set_array(*v, n);
    return v->u.arr.v;
}

void KjLibCheckType(int type, KjValue* args, int first, int last) { kl::check_type(type, args, first, last); }
void KjLibCheckMatrixSize(KjValue* args, int first, int last, int r, int c) {
    kl::check_matrix_size(args, first, last, r, c);
}
void KjLibCheckSquareMatrix(KjValue* args, int first, int last) { kl::check_square_matrix(args, first, last); }
void KjLibCheckArrayMatrix(KjValue* args, int first, int last, double** m) {
    kl::check_array_matrix(args, first, last, m);
}
void KjLibArgTypeError(int arg, int expected, const KjValue* found) { kl::arg_type_error(arg, expected, found); }
void KjLibArgError(int arg) { kl::arg_error(arg); }

void KjFnDouble(KjValue* result, KjValue* args, double (*f)(double)) { kl::fn_double(*result, args, f); }
void KjFnDouble2(KjValue* result, KjValue* args, double (*f)(double, double)) {
    kl::fn_double2(*result, args, f);
}
void KjFnDouble3(KjValue* result, KjValue* args, double (*f)(double, double, double)) {
    kl::fn_double3(*result, args, f);
}
void KjFnDouble4(KjValue* result, KjValue* args, double (*f)(double, double, double, double)) {
    kl::fn_double4(*result, args, f);
}
void KjFnDoubleInt(KjValue* result, KjValue* args, double (*f)(double, int)) {
    kl::fn_double_int(*result, args, f);
}

}  // extern "C"
