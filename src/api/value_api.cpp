// Exported value functions: thin shells over kj::value.
#include <kj80x.h>
#include <cstring>

#include "lib/conversions.h"
#include "lib/object_queries.h"
#include "value/matrix_block.h"
#include "value/value.h"

namespace kv = kj::value;

extern "C" {

void KjFreeByValue(KjValue* v) {
    if (v) kv::release(*v);
}
void KjMakeByValue(KjValue* v) {
    if (v) kv::make_owned(*v);
}
KjValue* KjValDuplicate(KjValue* dst, const KjValue* src) {
    if (dst && src) kv::duplicate(*dst, *src);
    return dst;
}
void KjValDuplicate2(KjValue* dst, const KjValue* src) { KjValDuplicate(dst, src); }
void KjValTransfer(KjValue* dst, KjValue* src) {
    if (dst && src) kv::transfer(*dst, *src);
}
KjValue* KjStoreCreate(int n) { return kv::store_create(n); }
void KjStoreDelete(KjValue* values, int n) { kv::store_delete(values, n); }

void KjValSetInt(KjValue* v, int i) {
    if (v) kv::set_int(*v, i);
}
void KjValSetDouble(KjValue* v, double d) {
    if (v) kv::set_double(*v, d);
}
void KjValSetZero(KjValue* v) {
    if (v) *v = kv::make_int(0);
}
void KjValSetNull(KjValue* v) {
    if (v) *v = kv::make_null();
}
void KjValSetString(KjValue* v, const char* s) {
    if (v) kv::set_string(*v, s, s ? static_cast<int>(std::strlen(s)) : 0);
}
void KjValSetMat(KjValue* v, double** m, int r, int c) {
    if (v) kv::set_matrix_copy(*v, m, r, c);
}
void KjValSetMatZero(KjValue* v, int r, int c) {
    if (v) kv::set_matrix_zero(*v, r, c);
}
void KjValSetVecc(KjValue* v, const double* x, int r, int c) {
    if (!v) return;
    kv::set_matrix_zero(*v, r, c);
    if (x) MatCopyVecc(v->u.mat.m, x, r, c);
}
void KjValSetVecr(KjValue* v, const double* x, int r, int c) {
    if (!v) return;
    kv::set_matrix_zero(*v, r, c);
    if (x) MatCopyVecr(v->u.mat.m, x, r, c);
}
void KjValSetArray(KjValue* v, int n) {
    if (v) kv::set_array(*v, n);
}
void KjValSetBlob(KjValue* v, unsigned a, unsigned b, void* p) {
    if (!v) return;
    *v = KjValue{};
    v->type = KJ_TYPE_BLOB;
    v->u.blob.a = a;
    v->u.blob.b = b;
    v->u.blob.p = p;
}

int KjValType(const KjValue* v) { return v ? static_cast<int>(kv::type_of(*v)) : 0; }
int KjValHasType(const KjValue* v, int type) {
    return v && static_cast<int>(kv::type_of(*v)) == type;
}
int KjValHasFlag(const KjValue* v, unsigned flags) { return v && (v->type & flags) != 0; }
int KjValSizer(const KjValue* v) { return v ? kv::size_r(*v) : 0; }
int KjValSizec(const KjValue* v) { return v ? kv::size_c(*v) : 0; }
int KjValSizerc(const KjValue* v) { return v ? kv::size_r(*v) * kv::size_c(*v) : 0; }
int KjValRows(const KjValue* v) { return v ? kv::rows(*v) : 0; }
int KjValColumns(const KjValue* v) { return v ? kv::columns(*v) : 0; }
const char* SKjGetTypeName(unsigned type) { return kv::type_name(type); }

int KjValGetInt(KjValue* v, int* out) { return v && kj::lib::try_convert_to_int(*v, out); }
int KjValGetDouble(KjValue* v, double* out) { return v && kj::lib::try_convert_to_double(*v, out); }
double** KjValGetMat(KjValue* v) { return v && kj::lib::try_convert_to_matrix(*v) ? v->u.mat.m : nullptr; }
int KjValGetMatr(KjValue* v) { return v && kj::lib::try_convert_to_matrix(*v) ? v->u.mat.r : 0; }
int KjValGetMatc(KjValue* v) { return v && kj::lib::try_convert_to_matrix(*v) ? v->u.mat.c : 0; }
int KjValGetMatrc(KjValue* v) { return v && kj::lib::try_convert_to_matrix(*v) ? v->u.mat.r * v->u.mat.c : 0; }
int KjValGetVecc(KjValue* v, double* out) {
    if (!v || !out || !kj::lib::try_convert_to_matrix(*v)) return 0;
    VeccCopyMat(out, v->u.mat.m, v->u.mat.r, v->u.mat.c);
    return 1;
}
int KjValGetVecr(KjValue* v, double* out) {
    if (!v || !out || !kj::lib::try_convert_to_matrix(*v)) return 0;
    VecrCopyMat(out, v->u.mat.m, v->u.mat.r, v->u.mat.c);
    return 1;
}

const char* KjValGetString(const KjValue* v) {
    if (!KjValHasType(v, KJ_TYPE_STRING)) return nullptr;
    return v->u.str.s ? v->u.str.s : "";
}
int KjValGetStringLen(const KjValue* v) { return KjValHasType(v, KJ_TYPE_STRING) ? v->u.str.len : 0; }
// Copies at most size - 1 characters and always terminates (size >= 1).
int KjValGetStringCopy(const KjValue* v, char* buf, int size) {
    if (!KjValHasType(v, KJ_TYPE_STRING)) return 0;
    if (buf && size > 0) {
        const int n = v->u.str.len < size - 1 ? v->u.str.len : size - 1;
        if (n > 0) std::memcpy(buf, v->u.str.s, static_cast<std::size_t>(n));
        buf[n] = '\0';
    }
    return 1;
}

KjValue* KjValGetArray(const KjValue* v) { return KjValHasType(v, KJ_TYPE_ARRAY) ? v->u.arr.v : nullptr; }
int KjValGetArrayLen(const KjValue* v) { return KjValHasType(v, KJ_TYPE_ARRAY) ? v->u.arr.n : 0; }
KjValue* KjValGetArrayVal(const KjValue* v, int i) {
    if (!KjValHasType(v, KJ_TYPE_ARRAY) || i < 0 || i >= v->u.arr.n) return nullptr;
    return v->u.arr.v + i;
}
KjValue* KjValGetVal(KjValue* v, int i) { return v ? v + i : nullptr; }
void* KjValGetBlob(const KjValue* v, unsigned* a, unsigned* b) {
    if (!KjValHasType(v, KJ_TYPE_BLOB)) return nullptr;
    if (a) *a = v->u.blob.a;
    if (b) *b = v->u.blob.b;
    return v->u.blob.p;
}
const char* KjValGetClassName(const KjValue* v) { return v ? kj::lib::object_class_name(*v) : nullptr; }
KjValue* KjValGetStaticObject(const KjValue* v) { return v ? kj::lib::object_static_record(*v) : nullptr; }

}  // extern "C"
