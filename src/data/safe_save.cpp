#include "data/safe_save.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kj::data {

SafeSave::SafeSave(std::string target) : target_(std::move(target)) {
    auto slash = target_.find_last_of('/');
    std::string folder = slash == std::string::npos ? std::string() : target_.substr(0, slash + 1);
    std::string name = slash == std::string::npos ? target_ : target_.substr(slash + 1);
    if (name.empty()) {
        error_ = "cannot save to \"" + target_ + "\": no file name";
        return;
    }
    temporary_ = folder + "." + name + ".XXXXXX";
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
    return true;
}

}  // namespace kj::data
