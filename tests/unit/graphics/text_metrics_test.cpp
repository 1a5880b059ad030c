// Text in the graph fonts: the faces characters go to, their widths (the
// published advance widths of Times, Helvetica, Courier and Symbol, in
// thousandths of the size) and how each writer draws a text that needs two
// fonts.
#include <gtest/gtest.h>
#include <zlib.h>

#include <string>

#include "graphics/graph.h"
#include "graphics/text_metrics.h"
#include "graphics/writers.h"
#include "graph_fixture.h"

namespace kg = kj::graphics;

namespace {

class TextMetrics : public kj::test::GraphFixture {
protected:
    // A graph with one text at paper position (1000, 1000).
    static kg::Graph with_text(const std::string& text, int font, int size = 1000) {
        kg::Graph g;
        kg::TextObject& t = g.add<kg::TextObject>(0);
        t.text = text;
        t.font = font;
        t.size = size;
        t.x = t.y = 1000;
        return g;
    }
    static std::string pdf_content(const kg::Graph& g) {
        std::string pdf;
        EXPECT_TRUE(kg::pdf_bytes(g, 3, pdf));
        const std::size_t start = pdf.find("stream\n") + 7, end = pdf.find("\nendstream");
        std::string plain(1 << 20, '\0');
        uLongf n = plain.size();
        EXPECT_EQ(uncompress(reinterpret_cast<Bytef*>(plain.data()), &n,
                             reinterpret_cast<const Bytef*>(pdf.data() + start), end - start),
                  Z_OK);
        plain.resize(n);
        return plain;
    }
};

TEST_F(TextMetrics, WidthsAreThoseOfTheFonts) {
    EXPECT_DOUBLE_EQ(kg::text_width("Hello", 0, 1000), 722 + 444 + 278 + 278 + 500);
    EXPECT_DOUBLE_EQ(kg::text_width("W", 2, 1000), 1000);  // Times bold
    EXPECT_DOUBLE_EQ(kg::text_width("W", 5, 1000), 944);   // Helvetica
    EXPECT_DOUBLE_EQ(kg::text_width("W", 6, 500), 300);    // Courier: 600 for every character
    EXPECT_DOUBLE_EQ(kg::text_width("-1.5", 0, 300), 0.3 * (333 + 500 + 250 + 500));
    // Latin-1 beyond ASCII: e-acute 444 and the plus-minus sign 564 of Times.
    EXPECT_DOUBLE_EQ(kg::text_width("\xC3\xA9\xC2\xB1", 0, 1000), 444 + 564);
    // Greek from the Symbol face: alpha 631, infinity 713; font 1 draws Latin in Times.
    EXPECT_DOUBLE_EQ(kg::text_width("\xCE\xB1=\xE2\x88\x9E", 0, 1000), 631 + 564 + 713);
    EXPECT_DOUBLE_EQ(kg::text_width("Hello", 1, 1000), kg::text_width("Hello", 0, 1000));
    EXPECT_DOUBLE_EQ(kg::text_width("", 0, 1000), 0);
}

TEST_F(TextMetrics, RunsSplitBetweenTheTextFaceAndSymbol) {
    const auto runs = kg::text_runs("a \xCE\xB2\xCE\xB3 b\xE2\x82\xAC\xC3", 3);  // a, beta gamma, b, euro, cut
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_EQ(runs[0].face, kg::FACE_Italic);
    EXPECT_EQ(runs[0].bytes, "a ");
    EXPECT_EQ(runs[1].face, kg::FACE_Symbol);
    EXPECT_EQ(runs[1].bytes, "bg");  // the Symbol face's codes of beta and gamma
    EXPECT_EQ(runs[1].utf8, "\xCE\xB2\xCE\xB3");
    EXPECT_EQ(runs[2].face, kg::FACE_Italic);
    EXPECT_EQ(runs[2].bytes, " b??");  // neither face has the euro sign; a cut sequence
    EXPECT_EQ(kg::text_runs("\xC3\xA9", 0)[0].bytes, "\xE9");
}

// A text that needs two fonts: PDF switches fonts inside one text object,
// PostScript shows the runs one after the other, SVG gives the Greek run its
// face, and the centring uses the width of both runs.
TEST_F(TextMetrics, EveryWriterDrawsGreekInTheSymbolFont) {
    const std::string text = "\xCF\x83 = 2";  // sigma = 2
    kg::Graph g = with_text(text, 0);
    const std::string pdf = pdf_content(g);
    EXPECT_NE(pdf.find("BT /F1 1000 Tf 1.0000 0.0000 -0.0000 1.0000 1000.0 1000.0 Tm (s) Tj /F0 1000 Tf ( = 2) Tj ET"),
              std::string::npos)
        << pdf;
    const std::string eps = kg::postscript_text(g, false, 3);
    EXPECT_NE(eps.find("gsave 1000.0 1000.0 translate 0 rotate 0.0 0 moveto 1000 /F1 Font (s) show "
                       "1000 /F0 Font ( = 2) show grestore"),
              std::string::npos);
    const std::string svg = kg::svg_text(g, 100, 3);
    EXPECT_NE(svg.find("<tspan font-family=\"'Standard Symbols PS', Symbol\" font-weight=\"normal\" "
                       "font-style=\"normal\">\xCF\x83</tspan> = 2</text>"),
              std::string::npos);

    // Right-aligned (rotation 360): the start moves left by the whole width,
    // sigma 603 + space 250 + equals 564 + space 250 + two 500.
    g.objects[0].as<kg::TextObject>()->rot = 360;
    EXPECT_NE(pdf_content(g).find("-0.0000 1.0000 -1167.0 1000.0 Tm"), std::string::npos) << pdf_content(g);
    EXPECT_NE(kg::postscript_text(g, false, 3).find("-2167.0 0 moveto"), std::string::npos);

    // Latin-1 alone keeps the one-font form, in its own font number.
    const std::string plain = kg::postscript_text(with_text("x", 7), false, 3);
    EXPECT_NE(plain.find("1000 /F7 Font (x) 1000.0 1000.0 0 0.0 T"), std::string::npos);
    EXPECT_NE(kg::postscript_text(with_text("x", 1), false, 3).find("/F0 Font (x)"), std::string::npos);
}

}  // namespace
