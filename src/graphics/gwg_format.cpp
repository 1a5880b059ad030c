// The native graph file: plain text, a header line, the graph-level lines and
// one block per drawing object. Doubles are written with "%.16g" so that a
// graph read back writes the same bytes again.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <type_traits>
#include <variant>

#include "graphics/file_text.h"
#include "graphics/writers.h"
#include "runtime/messages.h"

namespace kj::graphics {

namespace {

constexpr int k_version = 11;

// Keys in the order that gives them their numbers; 25 ends a block.
const char* const k_keys[] = {"z",    "yr",   "freq",  "symbol", "scale",  "index", "reg",     "zmode",   "label",
                              "grid", "set",  "bar",   "pset",   "wset",   "wsetx", "wsety",   "wsetz",   "rot",
                              "3d",   "3dview", "box", "palette", "anchor2", "contour", "idxbar"};
enum Key : int {
    KY_Z, KY_Yr, KY_Freq, KY_Symbol, KY_Scale, KY_Index, KY_Reg, KY_Zmode, KY_Label, KY_Grid, KY_Set, KY_Bar,
    KY_Pset, KY_Wset, KY_Wsetx, KY_Wsety, KY_Wsetz, KY_Rot, KY_3d, KY_3dview, KY_Box, KY_Palette, KY_Anchor2,
    KY_Contour, KY_Idxbar, KY_End
};
constexpr int k_key_count = 25;

// A name as written between double quotes, which it cannot hold: its own
// double quotes become single ones.
std::string quotable(std::string name) {
    std::replace(name.begin(), name.end(), '"', '\'');
    return name;
}

void put_vector(std::string& s, const std::string& name, const std::vector<double>& v) {
    append_format(s, " \"%s\" %zu\n", quotable(name).c_str(), v.size());
    if (v.empty()) return;
    s += " <";
    for (std::size_t i = 0; i < v.size(); ++i) {
        if (i > 0 && i % 4 == 0) s += "\n  ";
        if (std::isnan(v[i]))
            s += " . ";
        else
            append_format(s, " %.16g", v[i]);
    }
    s += " >\n";
}

void put_ints(std::string& s, const char* key, const int* v, int n) {
    append_format(s, " %s:", key);
    for (int k = 0; k < n; ++k) append_format(s, k ? " %d" : "%d", v[k]);
    s += ";\n";
}

void put_doubles(std::string& s, const char* key, const double* v, int n) {
    append_format(s, " %s:", key);
    for (int k = 0; k < n; ++k) append_format(s, " %.16g", v[k]);
    s += ";\n";
}

void put_interval(std::string& s, const char* key, const Interval& r) {
    const double v[2] = {r.lo, r.hi};
    put_doubles(s, key, v, 2);
}

void put_symbol(std::string& s, const SymbolSpec& sym) {
    const int v[3] = {sym.type, sym.size, sym.style};
    put_ints(s, "symbol", v, 3);
}

// A surface over a grid: the x and y vectors, then the z name with the x and
// y counts and one line "x y z" per grid point, row by row; or scattered
// points as three vectors. Points drawn as symbols keep their symbol line.
void put_surface(std::string& s, const DrawObject& d, const XYObject& o) {
    const bool mesh = o.form == XY_Mesh;
    append_format(s, "%s(%d,%d,%d)\n{\n", mesh ? "mesh" : "triangle", d.area, d.index, o.colour);
    put_vector(s, o.x.name, o.x.v);
    put_vector(s, o.y.name, o.y.v);
    if (mesh) {
        append_format(s, " \"%s\" %zu %zu\n <", quotable(o.z.name).c_str(), o.x.v.size(), o.y.v.size());
        for (std::size_t k = 0; k < o.z.v.size(); ++k) {
            const double v[3] = {o.x.v[k % o.x.v.size()], o.y.v[k / o.x.v.size()], o.z.v[k]};
            for (const double x : v) {
                if (std::isnan(x))
                    s += " . ";
                else
                    append_format(s, " %.16g", x);
            }
            s += "\n";
        }
        s += " >\n";
    } else {
        put_vector(s, o.z.name, o.z.v);
    }
    put_ints(s, "palette", &o.palette, 1);
    if (o.symbol.style != ST_Line) put_symbol(s, o.symbol);
}

// Each writes the head and the keys of one object, or returns false when the
// object is not written.
bool put(std::string& s, const DrawObject& d, const XYObject& o) {
    if (o.form != XY_Plain) {
        put_surface(s, d, o);
        return true;
    }
    append_format(s, "xvec(%d,%d,%d)\n{\n", d.area, d.index, o.colour);
    put_vector(s, o.y.name, o.y.v);
    put_vector(s, o.x.name, o.x.v);
    append_format(s, " %.16g %.16g\n", o.xstart, o.xstep);
    if (o.y_range) put_interval(s, "yr", *o.y_range);
    if (o.freq != 0) put_ints(s, "freq", &o.freq, 1);
    put_symbol(s, o.symbol);
    if (o.scale_factor != 1 || o.scale_shift != 0) {
        const double scale[2] = {o.scale_factor, o.scale_shift};
        put_doubles(s, "scale", scale, 2);
    }
    if (o.index_base) put_doubles(s, "index", &*o.index_base, 1);
    if (!o.z.v.empty()) {
        s += " z:";
        put_vector(s, o.z.name, o.z.v);
        put_ints(s, "zmode", &o.zmode, 1);
        if (zmode_has_factor(o.zmode)) append_format(s, " bar: %.16g %d %d;\n", o.z_factor, 0, 0);
    }
    return true;
}

bool put(std::string& s, const DrawObject& d, const AxisObject& o) {
    append_format(s, "axis(%d,%d)\n{\n %c", d.area, d.index, o.dir);
    if (const auto& a = o.fixed)
        append_format(s, " %.16g %.16g %.16g %.16g %.16g %.16g %d", a->min, a->max, a->step, a->first, a->anchor,
                      a->small_step, a->type);
    s += ";\n";
    put_doubles(s, "anchor2", &o.anchor2, 1);
    const int label[3] = {o.shown, o.label_freq, o.anchor_mode};
    put_ints(s, "label", label, 3);
    put_ints(s, "grid", o.grid.data(), 3);
    put_ints(s, "set", o.set.data(), 7);
    put_ints(s, "rot", &o.rot, 1);
    return true;
}

bool put(std::string& s, const DrawObject& d, const LineObject& o) {
    append_format(s, "line(%d,%d,%d)\n{\n", d.area, d.index, o.symbol);
    if (o.pixel) {
        const int pset[5] = {o.paper.x1, o.paper.y1, o.paper.x2, o.paper.y2, o.colour};
        put_ints(s, "pset", pset, 5);
    } else {
        if (o.z) put_interval(s, "wsetz", *o.z);
        append_format(s, " wset: %.16g %.16g %.16g %.16g %d;\n", o.x1, o.y1, o.x2, o.y2, o.colour);
    }
    return true;
}

bool put(std::string& s, const DrawObject& d, const HistObject& o) {
    append_format(s, "hist(%d,%d,%d)\n{\n", d.area, d.index, o.colour);
    put_vector(s, "", o.values);
    append_format(s, " %.16g %.16g %.16g %.16g %.16g %.16g %d\n", o.first_edge, o.bar_width, o.kept[0], o.kept[1],
                  o.kept[2], o.kept[3], o.fill);
    return true;
}

bool put(std::string& s, const DrawObject& d, const AreaObject& o) {
    append_format(s, "area(%d,%d)\n{\n", d.area, d.index);
    if (const auto& p = o.paper) {
        const int pset[4] = {p->x1, p->y1, p->x2, p->y2};
        put_ints(s, "pset", pset, 4);
    }
    if (o.world_x) put_interval(s, "wsetx", *o.world_x);
    if (o.world_y) put_interval(s, "wsety", *o.world_y);
    if (o.world_z) put_interval(s, "wsetz", *o.world_z);
    if (const auto& b = o.box3) {
        const double v[4] = {b->x, b->y, b->z, b->kept};
        put_doubles(s, "3d", v, 4);
    }
    if (const auto& w = o.view3) {
        const double v[4] = {w->rotation, w->elevation, w->distance, w->zoom};
        put_doubles(s, "3dview", v, 4);
    }
    return true;
}

bool put(std::string& s, const DrawObject& d, const TextObject& o) {
    if (o.text.empty()) return false;
    append_format(s, "text(%d,%d)\n{\n %d %d %zu$", d.area, d.index, o.x, o.y, o.text.size());
    s += o.text;
    s += ";\n";
    const int set[3] = {o.font, o.size, o.role};
    put_ints(s, "set", set, 3);
    if (o.world) {
        const double w[2] = {o.wx, o.wy};
        put_doubles(s, "wset", w, 2);
        if (o.z) put_doubles(s, "wsetz", &*o.z, 1);
    }
    if (o.rot != 0) put_ints(s, "rot", &o.rot, 1);
    return true;
}

bool put(std::string& s, const DrawObject& d, const LegendObject& o) {
    append_format(s, "legend(%d,%d)\n{\n %d %d %d;\n", d.area, d.index, o.x, o.y, o.hidden);
    const int set[4] = {o.columns, o.automatic, o.kept[0], o.kept[1]};
    put_ints(s, "set", set, 4);
    return true;
}

void put_object(std::string& s, const DrawObject& d) {
    if (std::visit([&](const auto& o) { return put(s, d, o); }, d.body)) s += "}\n";
}

// A cursor over the file text.
class Reader {
public:
    explicit Reader(const std::string& t) : m_t(t) {}

    bool at_end() {
        skip_space();
        return m_p >= m_t.size();
    }
    void skip_space() {
        while (m_p < m_t.size() && std::isspace(static_cast<unsigned char>(m_t[m_p]))) ++m_p;
    }
    bool peek(char c) {
        skip_space();
        return m_p < m_t.size() && m_t[m_p] == c;
    }
    bool take(char c) {
        if (!peek(c)) return false;
        ++m_p;
        return true;
    }
    bool integer(int& v) {
        skip_space();
        const char* b = m_t.c_str() + m_p;
        char* e;
        const long x = std::strtol(b, &e, 10);
        if (e == b) return false;
        m_p += static_cast<std::size_t>(e - b);
        v = static_cast<int>(x);
        return true;
    }
    // A double, or "." for a missing value.
    bool number(double& v) {
        skip_space();
        if (m_p < m_t.size() && m_t[m_p] == '.' &&
            (m_p + 1 >= m_t.size() || !std::isdigit(static_cast<unsigned char>(m_t[m_p + 1])))) {
            ++m_p;
            v = NAN;
            return true;
        }
        const char* b = m_t.c_str() + m_p;
        char* e;
        v = std::strtod(b, &e);
        if (e == b) return false;
        m_p += static_cast<std::size_t>(e - b);
        return true;
    }
    bool ints(int* v, int n) {
        for (int k = 0; k < n; ++k)
            if (!integer(v[k])) return false;
        return true;
    }
    bool doubles(double* v, int n) {
        for (int k = 0; k < n; ++k)
            if (!number(v[k])) return false;
        return true;
    }
    // A word of at most `most` characters from the set.
    std::string word(const char* set, std::size_t most) {
        skip_space();
        std::string w;
        while (m_p < m_t.size() && w.size() < most && std::strchr(set, m_t[m_p]) && m_t[m_p]) w += m_t[m_p++];
        return w;
    }
    bool vector(std::string& name, std::vector<double>& v) {
        if (!take('"')) return false;
        const std::size_t close = m_t.find('"', m_p);
        if (close == std::string::npos) return false;
        name = m_t.substr(m_p, close - m_p);
        m_p = close + 1;
        int n;
        if (!integer(n) || n < 0 || !could_hold(static_cast<std::size_t>(n))) return false;
        v.assign(static_cast<std::size_t>(n), 0.0);
        if (n == 0) return true;
        if (!take('<')) return false;
        for (double& x : v)
            if (!number(x)) return false;
        return take('>');
    }
    // The text up to (not including) the character `end`.
    std::string word_until(char end) {
        const std::size_t close = m_t.find(end, m_p);
        const std::size_t stop = close == std::string::npos ? m_t.size() : close;
        std::string w = m_t.substr(m_p, stop - m_p);
        m_p = stop;
        return w;
    }
    bool bytes(std::size_t n, std::string& out) {
        if (m_p + n > m_t.size()) return false;
        out = m_t.substr(m_p, n);
        m_p += n;
        return true;
    }
    // Skips past the next ';' (true) or stops before a '}' (false).
    bool skip_value() {
        while (m_p < m_t.size()) {
            if (m_t[m_p] == '}') return false;
            if (m_t[m_p++] == ';') return true;
        }
        return false;
    }
    void skip_block() {
        const std::size_t close = m_t.find('}', m_p);
        m_p = close == std::string::npos ? m_t.size() : close + 1;
    }
    std::size_t pos() const { return m_p; }
    // Whether the rest of the text is long enough for n numbers (each takes
    // at least two characters), so that a count in a damaged file cannot
    // make the reader allocate more than the file could fill.
    bool could_hold(std::size_t n) const { return n <= (m_t.size() - std::min(m_p, m_t.size())) / 2; }

private:
    const std::string& m_t;
    std::size_t m_p = 0;
};

enum class Outcome { Ok, Failed, EndOfFile, BadAxis };

// The grid of a surface: x and y vectors, then the z name, the x and y
// counts and their product of "x y z" lines, of which z is kept.
bool read_mesh(Reader& r, XYObject& o) {
    if (!r.vector(o.x.name, o.x.v) || !r.vector(o.y.name, o.y.v) || !r.take('"')) return false;
    const std::string name = r.word_until('"');
    int cols = 0, rows = 0;
    if (!r.take('"') || !r.integer(cols) || !r.integer(rows) || cols != static_cast<int>(o.x.v.size()) ||
        rows != static_cast<int>(o.y.v.size()) || cols == 0 || rows == 0 ||
        !r.could_hold(3 * static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols)) || !r.take('<'))
        return false;
    o.z.name = name;
    o.z.v.assign(static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols), 0.0);
    for (double& z : o.z.v) {
        double xy[2];
        if (!r.doubles(xy, 2) || !r.number(z)) return false;
    }
    o.mesh_cols = cols;
    return r.take('>');
}

bool read_interval(Reader& r, std::optional<Interval>& v) {
    double d[2];
    if (!r.doubles(d, 2)) return false;
    v = Interval{d[0], d[1]};
    return true;
}

// The data part of each kind, before the keys.
bool read_body(Reader& r, XYObject& o) {
    if (o.form == XY_Triangle)
        return r.vector(o.x.name, o.x.v) && r.vector(o.y.name, o.y.v) && r.vector(o.z.name, o.z.v) &&
               o.x.v.size() == o.y.v.size() && o.x.v.size() == o.z.v.size() && !o.x.v.empty();
    if (o.form == XY_Mesh) return read_mesh(r, o);
    return r.vector(o.y.name, o.y.v) && r.vector(o.x.name, o.x.v) && r.number(o.xstart) && r.number(o.xstep);
}

bool read_body(Reader& r, AxisObject& o) {
    const std::string d = r.word("xyz", 1);
    if (d.empty()) return false;
    o.dir = d[0];
    if (!r.peek(';')) {
        FixedAxis& a = o.fixed.emplace();
        double v[6];
        if (!r.doubles(v, 6) || !r.integer(a.type)) return false;
        a.min = v[0], a.max = v[1], a.step = v[2], a.first = v[3], a.anchor = v[4], a.small_step = v[5];
    }
    return r.take(';');
}

bool read_body(Reader& r, HistObject& o) {
    std::string name;
    double v[6];
    if (!r.vector(name, o.values) || !r.doubles(v, 6) || !r.integer(o.fill)) return false;
    o.first_edge = v[0], o.bar_width = v[1];
    std::copy_n(v + 2, 4, o.kept.begin());
    return true;
}

bool read_body(Reader& r, TextObject& o) {
    int len;
    if (!r.integer(o.x) || !r.integer(o.y) || !r.integer(len) || len < 0 || !r.take('$')) return false;
    return r.bytes(static_cast<std::size_t>(len), o.text) && r.take(';');
}

bool read_body(Reader& r, LegendObject& o) {
    return r.integer(o.x) && r.integer(o.y) && r.integer(o.hidden) && r.take(';');
}

bool read_body(Reader&, LineObject&) { return true; }
bool read_body(Reader&, AreaObject&) { return true; }

// The keys of each kind; false when its values could not be read. A key
// that does not belong to the kind is skipped.
bool read_key(Reader& r, XYObject& o, int key) {
    switch (key) {
    case KY_Yr: return read_interval(r, o.y_range);
    case KY_Freq: return r.integer(o.freq);
    case KY_Symbol: return r.integer(o.symbol.type) && r.integer(o.symbol.size) && r.integer(o.symbol.style);
    case KY_Scale: return r.number(o.scale_factor) && r.number(o.scale_shift);
    case KY_Index: return r.number(o.index_base.emplace());
    case KY_Z: return r.vector(o.z.name, o.z.v);
    case KY_Zmode: return r.integer(o.zmode);
    case KY_Bar: {
        int unused[2];
        return r.number(o.z_factor) && r.ints(unused, 2);
    }
    case KY_Palette: return r.integer(o.palette);
    default: return false;
    }
}

bool read_key(Reader& r, AxisObject& o, int key) {
    switch (key) {
    case KY_Label: return r.integer(o.shown) && r.integer(o.label_freq) && r.integer(o.anchor_mode);
    case KY_Grid: return r.ints(o.grid.data(), 3);
    case KY_Set: return r.ints(o.set.data(), 7);
    case KY_Rot: return r.integer(o.rot);
    case KY_Anchor2: return r.number(o.anchor2);
    default: return false;
    }
}

bool read_key(Reader& r, LineObject& o, int key) {
    switch (key) {
    case KY_Pset:
        o.pixel = true;
        return r.integer(o.paper.x1) && r.integer(o.paper.y1) && r.integer(o.paper.x2) && r.integer(o.paper.y2) &&
               r.integer(o.colour);
    case KY_Wset: return r.number(o.x1) && r.number(o.y1) && r.number(o.x2) && r.number(o.y2) && r.integer(o.colour);
    case KY_Wsetz: return read_interval(r, o.z);
    default: return false;
    }
}

bool read_key(Reader& r, AreaObject& o, int key) {
    switch (key) {
    case KY_Pset: {
        PaperBox& p = o.paper.emplace();
        return r.integer(p.x1) && r.integer(p.y1) && r.integer(p.x2) && r.integer(p.y2);
    }
    case KY_Wsetx: return read_interval(r, o.world_x);
    case KY_Wsety: return read_interval(r, o.world_y);
    case KY_Wsetz: return read_interval(r, o.world_z);
    case KY_3d: {
        BoxShape& b = o.box3.emplace();
        return r.number(b.x) && r.number(b.y) && r.number(b.z) && r.number(b.kept);
    }
    case KY_3dview: {
        ViewSetting& v = o.view3.emplace();
        return r.number(v.rotation) && r.number(v.elevation) && r.number(v.distance) && r.number(v.zoom);
    }
    default: return false;
    }
}

bool read_key(Reader& r, TextObject& o, int key) {
    switch (key) {
    case KY_Set: return r.integer(o.font) && r.integer(o.size) && r.integer(o.role);
    case KY_Wset: o.world = true; return r.number(o.wx) && r.number(o.wy);
    case KY_Wsetz: return r.number(o.z.emplace());
    case KY_Rot: return r.integer(o.rot);
    default: return false;
    }
}

bool read_key(Reader& r, LegendObject& o, int key) {
    if (key != KY_Set) return false;
    return r.integer(o.columns) && r.integer(o.automatic) && r.ints(o.kept.data(), 2);
}

bool read_key(Reader&, HistObject&, int) { return false; }

// Whether read_key takes `key` for an object of type T.
template <class T>
bool takes_key(int key) {
    if constexpr (std::is_same_v<T, XYObject>)
        return key == KY_Yr || key == KY_Freq || key == KY_Symbol || key == KY_Scale || key == KY_Index ||
               key == KY_Z || key == KY_Zmode || key == KY_Bar || key == KY_Palette;
    else if constexpr (std::is_same_v<T, AxisObject>)
        return key == KY_Label || key == KY_Grid || key == KY_Set || key == KY_Rot || key == KY_Anchor2;
    else if constexpr (std::is_same_v<T, LineObject>)
        return key == KY_Pset || key == KY_Wset || key == KY_Wsetz;
    else if constexpr (std::is_same_v<T, AreaObject>)
        return key == KY_Pset || key == KY_Wsetx || key == KY_Wsety || key == KY_Wsetz || key == KY_3d ||
               key == KY_3dview;
    else if constexpr (std::is_same_v<T, TextObject>)
        return key == KY_Set || key == KY_Wset || key == KY_Wsetz || key == KY_Rot;
    else if constexpr (std::is_same_v<T, LegendObject>)
        return key == KY_Set;
    else
        return false;
}

template <class T>
Outcome read_block(Reader& r, T& o) {
    if (!read_body(r, o)) return r.at_end() ? Outcome::EndOfFile : Outcome::Failed;
    if constexpr (std::is_same_v<T, AxisObject>)
        if (o.fixed && !is_axis_type(o.fixed->type)) return Outcome::BadAxis;
    for (;;) {
        if (r.at_end()) return Outcome::EndOfFile;
        if (r.take('}')) return Outcome::Ok;
        const std::string key = r.word("23abcdefghijklmnopqrstuvwxyz", 20);
        if (!r.take(':')) return Outcome::Failed;
        int k = 0;
        while (k < k_key_count && key != k_keys[k]) ++k;
        if (k == KY_Z && !takes_key<T>(k)) {  // a vector another kind does not keep
            std::string name;
            std::vector<double> v;
            if (!r.vector(name, v)) return r.at_end() ? Outcome::EndOfFile : Outcome::Failed;
            continue;
        }
        if (k == k_key_count || !takes_key<T>(k)) {  // not ours: skip its values (a '}' ends the block)
            r.skip_value();
            continue;
        }
        if (!read_key(r, o, k)) return r.at_end() ? Outcome::EndOfFile : Outcome::Failed;
        if (k != KY_Z) r.take(';');  // a vector has no terminator of its own
    }
}

// An empty object of the kind a head keyword names, with the head's third
// number in its place; none for a kind this version does not draw.
std::optional<ObjectBody> body_of(const std::string& keyword, int third) {
    auto starts = [&](const char* w) { return keyword.compare(0, std::strlen(w), w) == 0; };
    if (starts("xvec") || starts("mesh") || starts("triangle")) {
        XYObject o;
        o.form = starts("mesh") ? XY_Mesh : starts("triangle") ? XY_Triangle : XY_Plain;
        o.colour = third;
        return o;
    }
    if (starts("axis")) return AxisObject{};
    if (starts("area")) return AreaObject{};
    if (starts("line")) {
        LineObject o;
        o.symbol = third;
        return o;
    }
    if (starts("hist")) {
        HistObject o;
        o.colour = third;
        return o;
    }
    if (starts("text")) return TextObject{};
    if (starts("legend")) return LegendObject{};
    return std::nullopt;
}

}  // namespace

std::string gwg_text(const Graph& g) {
    std::string s;
    append_format(s, "Norvantic %d %d %d\n", k_version, g.layout[0], g.layout[1]);
    if (g.paper_percent != 100) append_format(s, "paper(%d,%d)\n", k_paper_width, g.paper_height());
    if (g.color[0] != 0 || g.color[1] != 0) append_format(s, "color(%d,%d)\n", g.color[0], g.color[1]);
    append_format(s, "box(%d,%d)\nmode(%d,%d)\n", g.box[0], g.box[1], g.mode[0], g.mode[1]);
    for (const DrawObject& o : g.objects) put_object(s, o);
    return s;
}

bool write_gwg(const Graph& g, const std::string& path) { return save_file(path, gwg_text(g)); }

std::unique_ptr<Graph> parse_gwg(const std::string& text) {
    char magic[32] = {};
    int version = 0, l0 = 0, l1 = 0;
    if (std::sscanf(text.c_str(), "%31s %d %d %d", magic, &version, &l0, &l1) != 4 || version < 9) {
        runtime::run_message("This is not a correct Norvantic Graphics file");
        return nullptr;
    }
    auto g = std::make_unique<Graph>();
    g->layout[0] = l0;
    g->layout[1] = l1;
    Reader r(text);
    r.word("Norvantic", 64);
    r.ints(&version, 1);
    r.ints(g->layout, 2);
    while (!r.at_end()) {
        const std::string keyword = r.word("abcdefghijklmnopqrstuvwxyz", 10);
        int a = 0, b = 0;
        if (!r.take('(') || !r.integer(a) || !r.take(',') || !r.integer(b)) {
            runtime::run_message("Could not read all graphics objects");
            return g;
        }
        int c = b;
        if (r.take(',') && !r.integer(c)) c = b;
        if (!r.take(')')) {
            runtime::run_message("Could not read all graphics objects");
            return g;
        }
        if (keyword.rfind("paper", 0) == 0) {
            g->paper_percent = std::clamp(b / 100, 10, 1000);
            continue;
        }
        if (keyword.rfind("color", 0) == 0) { g->color[0] = a, g->color[1] = b; continue; }
        if (keyword.rfind("mode", 0) == 0) { g->mode[0] = a, g->mode[1] = b; continue; }
        if (keyword.rfind("box", 0) == 0) { g->box[0] = a, g->box[1] = b; continue; }
        if (!r.take('{')) {
            runtime::run_message("Could not read all graphics objects");
            return g;
        }
        std::optional<ObjectBody> body = body_of(keyword, c);
        if (!body) {  // a kind of object this version does not draw
            r.skip_block();
            continue;
        }
        DrawObject o{a, b, std::move(*body)};
        switch (std::visit([&](auto& x) { return read_block(r, x); }, o.body)) {
        case Outcome::Ok: g->objects.push_back(std::move(o)); break;
        case Outcome::EndOfFile: runtime::run_message("Unexpected end of file"); return g;
        case Outcome::BadAxis: runtime::run_message("Unknown axis type"); return g;
        case Outcome::Failed: runtime::run_message("Could not read all graphics objects"); return g;
        }
    }
    return g;
}

std::unique_ptr<Graph> read_gwg(const std::string& path) {
    std::string text;
    if (!load_file(path, text)) return nullptr;
    return parse_gwg(text);
}

}  // namespace kj::graphics
