#include "data/zip_archive.h"

#include <minizip/unzip.h>
#include <sys/stat.h>

namespace kj::data {

namespace {

bool is_regular_file(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

bool split_zip_member_path(const std::string& path, std::string& archive, std::string& member) {
    for (std::size_t slash = path.find('/', 1); slash != std::string::npos;
         slash = path.find('/', slash + 1)) {
        std::string head = path.substr(0, slash);
        if (is_regular_file(head)) {
            if (slash + 1 >= path.size()) return false;
            archive = head;
            member = path.substr(slash + 1);
            return true;
        }
    }
    return false;
}

ZipArchive::ZipArchive(const std::string& path) : path_(path) {
    handle_ = unzOpen64(path.c_str());
    if (handle_ == nullptr) error_ = "not a readable zip archive: \"" + path + "\"";
}

ZipArchive::~ZipArchive() {
    if (handle_ != nullptr) unzClose(static_cast<unzFile>(handle_));
}

std::vector<std::string> ZipArchive::members() const {
    std::vector<std::string> names;
    if (handle_ == nullptr) return names;
    auto zip = static_cast<unzFile>(handle_);
    for (int rc = unzGoToFirstFile(zip); rc == UNZ_OK; rc = unzGoToNextFile(zip)) {
        char name[4096];
        unz_file_info64 info{};
        if (unzGetCurrentFileInfo64(zip, &info, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK)
            break;
        names.emplace_back(name);
    }
    return names;
}

bool ZipArchive::read(const std::string& member, std::string& bytes, std::size_t limit) {
    bytes.clear();
    if (handle_ == nullptr) return false;
    auto zip = static_cast<unzFile>(handle_);
    if (unzLocateFile(zip, member.c_str(), 1) != UNZ_OK) {
        error_ = "no member \"" + member + "\" in \"" + path_ + "\"";
        return false;
    }
    unz_file_info64 info{};
    if (unzGetCurrentFileInfo64(zip, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK ||
        unzOpenCurrentFile(zip) != UNZ_OK) {
        error_ = "damaged member \"" + member + "\" in \"" + path_ + "\"";
        return false;
    }
    // The stated size is only a hint (a forged header must not make us
    // allocate): read in chunks and stop at the limit.
    char chunk[65536];
    bool good = true;
    for (;;) {
        int n = unzReadCurrentFile(zip, chunk, sizeof chunk);
        if (n < 0) {
            good = false;
            break;
        }
        if (n == 0) break;
        if (bytes.size() + static_cast<std::size_t>(n) > limit) {
            error_ = "member \"" + member + "\" of \"" + path_ + "\" is too large";
            unzCloseCurrentFile(zip);
            bytes.clear();
            return false;
        }
        bytes.append(chunk, static_cast<std::size_t>(n));
    }
    // unzCloseCurrentFile checks the CRC when the whole member was read.
    if (unzCloseCurrentFile(zip) != UNZ_OK || !good) {
        error_ = "damaged member \"" + member + "\" in \"" + path_ + "\"";
        bytes.clear();
        return false;
    }
    return true;
}

}  // namespace kj::data
