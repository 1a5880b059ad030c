// The console program: hands its arguments to the library's driver. The
// process exit status is the program's own exit code.
#include <kj80x.h>

int main(int argc, char** argv) {
    KjMain(argc, argv);
    return KjGetUserExitCode();
}
