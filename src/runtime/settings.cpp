#include "runtime/settings.h"

namespace kj::api {

Settings& settings() {
    static Settings s;
    return s;
}

}  // namespace kj::api
