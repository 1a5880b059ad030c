#include "platform/self_location.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <climits>
#include <cstdlib>

namespace kj::platform {

std::string library_directory() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&library_directory), &info) == 0 || !info.dli_fname)
        return {};
    std::string path = info.dli_fname;
    if (char* full = realpath(info.dli_fname, nullptr)) {
        path = full;
        std::free(full);
    }
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string folder_beside_library(const char* relative) {
    const std::string dir = library_directory();
    if (dir.empty()) return {};
    char* full = realpath((dir + relative).c_str(), nullptr);
    if (!full) return {};
    std::string path = full;
    std::free(full);
    struct stat st;
    if (stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return {};
    return path.back() == '/' ? path : path + '/';
}

}  // namespace kj::platform
