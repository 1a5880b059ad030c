// The layout listing: the exact text of the default layout block, the
// blocks each part adds, and that a passed record is listed as it is.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "graph_fixture.h"
#include "graphics/graph.h"
#include "graphics/layout_listing.h"

namespace kg = kj::graphics;

namespace {

class LayoutListing : public kj::test::GraphFixture {};

std::size_t count(const std::string& s, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t p = s.find(what); p != std::string::npos; p = s.find(what, p + 1)) ++n;
    return n;
}

TEST_F(LayoutListing, DefaultLayoutBlock) {
    EXPECT_EQ(kg::layout_listing(kg::settings(), true, kg::LIST_NoLines, false),
              "\n// Current layout settings\n"
              "setdraw(\"margin\", 640, 640);\n"
              "setdraw(\"box\", 0, 0, 0);\n"
              "setdraw(\"font\", 0, 330);\n"
              "setdraw(\"papercolor\", 0, 0, 0);\n"
              "setdraw(\"axis\", 300, 1000, 60);\n"
              "setdraw(\"axisline\", 0, 0, 0, 0);\n"
              "setdraw(\"axiszeros\", 1);\n"
              "setdraw(\"axisformat\", 8, 6, 1, 1);\n"
              "setdraw(\"grid\", 14, 14);\n"
              "setdraw(\"legend\", 1, 2);\n"
              "setdraw(\"legendhide\", 0);\n"
              "setdraw(\"legendresize\", 1);\n"
              "setdraw(\"legendfontsize\", 300);\n"
              "setdraw(\"legendcolor\", 1);\n"
              "setdraw(\"xystyle\", 0, 1);\n"
              "setdraw(\"histogram\", 0);\n"
              "// PostScript:\n"
              "setdraw(\"colormodel\", 3);\n"
              "setdraw(\"printpage\", 0, 1, 595, 842);\n");
}

TEST_F(LayoutListing, ChangedSettingsAndTheirOtherParts) {
    const int margin[5] = {300, 900, 0, 0, 0}, axisline[5] = {1, 1, 1, 1, 0}, paper[5] = {10, 20, 30, 0, 0};
    kg::apply_set_draw(1, margin);
    kg::apply_set_draw(5, axisline);
    kg::apply_set_draw(18, paper);
    std::string s = kg::layout_listing(kg::settings(), true, kg::LIST_NoLines, false);
    EXPECT_NE(s.find("setdraw(\"margin\", 900, 900);\n"), std::string::npos);
    EXPECT_NE(s.find("setdraw(\"axisline\", 1, 1, 0, 1);\n"), std::string::npos);  // the third is always 0
    EXPECT_NE(s.find("setdraw(\"papercolor\", 10, 20, 30);\n"), std::string::npos);

    s = kg::layout_listing(kg::settings(), false, kg::LIST_Lines, false);
    EXPECT_EQ(s.rfind("\n// Current line settings (type, width, on, off)\n", 0), 0u);
    EXPECT_NE(s.find("setdraw(\"line\", 1, 0, 10, 10, 0);\n"), std::string::npos);
    EXPECT_NE(s.find("\n\n// Current color settings (red, green, blue)\n"), std::string::npos);
    EXPECT_NE(s.find("setdraw(\"color\", 2, 255, 0, 0);\n"), std::string::npos);
    EXPECT_NE(s.find("\n\n// Current symbol settings (type, size)\n"), std::string::npos);
    EXPECT_EQ(count(s, "setdraw(\"line\""), 15u);  // indices 1 to 15
    EXPECT_EQ(count(s, "setdraw(\"symbol\""), 15u);
    EXPECT_EQ(count(s, "linebw"), 0u);

    s = kg::layout_listing(kg::settings(), false, kg::LIST_AllLines, true);
    EXPECT_NE(s.find("\n\n// Current B&W line settings (type, width, on, off)\n"), std::string::npos);
    EXPECT_NE(s.find("setdraw(\"linebw\", 3, 1, 14, 10, 0);\n"), std::string::npos);  // the first dashed one
    EXPECT_NE(s.find("\n\n// Current palette settings (red, green, blue)\n"), std::string::npos);
    EXPECT_NE(s.find("setdraw(\"palette_max\", 0, 255, 0, 0);\nsetdraw(\"palette_min\", 0, 255, 255, 255);\n"),
              std::string::npos);
    EXPECT_EQ(count(s, "palette_m"), 16u);  // entries 0 to 7
    EXPECT_EQ(count(s, "// Current layout"), 0u);
}

TEST_F(LayoutListing, APassedRecordIsListedAndTheCurrentOneKept) {
    kg::LayoutSettings record = kg::settings();
    record.margin = 1234;
    kg::print_layout_listing(&record, true, kg::LIST_NoLines, false);
    EXPECT_NE(first_run_message().find("setdraw(\"margin\", 1234, 1234);"), std::string::npos);
    EXPECT_EQ(kg::settings().margin, 640);
}

}  // namespace
