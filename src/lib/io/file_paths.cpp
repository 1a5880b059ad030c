#include "lib/io/file_paths.h"

#include <algorithm>
#include <cctype>
#include <sys/stat.h>

#include "data/zip_archive.h"
#include "runtime/include_path.h"

namespace kj::lib::io {

namespace {
std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}
}  // namespace

bool split_member_name(const std::string& name, std::string& archive, std::string& member) {
    const std::string low = lower(name);
    for (std::size_t at = low.find(".zip"); at != std::string::npos; at = low.find(".zip", at + 1)) {
        const std::size_t sep = at + 4;
        if (sep + 1 < low.size() && ((low[sep] == '/' && low[sep + 1] == '/') || low[sep] == '\\')) {
            archive = name.substr(0, sep);
            member = name.substr(low[sep] == '\\' ? sep + 1 : sep + 2);
            return !member.empty();
        }
    }
    return false;
}

std::string find_readable(const std::string& name) {
    if (name.empty()) return {};
    struct stat st {};
    if (::stat(name.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) return name;
    std::string tried;
    std::FILE* f = runtime::find_file(name.c_str(), false, tried);
    if (!f) return {};
    std::fclose(f);
    return tried;
}

std::string lower_extension(const std::string& name) {
    const std::size_t slash = name.find_last_of("/\\");
    const std::size_t dot = name.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    return lower(name.substr(dot));
}

std::int64_t stream_size(std::FILE* f) {
    struct stat st {};
    if (!f || ::fstat(::fileno(f), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
    return static_cast<std::int64_t>(st.st_size);
}

bool read_whole(const std::string& path, std::string& bytes, std::string& error, std::uint64_t limit) {
    bytes.clear();
    std::string archive, member;
    if (split_member_name(path, archive, member)) {
        const std::string found = find_readable(archive);
        data::ZipArchive zip(found.empty() ? archive : found);
        if (!zip.ok()) {
            error = zip.error();
            return false;
        }
        if (!zip.read(member, bytes, static_cast<std::size_t>(limit))) {
            error = zip.error();
            return false;
        }
        return true;
    }
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        error = "cannot open file: \"" + path + "\"";
        return false;
    }
    const std::int64_t size = stream_size(f);
    if (size > 0 && static_cast<std::uint64_t>(size) <= limit) bytes.reserve(static_cast<std::size_t>(size));
    char chunk[65536];
    bool good = true;
    for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, f)) > 0;) {
        if (bytes.size() + n > limit) {
            error = "file too large: \"" + path + "\"";
            good = false;
            break;
        }
        bytes.append(chunk, n);
    }
    if (good && std::ferror(f)) {
        error = "cannot read file: \"" + path + "\"";
        good = false;
    }
    std::fclose(f);
    if (!good) bytes.clear();
    return good;
}

}  // namespace kj::lib::io
