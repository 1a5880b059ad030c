// The command-line driver (usage text only until the stages land).
#include <kj80x.h>

#include "api/host.h"

namespace {
void print_usage() {
    KjMessage("Kj Object-oriented matriX language\r\n"
              "Usage:\tKj [options] filename[.kj] [arguments for Kj program]\r\n"
              "Options:");
}
}  // namespace

extern "C" {
int KjMain(int, char**) {
    if (!kj::host::state().initialised) KjMainInit();
    print_usage();
    return 0;
}
int KjMainCmd(const char* cmd) { return cmd ? KjMain(1, nullptr) : -1; }
int KjMain_T(int, wchar_t**) { return KjMain(1, nullptr); }
}
