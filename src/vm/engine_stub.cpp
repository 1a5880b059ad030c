// Run control until the execution engine lands.
#include <kj80x.h>

extern "C" {
int IKjRunInit(void) { return -1; }
int FKjRun(int, const char*) { return 0; }
void KjRunAbort(void) {}
void KjRunExit(void) {}
}
