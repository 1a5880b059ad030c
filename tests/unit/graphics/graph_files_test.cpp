// The graph file writers: the native format read back and written again, its
// reader's messages, and the structure of the PDF file.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "graphics/draw_requests.h"
#include "graphics/graph.h"
#include "graphics/writers.h"
#include "lib/native_fixture.h"

namespace kg = kj::graphics;

namespace {

class GraphFiles : public kj::test::NativeTest {
protected:
    // A graph with an object of every kind the native format keeps.
    static kg::Graph sample() {
        kg::Graph g;
        kg::XYObject& a = g.add<kg::XYObject>(0);
        a.y = {"GDP", {1.5, NAN, 3.25, 1e-300, -7, 0.1}};
        a.xstart = 1990.25;
        a.xstep = 0.25;
        a.freq = 4;
        a.colour = 3;
        a.symbol.style = kg::ST_LineSymbols;
        kg::XYObject& b = g.add<kg::XYObject>(1);
        b.y = {"", {1, 2}};
        b.x = {"income", {0.1, 0.2}};
        b.scale_factor = 2;
        b.index_base = -1;
        b.z = {"z", {5, 6}};
        b.zmode = kg::ZM_Band;
        b.z_factor = 1.5;
        kg::AxisObject& ax = g.add<kg::AxisObject>(0);
        ax.fixed = kg::FixedAxis{-1, 1, 0.5, -1, 0, 0.1};
        ax.dir = 'y';
        g.add<kg::AxisObject>(1).dir = 'x';
        kg::LineObject& l = g.add<kg::LineObject>(0);
        l.pixel = true;
        l.paper = {10, 20, 30, 40};
        l.colour = 2;
        kg::LineObject& w = g.add<kg::LineObject>(1);
        w.x1 = 0.5, w.y2 = 2.75;
        w.symbol = 7;
        kg::HistObject& h = g.add<kg::HistObject>(1);
        h.values = {0.1, 0.4, 0.2};
        h.first_edge = -1.5;
        h.fill = 15;
        g.add<kg::AreaObject>(1).world_x = kg::Interval{0, 4};
        kg::TextObject& t = g.add<kg::TextObject>(0);
        t.text = "Grüße; {x} $5";  // separators inside the text are counted, not parsed
        t.x = 100;
        t.rot = 90;
        kg::TextObject& tw = g.add<kg::TextObject>(1);
        tw.text = "w";
        tw.world = true;
        tw.wx = 0.5;
        g.add<kg::LegendObject>(0).hidden = 1;
        g.add<kg::TextObject>(0);  // no characters: not written
        g.layout[0] = 3;
        g.box[1] = 1;
        return g;
    }
};

TEST_F(GraphFiles, NativeFormatRoundTripsByteForByte) {
    const kg::Graph g = sample();
    const std::string text = kg::gwg_text(g);
    const auto back = kg::parse_gwg(text);
    ASSERT_NE(back, nullptr);
    EXPECT_TRUE(run_messages().empty()) << first_run_message();
    EXPECT_EQ(back->objects.size(), g.objects.size() - 1);
    EXPECT_EQ(kg::gwg_text(*back), text);
    const kg::XYObject* first = back->objects[0].as<kg::XYObject>();
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(std::isnan(first->y.v[1]));
    EXPECT_EQ(first->y.v[3], 1e-300);
    EXPECT_EQ(first->y.v[4], -7);
    EXPECT_EQ(back->objects[1].as<kg::XYObject>()->z_factor, 1.5);
    EXPECT_NE(text.find(" < 1.5 .  3.25 1e-300\n   -7 0.1 >\n"), std::string::npos) << text;
    EXPECT_EQ(text.rfind("Norvantic 11 3 0\n", 0), 0u);
    EXPECT_EQ(text.find("paper("), std::string::npos);
    EXPECT_NE(text.find("box(0,1)\nmode(0,0)\n"), std::string::npos);

    kg::Graph tall = g;
    tall.paper_percent = 120;
    const std::string tall_text = kg::gwg_text(tall);
    EXPECT_NE(tall_text.find("paper(15000,12000)\n"), std::string::npos);
    EXPECT_EQ(kg::parse_gwg(tall_text)->paper_percent, 120);
}

TEST_F(GraphFiles, ReaderSkipsUnknownKeysAndBlocks) {
    const std::string text =
        "Norvantic 11 0 0\nbox(0,0)\nmode(0,0)\n"
        "xvec(0,0,2)\n{\n \"y\" 2\n < 1 2 >\n \"\" 0\n 1 1\n future: 1 2 3;\n symbol:0 0 0;\n}\n"
        "sparkle(0,2)\n{\n glitter: 1;\n}\n"
        "xvec(0,3)\n{\n \"w\" 1\n < 4 >\n \"\" 0\n 1 1\n}\n";
    const auto g = kg::parse_gwg(text);
    ASSERT_NE(g, nullptr);
    EXPECT_TRUE(run_messages().empty()) << first_run_message();
    ASSERT_EQ(g->objects.size(), 2u);
    EXPECT_EQ(g->objects[0].as<kg::XYObject>()->y.v, (std::vector<double>{1, 2}));
    EXPECT_EQ(g->objects[1].as<kg::XYObject>()->colour, 3);  // a missing third number takes the second
}

// A count far beyond what the file holds stops the reading (instead of
// reserving room for it), and a name with double quotes is written so that
// it reads back.
TEST_F(GraphFiles, DamagedCountsAndQuotedNamesKeepTheFileReadable) {
    const auto g = kg::parse_gwg("Norvantic 11 0 0\nxvec(0,0,2)\n{\n \"y\" 611038556\n < 1 2 >\n \"\" 0\n 1 1\n}\n");
    ASSERT_NE(g, nullptr);
    EXPECT_TRUE(g->objects.empty());
    EXPECT_EQ(first_run_message(), "Could not read all graphics objects");
    kg::Graph q;
    q.add<kg::XYObject>(0).y = {"the \"real\" rate", {1, 2}};
    const auto back = kg::parse_gwg(kg::gwg_text(q));
    ASSERT_NE(back, nullptr);
    ASSERT_EQ(back->objects.size(), 1u);
    EXPECT_EQ(back->objects[0].as<kg::XYObject>()->y.name, "the 'real' rate");
}

TEST_F(GraphFiles, ReaderReportsBadFiles) {
    EXPECT_EQ(kg::parse_gwg("Norvantic 8 0 0\n"), nullptr);
    EXPECT_EQ(first_run_message(), "This is not a correct Norvantic Graphics file");
    clear();
    EXPECT_EQ(kg::parse_gwg("hello"), nullptr);
    EXPECT_EQ(first_run_message(), "This is not a correct Norvantic Graphics file");
    clear();
    auto g = kg::parse_gwg("Norvantic 11 0 0\nxvec(0,0,2)\n{\n \"y\" 2\n < 1 2 >\n \"\" 0\n 1 1\n symbol:0 0");
    EXPECT_EQ(first_run_message(), "Unexpected end of file");
    ASSERT_NE(g, nullptr);
    EXPECT_TRUE(g->objects.empty());
    clear();
    g = kg::parse_gwg("Norvantic 11 0 0\nline(0,0,0)\n{\n pset:1 2;\n}\n");
    EXPECT_EQ(first_run_message(), "Could not read all graphics objects");
    clear();
    g = kg::parse_gwg("Norvantic 11 0 0\ntext(0,0)\n{\n 1 2 3$a;\n}\naxis(0,1)\n{\n x 0 1 1 0 0 1 9;\n}\n");
    EXPECT_EQ(first_run_message(), "Could not read all graphics objects");  // the length ran past the text
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->objects.size(), 0u);
    clear();
    g = kg::parse_gwg("Norvantic 11 0 0\ntext(0,0)\n{\n 1 2 1$a;\n}\naxis(0,1)\n{\n x 0 1 1 0 0 1 9;\n}\n");
    EXPECT_EQ(first_run_message(), "Unknown axis type");
    EXPECT_EQ(g->objects.size(), 1u);  // what was read stays
    // Counts beyond what the rest of the text could hold are refused before
    // anything is allocated for them (two thousand million doubles here; a
    // grid of 100000 x 100000 points).
    clear();
    g = kg::parse_gwg("Norvantic 11 0 0\nxvec(0,0,2)\n{\n \"y\" 2000000000\n < 1 2 >\n}\n");
    EXPECT_EQ(first_run_message(), "Could not read all graphics objects");
    clear();
    std::string grid = "Norvantic 11 0 0\nmesh(0,0,2)\n{\n";
    for (const char* name : {"x", "y"}) {
        grid += std::string(" \"") + name + "\" 100000\n <";
        for (int k = 0; k < 100000; ++k) grid += " 1";
        grid += " >\n";
    }
    g = kg::parse_gwg(grid + " \"z\" 100000 100000\n < 1 1 1 >\n}\n");
    EXPECT_EQ(first_run_message(), "Could not read all graphics objects");
}

// The PDF's cross-reference table points at its objects, and its content
// stream inflates to the drawing commands.
TEST_F(GraphFiles, PdfStructure) {
    const kg::Graph g = sample();
    std::string pdf;
    ASSERT_TRUE(kg::pdf_bytes(g, 3, pdf));
    EXPECT_EQ(pdf.rfind("%PDF-1.2\n", 0), 0u);
    EXPECT_NE(pdf.find("/MediaBox [0 0 432 288]"), std::string::npos);
    const std::size_t xref = pdf.rfind("xref\n0 17\n");
    ASSERT_NE(xref, std::string::npos);
    EXPECT_NE(pdf.find("startxref\n" + std::to_string(xref) + "\n%%EOF"), std::string::npos);
    const char* entry = pdf.c_str() + xref + 10;
    EXPECT_EQ(std::string(entry, 20), "0000000000 65535 f \n");
    for (int n = 1; n < 17; ++n) {
        const std::string e(entry + 20 * n, 20);
        if (n == 8 || n == 9) {
            EXPECT_EQ(e, n == 8 ? "0000000009 00000 f \n" : "0000000000 00000 f \n");
            continue;
        }
        const long off = std::stol(e.substr(0, 10));
        EXPECT_EQ(pdf.compare(static_cast<std::size_t>(off), std::to_string(n).size() + 6, std::to_string(n) + " 0 obj"),
                  0)
            << "object " << n;
    }
    const std::size_t start = pdf.find("stream\n") + 7, end = pdf.find("\nendstream");
    const std::string packed = pdf.substr(start, end - start);
    EXPECT_NE(pdf.find("6 0 obj\n" + std::to_string(packed.size()) + "\nendobj"), std::string::npos);
    std::string plain(1 << 20, '\0');
    uLongf n = plain.size();
    ASSERT_EQ(uncompress(reinterpret_cast<Bytef*>(plain.data()), &n, reinterpret_cast<const Bytef*>(packed.data()),
                         packed.size()),
              Z_OK);
    plain.resize(n);
    EXPECT_EQ(plain.rfind("q 0.0288 0 0 0.0288 0 0 cm\n1 j\n10 w\n", 0), 0u);
    EXPECT_EQ(plain.substr(plain.size() - 2), "Q\n");
    // Latin-1 text as WinAnsi bytes: "Grüße" with u-umlaut 374 and sharp s 337 in octal.
    EXPECT_NE(plain.find("(Gr\\374\\337e; {x} $5) Tj"), std::string::npos);

    kg::Graph tall;
    tall.paper_percent = 120;
    ASSERT_TRUE(kg::pdf_bytes(tall, 3, pdf));
    EXPECT_NE(pdf.find("/MediaBox [0 0 432 345]"), std::string::npos);
}

TEST_F(GraphFiles, TextEncodingsAndPostScriptHeader) {
    const kg::Graph g = sample();
    const std::string eps = kg::postscript_text(g, false, 3);
    EXPECT_EQ(eps.rfind("%!PS-Adobe-2.0 EPSF-2.0\n%%BoundingBox: 0 0 432 288\n", 0), 0u);
    EXPECT_NE(eps.find("\nEpsPage\n%A4 /Landscape 1 def  FullPage\n"), std::string::npos);
    EXPECT_NE(eps.find("/Linetype1 [ ] def  /Linewidth1 10 def"), std::string::npos);
    EXPECT_NE(eps.find("RGB  2 [1.00 0.00 0.00] put"), std::string::npos);
    EXPECT_NE(eps.find("BWG  8 0.50 put"), std::string::npos);
    EXPECT_EQ(eps.substr(eps.size() - 23), "restore\nshowpage\n%%EOF\n");
    const std::string ps = kg::postscript_text(g, true, 3);
    EXPECT_NE(ps.find("\n%EpsPage\nA4 /Landscape 1 def  FullPage\n"), std::string::npos);
    const std::string svg = kg::svg_text(g, 100, 3);
    EXPECT_NE(svg.find("viewBox=\"0 0 15000 10000\""), std::string::npos);
    EXPECT_NE(svg.find("Grüße; {x} $5"), std::string::npos);
    EXPECT_EQ(svg.find("non-scaling-stroke"), std::string::npos);
    EXPECT_NE(kg::svg_text(g, 120, 3).find("vector-effect=\"non-scaling-stroke\""), std::string::npos);
}

// Infinite or missing coordinates and axes with absurd tick counts draw what
// can be drawn; no writer prints a non-number or loops over the ticks.
TEST_F(GraphFiles, WritersSurviveUnreasonableNumbers) {
    kg::Graph g;
    kg::XYObject& a = g.add<kg::XYObject>(0);
    a.y.v = {1e308, -1e308, INFINITY, NAN, 2};
    a.xstart = NAN;
    g.add<kg::AxisObject>(1).fixed = kg::FixedAxis{1e17, 1e17 + 64, 1e-9, 1e17, 0, 1e-9};
    kg::TextObject& t = g.add<kg::TextObject>(1);
    t.text = "t";
    t.world = true;
    t.wx = NAN;
    kg::HistObject& h = g.add<kg::HistObject>(2);
    h.values = {1, NAN, 3};
    h.bar_width = INFINITY;
    std::string pdf;
    ASSERT_TRUE(kg::pdf_bytes(g, 3, pdf));
    for (const std::string& text : {kg::svg_text(g, 100, 3), kg::postscript_text(g, false, 3)}) {
        EXPECT_EQ(text.find("nan"), std::string::npos);
        EXPECT_EQ(text.find("inf"), std::string::npos);
        EXPECT_LT(text.size(), 200000u);
    }
}

TEST_F(GraphFiles, SavingPicksTheWriterByExtension) {
    kg::discard_graph();
    const std::vector<double> y = {1, 2, 3};
    kg::default_draw("Vector", 0, y.data(), 3, "y", nullptr, 0, nullptr, nullptr, 0, nullptr, 0, 2, nullptr, 0,
                     nullptr, 0);
    const std::string dir = ::testing::TempDir();
    const auto head = [](const std::string& path) {
        std::string text;
        std::FILE* f = std::fopen(path.c_str(), "rb");
        if (!f) return text;
        char buf[32] = {};
        text.assign(buf, std::fread(buf, 1, 20, f));
        std::fclose(f);
        return text;
    };
    for (const char* name : {"g1.pdf", "g2.svg", "g3.eps", "g4.ps", "g5", "g6.gwg"}) {
        std::remove((dir + name).c_str());
        ASSERT_TRUE(kg::save_current_graph(dir + name)) << name;
    }
    EXPECT_EQ(head(dir + "g1.pdf").substr(0, 8), "%PDF-1.2");
    EXPECT_EQ(head(dir + "g2.svg").substr(0, 5), "<?xml");
    EXPECT_EQ(head(dir + "g3.eps").substr(0, 23).substr(0, 15), "%!PS-Adobe-2.0 ");
    EXPECT_EQ(head(dir + "g4.ps").substr(0, 15), "%!PS-Adobe-2.0\n");
    EXPECT_EQ(head(dir + "g5").substr(0, 15), "%!PS-Adobe-2.0 ");
    for (const char* copy : {"g1.gwg", "g2.gwg", "g3.gwg", "g4.gwg", "g5.gwg", "g6.gwg"})
        EXPECT_EQ(head(dir + copy).substr(0, 10), "Norvantic ") << copy;
    EXPECT_FALSE(kg::save_current_graph("/nonexistent-dir/g.pdf"));
    EXPECT_FALSE(kg::save_current_graph(""));
    kg::discard_graph();
}

}  // namespace
