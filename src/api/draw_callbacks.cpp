// The runtime's own drawing callbacks, exported for hosts that chain to them.
#include <kj80x.h>

#include "graphics/draw_requests.h"

extern "C" {

int KjDefaultDraw(const char* command, int area, const double* x1, int n1, const char* label1, const double* x2,
                  int n2, const char* label2, const double* x3, int n3, const char* label3, int i1, int i2,
                  const int* iv, int niv, const double* dv, int ndv) {
    return kj::graphics::default_draw(command, area, x1, n1, label1, x2, n2, label2, x3, n3, label3, i1, i2, iv, niv,
                                      dv, ndv);
}

int KjDefaultDrawWindow(const char* action, const char* argument) {
    return kj::graphics::default_draw_window(action, argument);
}

}  // extern "C"
