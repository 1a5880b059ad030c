#include "runtime/include_path.h"

#include <kj80x.h>
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "runtime/messages.h"
#include "runtime/settings.h"
#include "platform/self_location.h"

namespace kj::runtime {

namespace {

std::string g_include_path;

bool is_separator(char c) { return c == '/' || c == '\\'; }

// Opens a regular file for binary reading (directories do not count).
std::FILE* open_regular(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return nullptr;
    struct stat st;
    if (fstat(fileno(f), &st) != 0 || !S_ISREG(st.st_mode)) {
        std::fclose(f);
        return nullptr;
    }
    return f;
}

// One numbered attempt of the search.
std::FILE* attempt(int number, const std::string& candidate, std::string& tried) {
    tried = candidate;
    bool trace = settings().verbose > 1;
    if (trace) message((std::to_string(number) + ".trying: " + candidate).c_str());
    std::FILE* f = open_regular(candidate);
    if (f && trace) message(("  found: " + candidate).c_str());
    return f;
}

// base joined with name; each leading "../" takes one directory off base,
// never past its root (a relative base keeps the remaining "../").
std::string join_relative(std::string base, std::string name) {
    while (name.size() >= 3 && name[0] == '.' && name[1] == '.' && is_separator(name[2])) {
        if (base.empty()) break;
        std::size_t end = base.size();
        while (end > 0 && is_separator(base[end - 1])) --end;
        if (end == 0) {  // the root itself
            name.erase(0, 3);
            continue;
        }
        std::size_t cut = end;
        while (cut > 0 && !is_separator(base[cut - 1])) --cut;
        base.erase(cut);
        name.erase(0, 3);
    }
    return base + name;
}

}  // namespace

void add_to_include_path(const char* text) {
    if (!text) {
        g_include_path.clear();
        return;
    }
    if (!*text) return;
    std::string front = text;
    if (!g_include_path.empty() && front.back() != ';') front += ';';
    g_include_path.insert(0, front);
    if (settings().verbose != 0) message(("New include path: " + g_include_path).c_str());
}

void clear_include_path() { g_include_path.clear(); }

const std::string& include_path() { return g_include_path; }

void build_default_include_path() {
    if (const char* env = std::getenv("KJ8PATH")) {
        g_include_path = env;
        return;
    }
    // An installed library finds its data folder (KJ_DATA_FROM_LIBRARY, set
    // by the build from the install layout) and its package libraries
    // relative to its own file, wherever the tree was installed or moved.
    // The data folder counts only when it holds the standard header: the
    // build tree keeps other files (the help text) under the same name.
    const std::string data = platform::folder_beside_library(KJ_DATA_FROM_LIBRARY);
    const std::string modules = platform::folder_beside_library("kj80x");
    std::error_code missing;
    if (!data.empty() && std::filesystem::is_regular_file(data + "include/kjstd.kjh", missing)) {
        g_include_path = data + "include;" + data;
        if (!modules.empty()) g_include_path += ";" + modules;
        return;
    }
    // In the build tree: the source tree's include folder, and the source
    // tree itself for its packages folder.
    std::string dir = platform::library_directory();
    g_include_path = dir + "../include;" + dir + "..";
}

bool has_extension(const char* name) {
    const char* base = name;
    for (const char* p = name; *p; ++p)
        if (is_separator(*p)) base = p + 1;
    const char* dot = std::strrchr(base, '.');
    return dot && dot > base;
}

std::string directory_of(const std::string& path) {
    std::size_t cut = path.size();
    while (cut > 0 && !is_separator(path[cut - 1])) --cut;
    return path.substr(0, cut);
}

std::FILE* find_file(const char* name_in, bool quoted, std::string& tried, const char* default_ext,
                     const char* base_dir) {
    std::string name = name_in ? name_in : "";
    if (default_ext && !has_extension(name.c_str())) name += default_ext;
    tried = name;
    if (name.empty()) return nullptr;
    bool relative = !is_separator(name[0]) && name.find(':') == std::string::npos;
    if (quoted && relative) {
        if (std::FILE* f = attempt(1, join_relative(base_dir ? base_dir : "", name), tried)) return f;
    }
    if (quoted) {
        if (std::FILE* f = attempt(2, name, tried)) return f;
    }
    const std::string& path = g_include_path;
    std::size_t start = 0;
    while (start < path.size()) {
        std::size_t end = path.find(';', start);
        if (end == std::string::npos) end = path.size();
        std::string element = path.substr(start, end - start);
        start = end + 1;
        if (element.empty()) continue;
        if (!is_separator(element.back()) && !is_separator(name[0])) element += '/';
        if (std::FILE* f = attempt(3, element + name, tried)) return f;
    }
    return attempt(4, name, tried);
}

}  // namespace kj::runtime
