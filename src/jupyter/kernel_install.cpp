#include "kernel_install.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include <nlohmann/json.hpp>

namespace kj::jupyter {

namespace fs = std::filesystem;

namespace {

constexpr const char* k_kernel_folder = "share/jupyter/kernels/kj";

std::string environment(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

// The kernel description shipped with this executable: beside it in the build tree, one
// folder up when installed (PREFIX/bin and PREFIX/share).
fs::path shipped_kernel_files(const fs::path& executable) {
    const fs::path dir = executable.parent_path();
    for (const fs::path& candidate : {dir / k_kernel_folder, dir.parent_path() / k_kernel_folder})
        if (fs::exists(candidate / "kernel.json")) return candidate;
    return {};
}

}  // namespace

std::string kernel_destination(bool user, const std::string& prefix) {
    fs::path data;
    if (user) {
        if (!environment("JUPYTER_DATA_DIR").empty())
            data = environment("JUPYTER_DATA_DIR");
        else if (!environment("XDG_DATA_HOME").empty())
            data = fs::path(environment("XDG_DATA_HOME")) / "jupyter";
        else
            data = fs::path(environment("HOME")) / ".local/share/jupyter";
    } else {
        data = fs::path(prefix.empty() ? "/usr/local" : prefix) / "share/jupyter";
    }
    return (data / "kernels/kj").string();
}

std::string install_kernel_files(const std::string& destination) {
    std::error_code ec;
    const fs::path executable = fs::read_symlink("/proc/self/exe", ec);
    if (ec) return "cannot find this program's own file";
    const fs::path source = shipped_kernel_files(executable);
    if (source.empty()) return "no kernel description beside " + executable.string();
    nlohmann::json description;
    try {
        std::ifstream in(source / "kernel.json");
        description = nlohmann::json::parse(in);
        description["argv"][0] = executable.string();
    } catch (const std::exception&) {
        return "cannot read " + (source / "kernel.json").string();
    }
    const fs::path target(destination);
    fs::create_directories(target, ec);
    if (ec) return "cannot create " + target.string() + ": " + ec.message();
    for (const fs::directory_entry& e : fs::directory_iterator(source, ec)) {
        if (e.path().filename() == "kernel.json") continue;
        fs::copy_file(e.path(), target / e.path().filename(), fs::copy_options::overwrite_existing, ec);
        if (ec) return "cannot copy " + e.path().string() + ": " + ec.message();
    }
    // Written beside and renamed: an interrupted install leaves no half file.
    const fs::path json = target / "kernel.json", part = target / "kernel.json.part";
    {
        std::ofstream out(part);
        out << description.dump(2) << "\n";
        if (!out.flush()) return "cannot write " + part.string();
    }
    fs::rename(part, json, ec);
    if (ec) return "cannot write " + json.string() + ": " + ec.message();
    return {};
}

}  // namespace kj::jupyter
