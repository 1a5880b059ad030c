// Exported run control: thin shells over the engine; no exception leaves them.
#include <kj80x.h>

#include "vm/run_control.h"

extern "C" {

int IKjRunInit(void) {
    try {
        return kj::vm::run_init();
    } catch (...) {
        return -2;
    }
}

int FKjRun(int start, const char* name) {
    try {
        return kj::vm::run_program(start, name);
    } catch (...) {
        return 0;
    }
}

void KjRunAbort(void) { kj::vm::request_abort(); }

void KjRunExit(void) {
    try {
        kj::vm::run_exit();
    } catch (...) {
    }
}

}  // extern "C"
