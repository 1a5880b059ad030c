// The native graph file: plain text, a header line, the graph-level lines and
// one block per drawing object. Doubles are written with "%.16g" so that a
// graph read back writes the same bytes again.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

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

void put_vector(std::string& s, const std::string& name, const std::vector<double>& v) {
    append_format(s, " \"%s\" %zu\n", name.c_str(), v.size());
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

// A surface over a grid: the x and y vectors, then the z name with the x and
// y counts and one line "x y z" per grid point, row by row; or scattered
// points as three vectors. Points drawn as symbols keep their symbol line.
void put_surface(std::string& s, const DrawObject& o) {
    const bool mesh = o.form == XY_Mesh;
    append_format(s, "%s(%d,%d,%d)\n{\n", mesh ? "mesh" : "triangle", o.area, o.index, o.third);
    put_vector(s, o.x.name, o.x.v);
    put_vector(s, o.y.name, o.y.v);
    if (mesh) {
        append_format(s, " \"%s\" %zu %zu\n <", o.z.name.c_str(), o.x.v.size(), o.y.v.size());
        for (std::size_t k = 0; k < o.z.v.size(); ++k) {
            const double v[3] = {o.x.v[k % o.x.v.size()], o.y.v[k / o.x.v.size()], o.z.v[k]};
            for (const double d : v) {
                if (std::isnan(d))
                    s += " . ";
                else
                    append_format(s, " %.16g", d);
            }
            s += "\n";
        }
        s += " >\n";
    } else {
        put_vector(s, o.z.name, o.z.v);
    }
    put_ints(s, "palette", &o.palette, 1);
    if (o.symbol[2] != ST_Line) put_ints(s, "symbol", o.symbol, 3);
}

void put_object(std::string& s, const DrawObject& o) {
    switch (o.kind) {
    case K_XY:
        if (o.form != XY_Plain) {
            put_surface(s, o);
            break;
        }
        append_format(s, "xvec(%d,%d,%d)\n{\n", o.area, o.index, o.third);
        put_vector(s, o.y.name, o.y.v);
        put_vector(s, o.x.name, o.x.v);
        append_format(s, " %.16g %.16g\n", o.xstart, o.xstep);
        if (o.has_yrange) put_doubles(s, "yr", o.yrange, 2);
        if (o.freq != 0) put_ints(s, "freq", &o.freq, 1);
        put_ints(s, "symbol", o.symbol, 3);
        if (o.scale[0] != 1 || o.scale[1] != 0) put_doubles(s, "scale", o.scale, 2);
        if (o.has_index_pos) put_doubles(s, "index", &o.index_pos, 1);
        if (!o.z.v.empty()) {
            s += " z:";
            put_vector(s, o.z.name, o.z.v);
            put_ints(s, "zmode", &o.zmode, 1);
            if (zmode_has_factor(o.zmode))
                append_format(s, " bar: %.16g %d %d;\n", o.z_factor, 0, 0);
        }
        break;
    case K_Axis:
        append_format(s, "axis(%d,%d)\n{\n %c", o.area, o.index, o.dir);
        if (!o.automatic)
            append_format(s, " %.16g %.16g %.16g %.16g %.16g %.16g %d", o.ax[0], o.ax[1], o.ax[2], o.ax[3], o.ax[4],
                          o.ax[5], o.axis_type);
        s += ";\n";
        put_doubles(s, "anchor2", &o.anchor2, 1);
        put_ints(s, "label", o.label, 3);
        put_ints(s, "grid", o.grid, 3);
        put_ints(s, "set", o.set, 7);
        put_ints(s, "rot", &o.rot, 1);
        break;
    case K_Line:
        append_format(s, "line(%d,%d,%d)\n{\n", o.area, o.index, o.third);
        if (o.pixel) {
            put_ints(s, "pset", o.pset, 5);
        } else {
            if (o.has_z3) put_doubles(s, "wsetz", o.z3, 2);
            append_format(s, " wset: %.16g %.16g %.16g %.16g %d;\n", o.wset[0], o.wset[1], o.wset[2], o.wset[3],
                          o.wset_index);
        }
        break;
    case K_Hist:
        append_format(s, "hist(%d,%d,%d)\n{\n", o.area, o.index, o.third);
        put_vector(s, "", o.values);
        append_format(s, " %.16g %.16g %.16g %.16g %.16g %.16g %d\n", o.hist[0], o.hist[1], o.hist[2], o.hist[3],
                      o.hist[4], o.hist[5], o.hist_fill);
        break;
    case K_Area:
        append_format(s, "area(%d,%d)\n{\n", o.area, o.index);
        if (o.pixel) put_ints(s, "pset", o.pset, 4);
        if (o.has_world_x) put_doubles(s, "wsetx", o.world_x, 2);
        if (o.has_world_y) put_doubles(s, "wsety", o.world_y, 2);
        if (o.has_world_z) put_doubles(s, "wsetz", o.world_z, 2);
        if (o.has_box3) put_doubles(s, "3d", o.box3, 4);
        if (o.has_view3) put_doubles(s, "3dview", o.view3, 4);
        break;
    case K_Text:
        if (o.text.empty()) return;
        append_format(s, "text(%d,%d)\n{\n %d %d %zu$", o.area, o.index, o.pos[0], o.pos[1], o.text.size());
        s += o.text;
        s += ";\n";
        put_ints(s, "set", o.text_set, 3);
        if (o.world_text) put_doubles(s, "wset", o.text_world, 2);
        if (o.world_text && o.has_z3) put_doubles(s, "wsetz", o.z3, 1);
        if (o.rot != 0) put_ints(s, "rot", &o.rot, 1);
        break;
    case K_Legend:
        append_format(s, "legend(%d,%d)\n{\n %d %d %d;\n", o.area, o.index, o.pos[0], o.pos[1], o.legend_flag);
        put_ints(s, "set", o.legend_set, 4);
        break;
    default: return;
    }
    s += "}\n";
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
    // Whether the rest of the text could hold n numbers (a count is believed
    // only that far, so that a damaged one cannot ask for any memory).
    bool could_hold(std::size_t n) const { return n <= m_t.size() - m_p; }

private:
    const std::string& m_t;
    std::size_t m_p = 0;
};

enum class Outcome { Ok, Failed, EndOfFile, BadAxis };

// The grid of a surface: x and y vectors, then the z name, the x and y
// counts and their product of "x y z" lines, of which z is kept.
bool read_mesh(Reader& r, DrawObject& o) {
    if (!r.vector(o.x.name, o.x.v) || !r.vector(o.y.name, o.y.v) || !r.take('"')) return false;
    const std::string name = r.word_until('"');
    int cols = 0, rows = 0;
    if (!r.take('"') || !r.integer(cols) || !r.integer(rows) || cols != static_cast<int>(o.x.v.size()) ||
        rows != static_cast<int>(o.y.v.size()) || cols == 0 || rows == 0 ||
        !r.could_hold(static_cast<std::size_t>(rows) * static_cast<std::size_t>(cols)) || !r.take('<'))
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

// The head's data part, before the keys.
bool read_body(Reader& r, DrawObject& o) {
    switch (o.kind) {
    case K_XY:
        if (o.form == XY_Triangle)
            return r.vector(o.x.name, o.x.v) && r.vector(o.y.name, o.y.v) && r.vector(o.z.name, o.z.v) &&
                   o.x.v.size() == o.y.v.size() && o.x.v.size() == o.z.v.size() && !o.x.v.empty();
        if (o.form == XY_Mesh) return read_mesh(r, o);
        return r.vector(o.y.name, o.y.v) && r.vector(o.x.name, o.x.v) && r.number(o.xstart) && r.number(o.xstep);
    case K_Axis: {
        const std::string d = r.word("xyz", 1);
        if (d.empty()) return false;
        o.dir = d[0];
        if (!r.peek(';')) {
            if (!r.doubles(o.ax, 6) || !r.integer(o.axis_type)) return false;
            o.automatic = false;
        }
        return r.take(';');
    }
    case K_Hist:
        return r.vector(o.y.name, o.values) && r.doubles(o.hist, 6) && r.integer(o.hist_fill);
    case K_Text: {
        int len;
        if (!r.ints(o.pos, 2) || !r.integer(len) || len < 0 || !r.take('$')) return false;
        return r.bytes(static_cast<std::size_t>(len), o.text) && r.take(';');
    }
    case K_Legend:
        return r.ints(o.pos, 2) && r.integer(o.legend_flag) && r.take(';');
    default: return true;
    }
}

bool read_key(Reader& r, DrawObject& o, int key) {
    switch (key) {
    case KY_Yr: o.has_yrange = true; return r.doubles(o.yrange, 2);
    case KY_Freq: return r.integer(o.freq);
    case KY_Symbol: return r.ints(o.symbol, 3);
    case KY_Scale: return r.doubles(o.scale, 2);
    case KY_Index: o.has_index_pos = true; return r.number(o.index_pos);
    case KY_Z: return r.vector(o.z.name, o.z.v);
    case KY_Zmode: return r.integer(o.zmode);
    case KY_Bar: {
        int unused[2];
        return r.number(o.z_factor) && r.ints(unused, 2);
    }
    case KY_Label: return r.ints(o.label, 3);
    case KY_Grid: return r.ints(o.grid, 3);
    case KY_Set:
        if (o.kind == K_Axis) return r.ints(o.set, 7);
        if (o.kind == K_Legend) return r.ints(o.legend_set, 4);
        return r.ints(o.text_set, 3);
    case KY_Pset:
        o.pixel = true;
        return r.ints(o.pset, o.kind == K_Area ? 4 : 5);
    case KY_Wset:
        if (o.kind == K_Text) {
            o.world_text = true;
            return r.doubles(o.text_world, 2);
        }
        return r.doubles(o.wset, 4) && r.integer(o.wset_index);
    case KY_Wsetx: o.has_world_x = true; return r.doubles(o.world_x, 2);
    case KY_Wsety: o.has_world_y = true; return r.doubles(o.world_y, 2);
    case KY_Wsetz:
        if (o.kind == K_Area) {
            o.has_world_z = true;
            return r.doubles(o.world_z, 2);
        }
        if (o.kind != K_Line && o.kind != K_Text) return r.skip_value() || true;
        o.has_z3 = true;
        return r.doubles(o.z3, o.kind == K_Line ? 2 : 1);
    case KY_3d: o.has_box3 = true; return r.doubles(o.box3, 4);
    case KY_3dview: o.has_view3 = true; return r.doubles(o.view3, 4);
    case KY_Rot: return r.integer(o.rot);
    case KY_Anchor2: return r.number(o.anchor2);
    case KY_Palette: return r.integer(o.palette);
    default: return r.skip_value() || true;  // kept for older files, not used here
    }
}

Outcome read_block(Reader& r, DrawObject& o) {
    if (!read_body(r, o)) return r.at_end() ? Outcome::EndOfFile : Outcome::Failed;
    if (o.kind == K_Axis && !is_axis_type(o.axis_type)) return Outcome::BadAxis;
    for (;;) {
        if (r.at_end()) return Outcome::EndOfFile;
        if (r.take('}')) return Outcome::Ok;
        const std::string key = r.word("23abcdefghijklmnopqrstuvwxyz", 20);
        if (!r.take(':')) return Outcome::Failed;
        int k = 0;
        while (k < k_key_count && key != k_keys[k]) ++k;
        if (k == k_key_count) {  // not ours: skip its values (a '}' ends the block)
            r.skip_value();
            continue;
        }
        if (!read_key(r, o, k)) return r.at_end() ? Outcome::EndOfFile : Outcome::Failed;
        if (k != KY_Z) r.take(';');  // a vector has no terminator of its own
    }
}

int kind_of(const std::string& keyword) {
    static const struct {
        const char* word;
        int kind;
    } kinds[] = {{"xvec", K_XY}, {"mesh", K_XY}, {"triangle", K_XY}, {"axis", K_Axis}, {"area", K_Area},
                 {"line", K_Line}, {"hist", K_Hist}, {"text", K_Text}, {"legend", K_Legend}};
    for (const auto& k : kinds)
        if (keyword.compare(0, std::strlen(k.word), k.word) == 0) return k.kind;
    return -1;
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
        const int kind = kind_of(keyword);
        if (kind < 0) {  // a kind of object this version does not draw
            r.skip_block();
            continue;
        }
        DrawObject o;
        o.kind = kind;
        o.area = a;
        o.index = b;
        o.third = c;
        o.form = keyword.rfind("mesh", 0) == 0 ? XY_Mesh : keyword.rfind("triangle", 0) == 0 ? XY_Triangle : XY_Plain;
        switch (read_block(r, o)) {
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
