#include "graphics/file_text.h"

#include <cstdio>

#include "data/safe_save.h"

namespace kj::graphics {

void append_vformat(std::string& out, const char* fmt, va_list ap) {
    char buf[512];
    va_list copy;
    va_copy(copy, ap);
    const int n = std::vsnprintf(buf, sizeof buf, fmt, ap);
    if (n < 0) {
        va_end(copy);
        return;
    }
    if (static_cast<std::size_t>(n) < sizeof buf) {
        out.append(buf, static_cast<std::size_t>(n));
    } else {
        const std::size_t at = out.size();
        out.resize(at + static_cast<std::size_t>(n) + 1);
        std::vsnprintf(out.data() + at, static_cast<std::size_t>(n) + 1, fmt, copy);
        out.resize(at + static_cast<std::size_t>(n));
    }
    va_end(copy);
}

void append_format(std::string& out, const char* fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    append_vformat(out, fmt, ap);
    va_end(ap);
}

bool save_file(const std::string& path, const std::string& contents) {
    data::SafeSave save(path);
    if (!save.ok()) return false;
    if (std::fwrite(contents.data(), 1, contents.size(), save.file()) != contents.size()) return false;
    return save.commit();
}

bool load_file(const std::string& path, std::string& contents) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    contents.clear();
    char buf[65536];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) contents.append(buf, n);
    const bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

}  // namespace kj::graphics
