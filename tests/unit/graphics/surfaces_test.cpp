// Surfaces and points in three dimensions: what DrawXYZ's request builds,
// how the native format keeps them, and the projection that draws them.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "graph_fixture.h"
#include "graphics/draw_requests.h"
#include "graphics/graph.h"
#include "graphics/scene.h"
#include "graphics/writers.h"
#include "recording_canvas.h"

namespace kg = kj::graphics;
using kj::test::Recording;

namespace {

class Surfaces : public kj::test::GraphFixture {
protected:
    static int xyz(const std::vector<double>& x, const std::vector<double>& y, const std::vector<double>& z, int rows,
                   int cols, int mode = 0, double factor = 1) {
        const std::vector<int> iv = {rows, cols};
        const double dv[1] = {factor};
        return kg::default_draw("3D", 0, x.data(), static_cast<int>(x.size()), nullptr, y.data(),
                                static_cast<int>(y.size()), nullptr, z.data(), static_cast<int>(z.size()), nullptr,
                                mode, 2, iv.data(), 2, dv, 1);
    }
};

TEST_F(Surfaces, GridsBecomeMeshesAndEqualVectorsScatteredPoints) {
    ASSERT_EQ(xyz({0, 1, 2}, {0, 1}, {1, 2, 3, 4, 5, 6}, 2, 3), 0);
    ASSERT_EQ(xyz({0, 1, 2, 3}, {4, 5, 6, 7}, {8, 9, 10, 11}, 1, 4, 1, 0.5), 0);
    const auto& objects = kg::current_graph().objects;
    ASSERT_EQ(objects.size(), 2u);
    const kg::XYObject& mesh = *objects[0].as<kg::XYObject>();
    const kg::XYObject& points = *objects[1].as<kg::XYObject>();
    EXPECT_EQ(mesh.form, kg::XY_Mesh);
    EXPECT_EQ(mesh.mesh_cols, 3);
    EXPECT_EQ(mesh.symbol.style, kg::ST_Line);
    EXPECT_EQ(points.form, kg::XY_Triangle);
    EXPECT_EQ(points.symbol.style, kg::ST_Symbols);  // points, at half the standard symbol size
    EXPECT_EQ(points.symbol.size, 45);

    EXPECT_EQ(xyz({0, 1, 2}, {0, 1}, {1, 2, 3, 4, 5}, 2, 3), 1);  // z one short of the grid
    EXPECT_NE(first_run_message().find("DrawXYZ(): z must be a grid"), std::string::npos);
    EXPECT_EQ(xyz({}, {}, {}, 0, 0), 1);
    EXPECT_EQ(kg::current_graph().objects.size(), 2u);
}

TEST_F(Surfaces, NativeFormatKeepsMeshesAndPoints) {
    kg::Graph g;
    kg::XYObject& m = g.add<kg::XYObject>(0);
    m.form = kg::XY_Mesh;
    m.x = {"x", {0, 0.5}};
    m.y = {"y", {1, 2, 3}};
    m.z = {"height", {1, NAN, 3, 4, 5e-300, -6}};
    m.mesh_cols = 2;
    m.palette = 3;
    m.colour = 4;
    kg::XYObject& t = g.add<kg::XYObject>(1);
    t.form = kg::XY_Triangle;
    t.x = {"", {1, 2, 3}};
    t.y = {"", {4, 5, 6}};
    t.z = {"", {7, 8, 9}};
    t.symbol.size = 45;
    t.symbol.style = kg::ST_Symbols;
    const std::string text = kg::gwg_text(g);
    // One "x y z" line per grid point, row by row.
    EXPECT_NE(text.find("mesh(0,0,4)\n{\n"), std::string::npos);
    EXPECT_NE(text.find(" \"height\" 2 3\n < 0 1 1\n 0.5 1 . \n 0 2 3\n"), std::string::npos);
    EXPECT_NE(text.find(" palette:3;\n"), std::string::npos);
    EXPECT_NE(text.find("triangle(1,0,0)\n"), std::string::npos);

    const auto back = kg::parse_gwg(text);
    ASSERT_TRUE(back);
    ASSERT_EQ(back->objects.size(), 2u);
    const kg::XYObject& m2 = *back->objects[0].as<kg::XYObject>();
    EXPECT_EQ(m2.form, kg::XY_Mesh);
    EXPECT_EQ(m2.mesh_cols, 2);
    EXPECT_EQ(m2.palette, 3);
    EXPECT_EQ(m2.z.name, "height");
    EXPECT_TRUE(std::isnan(m2.z.v[1]));
    EXPECT_EQ(m2.z.v[4], 5e-300);
    EXPECT_EQ(back->objects[1].as<kg::XYObject>()->form, kg::XY_Triangle);
    EXPECT_EQ(back->objects[1].as<kg::XYObject>()->symbol.size, 45);
    EXPECT_EQ(kg::gwg_text(*back), text);

    // A grid whose counts disagree with its vectors stops the reading.
    std::string bad = text;
    bad.replace(bad.find("\"height\" 2 3"), 12, "\"height\" 2 4");
    const auto partial = kg::parse_gwg(bad);
    ASSERT_TRUE(partial);
    EXPECT_TRUE(partial->objects.empty());
    EXPECT_EQ(first_run_message(), "Could not read all graphics objects");
}

// Two cells over x = 0, 1, 2 and y = 0, 1 with z = x: mean heights 0.5 and
// 1.5 of the range 0 .. 2, shaded a quarter and three quarters of the way
// from white to red. Seen from 35 degrees round and 25 up, the higher cell
// (larger x) is the farther one and is drawn first. The box gets its tick
// labels in steps of 0.5.
TEST_F(Surfaces, ProjectionShadesAndOrdersTheFaces) {
    ASSERT_EQ(xyz({0, 1, 2}, {0, 1}, {0, 1, 2, 0, 1, 2}, 2, 3), 0);
    Recording r;
    kg::render(kg::current_graph(), r, 3);
    ASSERT_EQ(r.fills.size(), 2u);
    EXPECT_EQ(r.fills[0].colour, 0x4040FFu);
    EXPECT_EQ(r.fills[1].colour, 0xBFBFFFu);
    const kg::AreaFrame f = kg::area_frame(kg::current_graph(), 0);
    for (const auto& fill : r.fills)
        for (const kg::Point& p : fill.pts) {
            EXPECT_GE(p.x, f.left - 1e-6);
            EXPECT_LE(p.x, f.right + 1e-6);
            EXPECT_GE(p.y, f.bottom - 1e-6);
            EXPECT_LE(p.y, f.top + 1e-6);
        }
    for (const char* label : {"0.0", "0.5", "1.0", "1.5", "2.0"}) EXPECT_TRUE(r.has_text(label)) << label;
    EXPECT_FALSE(r.has_text("2.5"));

    // In grey the shades keep their brightness: 0.3 * 255 + 0.59 * 64 + 0.11 * 64 = 121.3.
    Recording grey;
    kg::render(kg::current_graph(), grey, 2);
    ASSERT_EQ(grey.fills.size(), 2u);
    EXPECT_EQ(grey.fills[0].colour, 0x797979u);
}

}  // namespace
