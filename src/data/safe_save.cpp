#include "data/safe_save.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kj::data {

namespace {

// A temporary is ".NAME.PID.XXXXXX": the folder and the part up to PID.
std::string temporary_prefix(const std::string& target, std::string& folder) {
    const auto slash = target.find_last_of('/');
    folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    return "." + (slash == std::string::npos ? target : target.substr(slash + 1)) + ".";
}

// Temporaries of earlier saves of the same target whose process has gone (it
// was killed in the middle of a save): those of live processes, saves going
// on at this moment, stay.
void remove_stale_temporaries(const std::string& target) {
    std::string folder;
    const std::string prefix = temporary_prefix(target, folder);
    // Closed however the scan ends (a name's copy can run out of memory).
    const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.empty() ? "." : folder.c_str()), ::closedir);
    if (!dir) return;
    while (const dirent* e = ::readdir(dir.get())) {
        const std::string name = e->d_name;
        if (name.compare(0, prefix.size(), prefix) != 0) continue;
        char* end = nullptr;
        const long pid = std::strtol(name.c_str() + prefix.size(), &end, 10);
        if (pid <= 0 || end == name.c_str() + prefix.size() || *end != '.' || std::strlen(end + 1) != 6) continue;
        if (pid != ::getpid() && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
            ::unlink((folder + name).c_str());
    }
}

}  // namespace

SafeSave::SafeSave(std::string target) : target_(std::move(target)) {
    std::string folder;
    const std::string prefix = temporary_prefix(target_, folder);
    if (prefix.size() == 2) {
        error_ = "cannot save to \"" + target_ + "\": no file name";
        return;
    }
    temporary_ = folder + prefix + std::to_string(::getpid()) + ".XXXXXX";
    int fd = ::mkstemp(temporary_.data());
    if (fd < 0) {
        temporary_.clear();
        fail("cannot create a file in the folder of");
        return;
    }
    file_ = ::fdopen(fd, "wb");
    if (file_ == nullptr) {
        ::close(fd);
        fail("cannot write");
    }
}

SafeSave::~SafeSave() {
    if (file_ != nullptr) std::fclose(file_);
    if (!committed_ && !temporary_.empty()) ::unlink(temporary_.c_str());
}

void SafeSave::fail(const char* what) {
    if (!error_.empty()) return;
    error_ = std::string(what) + " \"" + target_ + "\": " + std::strerror(errno);
}

bool SafeSave::commit() {
    if (file_ == nullptr || !error_.empty()) {
        if (error_.empty()) error_ = "cannot write \"" + target_ + "\"";
        return false;
    }
    bool written = std::fflush(file_) == 0 && std::ferror(file_) == 0;
    if (!written) fail("cannot write");
    // No fsync: saving runs at the speed of the disk cache. The rename below
    // still never exposes a half-written target, even to a crashing process.
    if (std::fclose(file_) != 0 && written) {
        fail("cannot write");
        written = false;
    }
    file_ = nullptr;
    if (!written) return false;

    struct stat old {};
    mode_t mode = 0666;
    if (::stat(target_.c_str(), &old) == 0) {
        mode = old.st_mode & 07777;
    } else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        mode &= ~mask;
    }
    ::chmod(temporary_.c_str(), mode);
    if (::rename(temporary_.c_str(), target_.c_str()) != 0) {
        fail("cannot replace");
        return false;
    }
    committed_ = true;
    remove_stale_temporaries(target_);
    return true;
}

}  // namespace kj::data
