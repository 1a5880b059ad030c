#include "runtime/settings.h"

namespace kj::runtime {

Settings& settings() {
    static Settings s;
    return s;
}

}  // namespace kj::runtime
