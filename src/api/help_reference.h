// The reference of the built-in functions as the prompt's #help and #apropos,
// and the exported SKjHelp and SKjApropos, show it. The entries are Markdown
// files, one per family of functions (docs/reference/ in the sources), read at
// the first request from the help folder that lies beside the library file:
// share/kj80x/help/ in the build tree, ../share/kj80x/help/ once installed.
//
// A family file starts with "# Title"; each entry starts with "## name" and
// holds fenced blocks: "decl" (the declaration), "kj" or "gauss" (an example),
// "input" (what the example reads) and "output" (what it prints).
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace kj::api {

struct HelpEntry {
    std::string name;     // as a program calls it: "invert", "gauss::inv"
    std::string family;   // the family's title
    std::string summary;  // the first sentence of the description
    std::string text;     // the whole entry as plain text, as #help prints it
};

struct HelpFamily {
    std::string id;     // the file name without ".md"
    std::string title;  // from its "# " line
    std::vector<std::string> names;
};

class HelpIndex {
public:
    // Reads every *.md file of the folder, in name order; a later entry of
    // an equal name replaces an earlier one. The number of entries read.
    int load_folder(const std::string& folder);
    // Adds the entries of one family file's text.
    void add_family(const std::string& id, std::string_view markdown);

    const HelpEntry* find(std::string_view name) const;
    const HelpFamily* family(std::string_view id) const;
    const std::vector<HelpFamily>& families() const { return m_families; }
    // Names whose entry mentions word (ignoring case), in name order; all
    // names for an empty word.
    std::vector<std::string> apropos(std::string_view word) const;
    int size() const { return static_cast<int>(m_entries.size()); }

private:
    std::map<std::string, HelpEntry, std::less<>> m_entries;
    std::vector<HelpFamily> m_families;
};

// The first of the candidate folders beside the library that holds a family
// file; "" when none does.
std::string help_folder();

// The process-wide index, loaded from help_folder() at the first call.
const HelpIndex& help_index();

}  // namespace kj::api
