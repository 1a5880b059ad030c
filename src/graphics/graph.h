// The graph model: one current graph per process, made of areas and drawing
// objects, and the layout settings that the drawing requests and the writers
// read. Coordinates are paper units: the paper is 15000 units wide and
// 10000 x (height percentage / 100) high; one unit is 0.0288 point.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <optional>
#include <variant>
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

// What a text is: plain, the title or an axis label of its area, or the
// label of a group on the x axis at its world x (box plots name theirs so).
enum TextRole : int {
    TEXT_Plain = 0, TEXT_Title = 1, TEXT_XLabel = 2, TEXT_YLabel = 3, TEXT_ZLabel = 4, TEXT_Group = 5
};

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

// A range of world coordinates.
struct Interval {
    double lo = 0, hi = 0;
};

// A rectangle or a segment on the paper, in units.
struct PaperBox {
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};

// How an x-y series is drawn: symbol type and size (0: those of its index)
// and the drawing style.
struct SymbolSpec {
    int type = 0, size = 0, style = ST_Line;
};

// An x-y object: a series against implied or given x values, or a surface.
struct XYObject {
    int form = XY_Plain;
    int colour = 0;                    // colour/line index
    Series y, x, z;
    double xstart = 1, xstep = 1;      // implied x values: xstart + t * xstep
    std::optional<Interval> y_range;   // a range the y axis must cover
    int freq = 0;
    SymbolSpec symbol;
    double scale_factor = 1, scale_shift = 0;
    std::optional<double> index_base;  // base of index lines and bars
    int zmode = 0;
    double z_factor = 1;               // error bars and bands reach y +- z_factor * z
    int mesh_cols = 0;                 // mesh: x count (z is rows x cols, row by row)
    int palette = 0;                   // surfaces: palette entry of their colours
};

// A fixed axis: its range and ticks.
struct FixedAxis {
    double min = 0, max = 0;
    double step = 0;        // between labelled ticks
    double first = 0;       // first labelled tick
    double anchor = 0;      // where it crosses the other axis
    double small_step = 0;  // between small ticks
    int type = AX_Plain;
};

struct AxisObject {
    char dir = 'x';
    std::optional<FixedAxis> fixed;  // none: automatic
    double anchor2 = 0;
    int shown = 1, label_freq = 0, anchor_mode = ANCHOR_Min;
    // Kept as read and written back unchanged.
    std::array<int, 3> grid{};
    std::array<int, 7> set{};
    int rot = 0;
};

// A line, or a symbol filling the rectangle of its two ends, placed on the
// paper or in world coordinates.
struct LineObject {
    bool pixel = false;
    PaperBox paper;                            // when pixel
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;     // in world coordinates otherwise
    std::optional<Interval> z;                 // z of both ends in a three-dimensional area
    int colour = 1;                            // colour/line index
    int symbol = 0;                            // symbol type + 1, 0 for a line
};

// Bars of the given heights, `bar_width` wide from `first_edge` on.
struct HistObject {
    std::vector<double> values;
    double first_edge = 0, bar_width = 1;
    std::array<double, 4> kept{};  // further layout values of the file, written back unchanged
    int colour = 0;                // outline (and style fill) colour index
    int fill = 0;                  // interior colour index
};

// Box proportions of a three-dimensional area: the relative lengths of the
// x, y and z edges, and a fourth value kept for later use.
struct BoxShape {
    double x = 1, y = 1, z = 1, kept = 0;
};

// The view of a three-dimensional area (see scene_3d.h).
struct ViewSetting {
    double rotation = 35, elevation = 25, distance = 0, zoom = 1;
};

struct AreaObject {
    std::optional<PaperBox> paper;  // the plot rectangle, when placed
    std::optional<Interval> world_x, world_y, world_z;
    std::optional<BoxShape> box3;
    std::optional<ViewSetting> view3;
};

struct TextObject {
    int x = 0, y = 0;                    // paper position (when not in world coordinates)
    std::string text;                    // UTF-8
    int font = 0, size = 330, role = TEXT_Plain;
    bool world = false;
    double wx = 0, wy = 0;               // world position
    std::optional<double> z;             // in a three-dimensional area
    int rot = 0;
};

struct LegendObject {
    int x = 0, y = 0;                    // offset from the plot's top-left corner
    int hidden = 0;
    int columns = 0;                     // 0: those of the settings
    int automatic = 0;                   // 1: placed automatically
    std::array<int, 2> kept{};           // written back unchanged
};

using ObjectBody = std::variant<XYObject, AxisObject, LineObject, HistObject, AreaObject, TextObject, LegendObject>;

// One drawing object: its area, its position among the objects of its area
// and what it is.
struct DrawObject {
    int area = 0;
    int index = 0;
    ObjectBody body;

    // The kind number of the file format.
    int kind() const;
    template <class T>
    T* as() { return std::get_if<T>(&body); }
    template <class T>
    const T* as() const { return std::get_if<T>(&body); }
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
    DrawObject& add_object(int area, ObjectBody body);
    template <class T>
    T& add(int area, T body = {}) {
        return std::get<T>(add_object(area, std::move(body)).body);
    }
    // Calls f(T&) for each object of kind T in `area`, in order.
    template <class T, class F>
    void each(int area, F f) const {
        for (const DrawObject& o : objects)
            if (o.area == area)
                if (const T* t = o.as<T>()) f(*t);
    }
    // The first object of kind T in `area`, or null.
    template <class T>
    const T* first(int area) const {
        for (const DrawObject& o : objects)
            if (const T* t = o.as<T>(); t && o.area == area) return t;
        return nullptr;
    }
    // The last object of kind T in `area`, or null.
    template <class T>
    const T* last(int area) const {
        const T* found = nullptr;
        each<T>(area, [&](const T& t) { found = &t; });
        return found;
    }
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
