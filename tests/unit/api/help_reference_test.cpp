// The reference entries as #help shows them: a family file's entries, their
// plain text and summary, code blocks that hold heading-like lines, later
// files replacing earlier entries, and the search of #apropos.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "api/help_reference.h"

namespace {
using kj::api::HelpIndex;
namespace fs = std::filesystem;

const char* const k_family =
    "# Small family\n"
    "\n"
    "Text about the family.\n"
    "\n"
    "## first\n"
    "\n"
    "```decl\n"
    "first(const ma);\n"
    "```\n"
    "\n"
    "Does the first thing to `ma`. Then more\n"
    "about it.\n"
    "\n"
    "Example:\n"
    "```kj\n"
    "## not a heading\n"
    "# nor this\n"
    "println(first(1));\n"
    "```\n"
    "```output\n"
    "1\n"
    "\n"
    "2\n"
    "```\n"
    "\n"
    "## gauss::second\n"
    "\n"
    "```decl\n"
    "second();\n"
    "```\n"
    "\n"
    "A whole paragraph\n"
    "without a full stop\n"
    "\n"
    "Mentions REGRESSION.\n";

TEST(HelpReference, EntriesOfAFamilyAsPlainText) {
    HelpIndex index;
    index.add_family("small", k_family);
    ASSERT_EQ(index.size(), 2);
    const kj::api::HelpEntry* e = index.find("first");
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->family, "Small family");
    EXPECT_EQ(e->summary, "Does the first thing to ma.");
    EXPECT_EQ(e->text,
              "first (Small family)\n\n"
              "    first(const ma);\n\n"
              "Does the first thing to ma. Then more\nabout it.\n\n"
              "Example:\n"
              "    ## not a heading\n"
              "    # nor this\n"
              "    println(first(1));\n"
              "  prints:\n"
              "    1\n"
              "\n"
              "    2\n");
    const kj::api::HelpEntry* g = index.find("gauss::second");
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->summary, "A whole paragraph without a full stop");
    EXPECT_EQ(index.find("not"), nullptr);
    EXPECT_EQ(index.find("second"), nullptr);
    const kj::api::HelpFamily* f = index.family("small");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->title, "Small family");
    EXPECT_EQ(f->names, (std::vector<std::string>{"first", "gauss::second"}));
}

TEST(HelpReference, AproposIgnoresCaseAndAnEmptyWordListsAll) {
    HelpIndex index;
    index.add_family("small", k_family);
    EXPECT_EQ(index.apropos("regression"), std::vector<std::string>{"gauss::second"});
    EXPECT_EQ(index.apropos("  Thing "), std::vector<std::string>{"first"});
    EXPECT_EQ(index.apropos(""), (std::vector<std::string>{"first", "gauss::second"}));
    EXPECT_TRUE(index.apropos("absent").empty());
}

TEST(HelpReference, FolderFilesInNameOrderLaterEntriesWin) {
    const fs::path dir = fs::temp_directory_path() / "kj_help_reference_test";
    fs::remove_all(dir);
    fs::create_directories(dir);
    std::ofstream(dir / "a.md") << "# A\n\n## f\n\n```decl\nf();\n```\n\nOld text.\n";
    std::ofstream(dir / "b.md") << "# B\n\n## f\n\n```decl\nf();\n```\n\nNew text.\n";
    std::ofstream(dir / "notes.txt") << "## g\n";
    HelpIndex index;
    EXPECT_EQ(index.load_folder(dir.string()), 1);
    ASSERT_NE(index.find("f"), nullptr);
    EXPECT_EQ(index.find("f")->summary, "New text.");
    EXPECT_EQ(index.find("f")->family, "B");
    EXPECT_EQ(index.find("g"), nullptr);
    EXPECT_EQ(index.families().size(), 2u);
    HelpIndex none;
    EXPECT_EQ(none.load_folder((dir / "missing").string()), 0);
    fs::remove_all(dir);
}

}  // namespace
