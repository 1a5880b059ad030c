// The graph model: one current graph per process, made of areas and drawing
// objects, and the layout settings that the drawing requests and the writers
// read. Coordinates are paper units: the paper is 15000 units wide and
// 10000 x (height percentage / 100) high; one unit is 0.0288 point.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kj::graphics {

constexpr int k_paper_width = 15000;
constexpr int k_colour_count = 16;
constexpr int k_palette_count = 8;
constexpr int k_max_areas = 1000;

// Object kinds (the numbers are those of the native file format).
enum Kind : int { K_XY = 1, K_Axis = 2, K_Line = 4, K_Hist = 5, K_Area = 6, K_Text = 7, K_Legend = 8 };

// Variants of an x-y object.
enum XYForm : int { XY_Plain = 0, XY_Mesh = 1, XY_Triangle = 2 };

// Drawing styles of an x-y series (the ST_ constants of the drawing header).
enum Style : int { ST_Line = 0, ST_Symbols = 1, ST_LineSymbols = 2, ST_Index = 3, ST_Bars = 4, ST_Shading = 5 };

// Axis types: a closed list; a graph file with another one is rejected.
enum AxisType : int { AX_Plain = 0, AX_Time = 1, AX_Date = 2 };
constexpr bool is_axis_type(int t) { return t >= AX_Plain && t <= AX_Date; }

// What a text is: plain, or the title or an axis label of its area.
enum TextRole : int { TEXT_Plain = 0, TEXT_Title = 1, TEXT_XLabel = 2, TEXT_YLabel = 3, TEXT_ZLabel = 4 };

// How the z values of an x-y object are drawn (the ZMODE_ constants):
// symbols sized by z, the values written at the points, error bars or bands
// of y +- factor * z, a fan of nested bands, high-low bars from y to z, and
// three-dimensional points.
enum ZMode : int { ZM_Symbol = 0, ZM_Value = 1, ZM_Bar = 2, ZM_Band = 3, ZM_Fan = 4, ZM_HiLo = 5, ZM_3D = 6 };
// The z modes that use the factor (kept in files with the z values).
constexpr bool zmode_has_factor(int m) { return m == ZM_Symbol || m == ZM_Bar || m == ZM_Band || m == ZM_Fan; }
// The z modes whose bars or bands reach y +- factor * z.
constexpr bool zmode_spreads(int m) { return m == ZM_Bar || m == ZM_Band || m == ZM_Fan; }

// The frequency of a series placed at calendar date-times: its x values are
// day numbers with the time of day as fraction.
constexpr int k_freq_dated = -1;

// Anchors of an automatic axis.
enum Anchor : int { ANCHOR_Min = 0, ANCHOR_Max = 1, ANCHOR_User = 2 };

struct Series {
    std::string name;
    std::vector<double> v;
};

// One drawing object. Only the fields of its kind are meaningful; the rest
// keep their defaults and are not written.
struct DrawObject {
    int kind = K_XY;
    int area = 0;
    int index = 0;   // position among the objects of its area
    int third = 0;   // colour/line index (x-y, hist), symbol type + 1 of a symbol line, 0 otherwise

    // x-y objects
    int form = XY_Plain;
    Series y, x, z;
    double xstart = 1, xstep = 1;
    bool has_yrange = false;
    double yrange[2] = {0, 0};
    int freq = 0;
    int symbol[3] = {0, 0, ST_Line};  // type, size, style
    double scale[2] = {1, 0};          // factor, shift
    bool has_index_pos = false;
    double index_pos = 0;              // base of index lines and bars
    int zmode = 0;
    double z_factor = 1;               // error bars and bands reach y +- z_factor * z
    int mesh_cols = 0;                 // mesh: x count (z is rows x cols, row by row)
    int palette = 0;                   // surfaces: palette entry of their colours

    // axes
    char dir = 'x';
    bool automatic = true;
    double ax[6] = {0, 0, 0, 0, 0, 0};  // min, max, large step, first tick, anchor, small step
    int axis_type = AX_Plain;
    double anchor2 = 0;
    int label[3] = {1, 0, 0};          // shown, frequency, anchor mode
    int grid[3] = {0, 0, 0};
    int set[7] = {0, 0, 0, 0, 0, 0, 0};
    int rot = 0;

    // lines, symbols and placed rectangles
    bool pixel = false;
    int pset[5] = {0, 0, 0, 0, 0};     // x1, y1, x2, y2, colour index
    double wset[4] = {0, 0, 0, 0};     // x1, y1, x2, y2 in world coordinates
    int wset_index = 1;

    // histograms
    std::vector<double> values;
    double hist[6] = {0, 1, 0, 0, 0, 0};  // first edge, bar width, unused
    int hist_fill = 0;                    // interior colour index

    // areas
    bool has_world_x = false, has_world_y = false;
    double world_x[2] = {0, 0}, world_y[2] = {0, 0};
    // Three-dimensional areas: the z range, the box proportions ("3d": the
    // relative lengths of the x, y and z edges, and a fourth value kept for
    // later use) and the view ("3dview": rotation about the vertical and
    // elevation in degrees, eye distance, zoom; see scene_3d.h).
    bool has_world_z = false, has_box3 = false, has_view3 = false;
    double world_z[2] = {0, 0};
    double box3[4] = {1, 1, 1, 0};
    double view3[4] = {35, 25, 0, 1};
    // The z coordinates of a line (both ends) or a text (the first) in a
    // three-dimensional area.
    bool has_z3 = false;
    double z3[2] = {0, 0};

    // texts
    int pos[2] = {0, 0};               // paper position (when not in world coordinates)
    std::string text;                  // UTF-8
    int text_set[3] = {0, 330, TEXT_Plain};  // font, size, role
    bool world_text = false;
    double text_world[2] = {0, 0};

    // legends
    int legend_flag = 0;
    int legend_set[4] = {0, 0, 0, 0};
};

struct Graph {
    int paper_percent = 100;
    int color[2] = {0, 0};
    int box[2] = {0, 0};
    int mode[2] = {0, 0};
    int layout[2] = {0, 0};
    std::vector<DrawObject> objects;

    int paper_height() const { return 10000 * paper_percent / 100; }
    int area_count() const;
    // The objects of one area get successive indices.
    DrawObject& add(int kind, int area);
};

struct LineSetting {
    int type = 0, width = 10, on = 10, off = 0;
};

struct LayoutSettings {
    int margin = 640;
    int papercolor = 0;
    int box[3] = {0, 0, 0};
    int grid[2] = {14, 14};
    int font[2] = {0, 330};
    int axis[3] = {300, 1000, 60};
    int axisline[4] = {0, 0, 0, 0};
    int axiszeros = 1;
    int axisformat[4] = {8, 6, 1, 1};
    int legend[2] = {1, 2};
    int legendhide = 0;
    int legendresize = 1;
    int legendfontsize = 300;
    int legendcolor = 1;
    int histogram = 0;
    int xystyle[2] = {0, 1};
    int colormodel = 3;
    int printpage[4] = {0, 1, 595, 842};

    std::array<LineSetting, k_colour_count> line, line_bw;
    std::array<uint32_t, k_colour_count> colour{}, colour_bw{};  // 0xBBGGRR
    std::array<std::array<int, 2>, k_colour_count> symbol{};     // type, size
    std::array<uint32_t, k_palette_count> palette_max{}, palette_min{};
};

// Colour bytes of a table entry.
inline int red_of(uint32_t c) { return static_cast<int>(c & 0xFF); }
inline int green_of(uint32_t c) { return static_cast<int>((c >> 8) & 0xFF); }
inline int blue_of(uint32_t c) { return static_cast<int>((c >> 16) & 0xFF); }
inline uint32_t rgb(int r, int g, int b) {
    return static_cast<uint32_t>(r & 0xFF) | static_cast<uint32_t>(g & 0xFF) << 8 | static_cast<uint32_t>(b & 0xFF) << 16;
}

// The process-wide layout settings.
LayoutSettings& settings();
// Parts of the defaults: 0 everything, 1 the layout only, 2 the line tables, 3 the palette.
void reset_settings(int part);
// A symbol type as stored: types above 13, and 5, become 2.
int stored_symbol_type(int type);
// SetDraw: option code and five ints; codes of 26 and above change nothing.
void apply_set_draw(int option, const int v[5]);

// The current graph: created on the first request; a shown graph is replaced
// by a new one at the next request.
Graph& current_graph();
Graph* current_graph_or_null();
void mark_graph_shown();
void discard_graph();
// Replaces the current graph (used after reading a graph file).
void set_current_graph(std::unique_ptr<Graph> g);

}  // namespace kj::graphics
