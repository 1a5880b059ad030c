// Exported calls back into the language and object access, as shells over
// kj::vm. Run-time errors raised in an active run pass through to the engine;
// an allocation failure of the callback's stack is a plain failure.
#include <kj80x.h>

#include <new>

#include "runtime/fatal_error.h"
#include "vm/callback.h"
#include "vm/engine.h"
#include "vm/objects.h"

namespace kvm = kj::vm;

namespace {
// A fatal stop inside a callback passes on to the run that made the call;
// with no run around the call it can only fail.
int outside_run_fails() {
    const kvm::Engine* e = kvm::current_engine();
    if (e && e->running) throw;
    return 0;
}
}  // namespace

extern "C" {

int FKjCallBack(KjValue* fn, KjValue* result, KjValue* args, int count) {
    if (!fn || !result || count < 0 || (count > 0 && !args)) return 0;
    try {
        return kvm::call_back(*fn, *result, args, count, kvm::OnError::RaiseInCaller) ? 1 : 0;
    } catch (const std::bad_alloc&) {
        return 0;
    } catch (const kj::runtime::FatalError&) {
        return outside_run_fails();
    }
}

int FKjCallBackMember(KjValue* object, const char* name, KjValue* result, KjValue* args, int count) {
    if (!object || !result || count < 0 || (count > 0 && !args)) return 0;
    try {
        return kvm::call_member_by_name(*object, name, *result, args, count) ? 1 : 0;
    } catch (const std::bad_alloc&) {
        return 0;
    } catch (const kj::runtime::FatalError&) {
        return outside_run_fails();
    }
}

int FKjCreateObject(const char* classname, KjValue* object, KjValue* args, int count) {
    if (!object || count < 0 || (count > 0 && !args)) return 0;
    try {
        return kvm::create_object(classname, *object, args, count) ? 1 : 0;
    } catch (const std::bad_alloc&) {
        return 0;
    } catch (const kj::runtime::FatalError&) {
        return outside_run_fails();
    }
}

int FKjGetDataMember(KjValue* object, const char* name, KjValue* out) {
    return object && out && kvm::get_data_member(*object, name, *out) ? 1 : 0;
}

int FKjSetDataMember(KjValue* object, const char* name, KjValue* in) {
    return object && in && kvm::set_data_member(*object, name, *in) ? 1 : 0;
}

void KjCloneObject(KjValue* dst, KjValue* src, int deep) {
    if (dst && src) kvm::clone_object(*dst, *src, deep != 0);
}

void KjDeleteObject(KjValue* object) {
    if (object) kvm::delete_object(*object);
}

}  // extern "C"
