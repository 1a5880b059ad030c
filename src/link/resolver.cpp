#include "link/resolver.h"

#include <strings.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <kj80x.h>

#include "runtime/messages.h"
#include "runtime/settings.h"
#include "runtime/include_path.h"
#include "link/imports.h"
#include "link/literals.h"
#include "link/object_reader.h"

namespace kj::link {

namespace {

SourceCompiler g_source_compiler = nullptr;

bool verbose() { return runtime::settings().verbose != 0; }

void progress(const std::string& line) {
    if (verbose()) runtime::message(line.c_str());
}

// The extension of the last path component, with its dot ("" when none).
std::string_view extension_of(std::string_view name) {
    const std::size_t slash = name.find_last_of("/\\");
    const std::size_t start = slash == std::string_view::npos ? 0 : slash + 1;
    const std::size_t dot = name.rfind('.');
    return dot == std::string_view::npos || dot <= start ? std::string_view{} : name.substr(dot);
}

bool is_object_name(std::string_view name) { return strcasecmp(std::string(extension_of(name)).c_str(), ".kjo") == 0; }

// The default extensions to try, in order; one null entry (search the name
// as written) when the name has an extension of its own.
std::vector<const char*> extensions_for(std::string_view name, bool gauss) {
    if (!extension_of(name).empty()) return {nullptr};
    if (gauss) return {".kjo", ".src", ".kjgauss", ".g"};
    return {".kjo", ".kj"};
}

bool search(const std::string& name, const char* ext, const std::string& base_dir, std::string& path) {
    std::string tried;
    std::FILE* f = runtime::find_file(name.c_str(), true, tried, ext, base_dir.c_str());
    if (!f) return false;
    std::fclose(f);
    path = normalize_import_name(tried);
    return true;
}

// A directory to search along the import paths, relative to the file that named it.
struct ImportDirectory {
    std::string dir;
    std::string base_dir;
};

// Directory records first, then the directory part of every other record's name.
std::vector<ImportDirectory> import_directories(std::string_view name) {
    std::vector<ImportDirectory> records, others;
    for (int i = 0; i < literal_count(); ++i) {
        if (!is_import_record(literal_at(i))) continue;
        const ImportRecord& r = import_record(literal_at(i));
        if (same_import_name(r.name, name)) continue;
        const std::string dir = runtime::directory_of(r.name);
        if (dir.empty()) continue;
        auto& list = is_directory_import(r.name) ? records : others;
        const bool known = std::any_of(list.begin(), list.end(),
                                       [&](const ImportDirectory& d) { return d.dir == dir && d.base_dir == r.base_dir; });
        if (!known) list.push_back({dir, r.base_dir});
    }
    records.insert(records.end(), others.begin(), others.end());
    return records;
}

// Two paths name the same file (their resolved forms, when both exist).
bool same_file(const std::string& a, const std::string& b) {
    if (a == b) return true;
    char ra[PATH_MAX], rb[PATH_MAX];
    return realpath(a.c_str(), ra) && realpath(b.c_str(), rb) && std::strcmp(ra, rb) == 0;
}

bool already_loaded(const std::string& path) {
    for (int i = 0; i < literal_count(); ++i) {
        const value::Value& r = literal_at(i);
        if (is_import_record(r) && import_state(r) == k_import_done && !import_record(r).path.empty() &&
            same_file(import_record(r).path, path))
            return true;
    }
    return false;
}

int compile_source(const std::string& path, bool gauss) {
    if (!g_source_compiler) {
        runtime::message(("Cannot import source file without a compiler: " + path).c_str());
        return 1;
    }
    const std::string previous = set_import_unit_directory(runtime::directory_of(path));
    const int errors = g_source_compiler(path.c_str(), gauss);
    set_import_unit_directory(previous);
    return errors;
}

}  // namespace

void set_source_compiler(SourceCompiler compiler) { g_source_compiler = compiler; }

bool locate_module(std::string_view name_view, bool gauss, const std::string& base_dir, std::string& path) {
    const std::string name(name_view);
    const std::vector<const char*> exts = extensions_for(name, gauss);
    for (const char* ext : exts)
        if (search(name, ext, base_dir, path)) return true;
    progress("Locating file along import paths\n");
    const std::vector<ImportDirectory> dirs = import_directories(name);
    for (const char* ext : exts)
        for (const ImportDirectory& d : dirs)
            if (search(d.dir + name, ext, d.base_dir, path)) return true;
    return false;
}

int import_file(const std::string& name, bool gauss, const std::string& base_dir, std::string& path) {
    if (is_directory_import(name)) return 0;
    progress("Locating import file: " + name);
    if (!locate_module(name, gauss, base_dir, path)) {
        runtime::message(("Import file not found: " + name).c_str());
        return 1;
    }
    if (already_loaded(path)) {
        progress("Import path already loaded: " + path);
        return 0;
    }
    progress("Importing file: " + path);
    if (is_object_name(path)) return load_object_file(path.c_str());
    return compile_source(path, gauss);
}

bool resolve_imports() {
    bool imported = true;
    while (imported) {
        imported = false;
        // Importing appends literals: index afresh after every import.
        for (int i = 0; i < literal_count(); ++i) {
            value::Value& r = literal_at(i);
            if (!is_import_record(r) || import_state(r) != k_import_pending) continue;
            r.u.blob.a = k_import_done;
            ImportRecord& record = import_record(r);  // stays put while the table grows
            const bool gauss = import_is_gauss(r);
            bool earlier = false;
            for (int j = 0; j < i && !earlier; ++j) {
                const value::Value& o = literal_at(j);
                earlier = is_import_record(o) && import_state(o) == k_import_done &&
                          same_import_name(import_record(o).name, record.name);
            }
            if (earlier) continue;
            std::string path;
            if (import_file(record.name, gauss, record.base_dir, path) != 0) return false;
            record.path = path;
            imported = true;
        }
    }
    return true;
}

}  // namespace kj::link
