// Exported callback setters, pipes, text channels, print level and arguments.
#include <kj80x.h>

#include "runtime/fatal_error.h"
#include "runtime/host.h"
#include "runtime/messages.h"
#include "value/matrix_block.h"

using kj::runtime::state;


extern "C" {

void SetKjMessage(KjMessageFn fn) { state().message_fn = fn; }
void SetKjRunMessage(KjMessageFn fn) { state().run_message_fn = fn; }
void SetKjPuts(KjMessageFn fn) { state().puts_fn = fn; }
void SetKjGets(KjGetsFn fn) { state().gets_fn = fn; }
void SetKjExit(KjExitFn fn) { state().exit_fn = fn; }
void SetKjTextWindow(KjWindowFn fn) { state().text_window_fn = fn; }
void SetKjDrawWindow(KjWindowFn fn) { state().draw_window_fn = fn; }
void SetKjDataWindow(void* fn) { state().data_window_fn = fn; }
void SetKjDraw(KjDrawFn fn) { state().draw_fn = fn; }

void KjMessage(const char* text) { kj::runtime::message(text); }
void KjRunMessage(const char* text) { kj::runtime::run_message(text); }
// The default puts and gets of a host that set pipes but no callbacks stop
// fatally; the host is told through its exit callback and the call returns.
void KjPuts(const char* text) {
    try {
        kj::runtime::puts(text);
    } catch (const kj::runtime::FatalError&) {
    }
}

void KjSetPrintlevel(int level) { state().print_level = level; }
int KjGetPrintlevel(void) { return state().print_level; }
void KjSetUserExitCode(int code) { state().user_exit_code = code; }
int KjGetUserExitCode(void) { return state().user_exit_code; }

void KjSetMainArgs(int argc, char** argv) {
    state().main_argc = argc;
    state().main_argv = argv;
}
void KjGetMainArgs(int* argc, char*** argv) {
    if (argc) *argc = state().main_argc;
    if (argv) *argv = state().main_argv;
}
void KjSetKjArgs(int argc, char** argv) {
    kj::runtime::clear_kj_args();
    if (argc > 0 && argv) {
        char** copy = kj::value::str_array_dup(argv, argc);
        if (copy) {
            state().kj_argv = copy;
            state().kj_argc = argc;
        }
    }
}
void KjGetKjArgs(int* argc, char*** argv) {
    if (argc) *argc = state().kj_argc;
    if (argv) *argv = state().kj_argv;
}

void KjRunMainExitCall(void (*fn)(void)) {
    auto& s = state();
    if (s.exit_call_count < kj::runtime::k_max_exit_calls) s.exit_calls[s.exit_call_count++] = fn;
}

void SetKjPipe(int size) { kj::runtime::set_pipe(size); }

}  // extern "C"
