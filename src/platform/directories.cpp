#include "platform/directories.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace kj::platform {

bool change_directory(const std::string& path) { return !path.empty() && ::chdir(path.c_str()) == 0; }

std::string current_directory() {
    char buf[PATH_MAX];
    if (!::getcwd(buf, sizeof buf)) return {};
    std::string path(buf);
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

std::vector<std::string> list_entries(const std::string& pattern, EntryKind kind) {
    std::vector<std::string> names;
    const std::size_t slash = pattern.find_last_of('/');
    std::string folder(".");
    if (slash != std::string::npos) folder.assign(pattern, 0, slash + 1);
    const std::string mask = slash == std::string::npos ? pattern : pattern.substr(slash + 1);
    if (mask.empty()) return names;
    // Closed however the scan ends (a name's copy can run out of memory).
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
    if (!dir) return names;
    const std::string prefix = slash == std::string::npos ? "" : folder;
    while (const dirent* e = ::readdir(dir.get())) {
        const std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        if (::fnmatch(mask.c_str(), name.c_str(), FNM_PERIOD) != 0) continue;
        struct stat st {};
        if (::stat((prefix + name).c_str(), &st) != 0) continue;
        const bool wanted = kind == EntryKind::Files ? S_ISREG(st.st_mode) : S_ISDIR(st.st_mode);
        if (wanted) names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool remove_file(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::lstat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
    return ::unlink(path.c_str()) == 0;
}

bool rename_file(const std::string& from, const std::string& to) {
    if (from.empty() || to.empty()) return false;
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
    // File systems without the no-replace flag: refuse an existing target.
    struct stat st {};
    if (::lstat(to.c_str(), &st) == 0) return false;
    return ::rename(from.c_str(), to.c_str()) == 0;
}

}  // namespace kj::platform
