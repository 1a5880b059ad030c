#include "link/dll_loader.h"

#include <cstdio>
#include <cstring>

#include "link/link_errors.h"
#include "platform/dynamic_library.h"
#include "platform/self_location.h"
#include "runtime/include_path.h"
#include "runtime/messages.h"
#include "runtime/settings.h"

namespace kj::link {

namespace {

constexpr const char* k_extension = ".so";
constexpr std::size_t k_max_package_name = 48;

int verbose() { return runtime::settings().verbose; }

void progress(int above, const std::string& line) {
    if (verbose() > above) runtime::message(line.c_str());
}

// The name as the loader uses it: trailing blanks and control characters cut.
std::string trimmed(const char* name) {
    std::string s = name ? name : "";
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= 32) s.pop_back();
    return s;
}

// Opens the file; a name without a folder is tried through the system's
// search, beside the Kj library and in the current directory.
void* open_library(const std::string& file) {
    if (file.find('/') != std::string::npos) return platform::load_library(file.c_str());
    for (const std::string& c : {file, platform::library_directory() + file, "./" + file})
        if (void* h = platform::load_library(c.c_str())) return h;
    return nullptr;
}

// The file found along the include/link path for name (with the library
// extension added when it has none), or "".
std::string search_include_path(const std::string& name) {
    std::string tried;
    std::FILE* f = runtime::find_file(name.c_str(), false, tried, k_extension);
    if (!f) return {};
    std::fclose(f);
    return tried.find('/') == std::string::npos ? "./" + tried : tried;
}

}  // namespace

int load_dll(const char* name, const char* export_name, void** symbol, void** handle) {
    std::string file = trimmed(name);
    if (file.empty()) return L_CannotLoadDll;
    if (!runtime::has_extension(file.c_str())) file += k_extension;
    void* h = open_library(file);
    if (!h) return L_CannotLoadDll;
    if (handle) *handle = h;
    if (!export_name) return 0;
    void* s = platform::library_symbol(h, export_name);
    if (!s) return L_CannotLoadDllFunction;
    if (symbol) *symbol = s;
    return 0;
}

int find_dll(const std::string& name, const char* export_name, void** symbol, void** handle) {
    progress(2, "Trying DLL: " + name + "\n");
    int status = load_dll(name.c_str(), export_name, symbol, handle);
    if (status == L_CannotLoadDll) {
        progress(1, "Searching for DLL: " + name + "\n");
        std::string found = search_include_path(name);
        if (found.empty() && name.size() < k_max_package_name && name.find_first_of("/\\") == std::string::npos)
            found = search_include_path("packages/" + name + "/" + name);
        if (!found.empty()) status = load_dll(found.c_str(), export_name, symbol, handle);
    }
    if (status == 0) {
        if (export_name)
            progress(1, std::string("Linked ") + export_name + " from DLL: " + name + "\n");
        else
            progress(1, "Loaded DLL: " + name + "\n");
    }
    return status;
}

int load_dll_function(const char* library, const char* function, KjNativeFunction* fn) {
    void* symbol = nullptr;
    const int status = find_dll(library, function, &symbol);
    if (status == 0) *fn = reinterpret_cast<KjNativeFunction>(symbol);
    return status;
}

}  // namespace kj::link
