#include "api/help_reference.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>

#include <kj80x.h>

#include "api/name_iterator.h"
#include "platform/self_location.h"

namespace kj::api {

namespace {

namespace fs = std::filesystem;

std::string_view trim_right(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return s;
}

std::string_view trim(std::string_view s) {
    s = trim_right(s);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    return s;
}

bool starts_with(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// Running text loses the Markdown marks of code: `x` reads as x.
std::string plain(std::string_view line) {
    std::string out;
    for (char c : trim_right(line))
        if (c != '`') out += c;
    return out;
}

// The label a fenced block gets in the plain text, by its kind.
const char* block_label(std::string_view info) {
    if (info == "output") return "  prints:";
    if (info == "input") return "  reading the input:";
    return nullptr;
}

// One entry: the lines from its "## " heading (excluded) to the next heading.
HelpEntry make_entry(const std::string& name, const std::string& family, const std::vector<std::string_view>& lines) {
    HelpEntry e;
    e.name = name;
    e.family = family;
    std::string text = name + " (" + family + ")\n\n";
    bool in_block = false, blank = true, past_decl = false, summary_done = false;
    std::string summary;
    auto add = [&](const std::string& line) {
        if (line.empty()) {
            if (!blank) text += '\n';
            blank = true;
            return;
        }
        text += line + '\n';
        blank = false;
    };
    for (std::string_view raw : lines) {
        const std::string_view line = trim_right(raw);
        if (starts_with(trim(line), "```")) {
            if (in_block) {
                in_block = false;
                continue;
            }
            in_block = true;
            const std::string_view info = trim(trim(line).substr(3));
            if (info == "decl") past_decl = true;
            if (const char* label = block_label(info)) add(label);
            continue;
        }
        if (in_block) {
            text += (line.empty() ? "" : "    " + std::string(line)) + '\n';
            blank = false;
            continue;
        }
        const std::string p = plain(line);
        add(p);
        // The summary: the first sentence of the first paragraph after the declaration.
        if (past_decl && !summary_done) {
            if (p.empty()) {
                summary_done = !summary.empty();
            } else {
                summary += (summary.empty() ? "" : " ") + std::string(trim(p));
                const std::size_t stop = summary.find(". ");
                if (stop != std::string::npos) {
                    summary.resize(stop + 1);
                    summary_done = true;
                }
            }
        }
    }
    while (text.size() > 1 && text[text.size() - 1] == '\n' && text[text.size() - 2] == '\n') text.pop_back();
    e.text = std::move(text);
    e.summary = std::move(summary);
    return e;
}

}  // namespace

void HelpIndex::add_family(const std::string& id, std::string_view markdown) {
    HelpFamily fam;
    fam.id = id;
    fam.title = id;
    std::vector<std::string_view> lines;
    std::string name;
    bool in_block = false;
    auto finish = [&] {
        if (!name.empty()) {
            HelpEntry e = make_entry(name, fam.title, lines);
            fam.names.push_back(e.name);
            m_entries.insert_or_assign(e.name, std::move(e));
        }
        lines.clear();
        name.clear();
    };
    std::size_t pos = 0;
    while (pos <= markdown.size()) {
        std::size_t end = markdown.find('\n', pos);
        if (end == std::string_view::npos) end = markdown.size();
        const std::string_view line = markdown.substr(pos, end - pos);
        pos = end + 1;
        if (starts_with(trim(line), "```")) in_block = !in_block;
        if (!in_block && starts_with(line, "## ")) {
            finish();
            name = std::string(trim(line.substr(3)));
        } else if (!in_block && starts_with(line, "# ")) {
            finish();
            fam.title = std::string(trim(line.substr(2)));
        } else if (!name.empty()) {
            lines.push_back(line);
        }
    }
    finish();
    m_families.push_back(std::move(fam));
}

int HelpIndex::load_folder(const std::string& folder) {
    std::vector<fs::path> files;
    std::error_code ec;
    for (const fs::directory_entry& d : fs::directory_iterator(folder, ec))
        if (d.path().extension() == ".md") files.push_back(d.path());
    std::sort(files.begin(), files.end());
    const int before = size();
    for (const fs::path& p : files) {
        std::ifstream in(p, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        if (in) add_family(p.stem().string(), text.str());
    }
    return size() - before;
}

const HelpEntry* HelpIndex::find(std::string_view name) const {
    auto it = m_entries.find(name);
    return it == m_entries.end() ? nullptr : &it->second;
}

const HelpFamily* HelpIndex::family(std::string_view id) const {
    for (const HelpFamily& f : m_families)
        if (f.id == id) return &f;
    return nullptr;
}

std::vector<std::string> HelpIndex::apropos(std::string_view word) const {
    std::vector<std::string> names;
    const std::string w = lower(trim(word));
    for (const auto& [name, e] : m_entries)
        if (w.empty() || lower(e.text).find(w) != std::string::npos) names.push_back(name);
    return names;
}

std::string help_folder() {
    const std::string dir = platform::library_directory();
    if (dir.empty()) return {};
    for (const char* rel : {"share/kj80x/help/", "../share/kj80x/help/", "../../share/kj80x/help/"}) {
        std::error_code ec;
        for (const fs::directory_entry& d : fs::directory_iterator(dir + rel, ec))
            if (d.path().extension() == ".md") return fs::path(dir + rel).lexically_normal().string();
    }
    return {};
}

const HelpIndex& help_index() {
    static HelpIndex index;
    static std::once_flag once;
    std::call_once(once, [] {
        const std::string folder = help_folder();
        if (!folder.empty()) index.load_folder(folder);
    });
    return index;
}

}  // namespace kj::api

namespace {
kj::api::NameIterator g_apropos;
}  // namespace

extern "C" const char* SKjHelp(const char* name) {
    try {
        if (!name) return nullptr;
        const kj::api::HelpEntry* e = kj::api::help_index().find(name);
        return e ? e->text.c_str() : nullptr;
    } catch (...) {
        return nullptr;
    }
}

extern "C" const char* SKjApropos(const char* word, int state) {
    try {
        if (state == 0) g_apropos.start(kj::api::help_index().apropos(word ? word : ""));
        return g_apropos.next();
    } catch (...) {
        return nullptr;
    }
}
