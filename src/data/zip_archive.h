// Reading members of zip archives (spreadsheets, zipped data and matrix files).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace kj::data {

// Splits "folder/archive.zip/member/path" (or ".xlsx", ".xlsm" archives)
// into the archive path and the member name. Returns false when no component
// of the path names an existing archive file.
bool split_zip_member_path(const std::string& path, std::string& archive, std::string& member);

class ZipArchive {
public:
    // Opens the archive; ok() tells whether it is a readable zip file.
    explicit ZipArchive(const std::string& path);
    ~ZipArchive();
    ZipArchive(const ZipArchive&) = delete;
    ZipArchive& operator=(const ZipArchive&) = delete;

    bool ok() const { return handle_ != nullptr; }

    // The names of all members, in archive order.
    std::vector<std::string> members() const;

    // Reads a whole member into bytes. Returns false, with error() set, when
    // the member is missing, damaged, or larger than limit bytes.
    bool read(const std::string& member, std::string& bytes,
              std::size_t limit = std::size_t(1) << 32);

    const std::string& error() const { return error_; }

private:
    void* handle_ = nullptr;
    std::string path_;
    std::string error_;
};

}  // namespace kj::data
