// Exported value functions: thin shells over kj::value.
#include <kj80x.h>
#include <cstring>

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
    kv::set_matrix(*v, r, c);
    MatCopyVecc(v->u.mat.m, x, r, c);
}
void KjValSetVecr(KjValue* v, const double* x, int r, int c) {
    if (!v) return;
    kv::set_matrix(*v, r, c);
    MatCopyVecr(v->u.mat.m, x, r, c);
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

}  // extern "C"
