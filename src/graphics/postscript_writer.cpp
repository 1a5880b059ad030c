// Encapsulated and full-page PostScript. The page is drawn in paper units;
// EpsPage scales them to points, FullPage fits the paper on a printer page.
#include <cmath>

#include "graphics/file_text.h"
#include "graphics/page_canvas.h"
#include "graphics/scene.h"
#include "graphics/text_metrics.h"
#include "graphics/writers.h"

namespace kj::graphics {

int page_height_points(const Graph& g) { return g.paper_height() * 432 / k_paper_width; }

namespace {

const PageOperators k_ps_ops = {"Mto", "Lto", "curveto", "closepath", "stroke", "fill",
                                "setrgbcolor", "setrgbcolor", "setlinewidth", "[%d %d] 0 setdash", "[] 0 setdash"};

class PostScriptCanvas : public PageCanvas {
public:
    explicit PostScriptCanvas(std::string& out) : PageCanvas(out, k_ps_ops) {}
    void text(double x, double y, const std::string& utf8, int font, int size, int align, int rotation,
              uint32_t colour) override {
        const std::vector<TextRun> runs = text_runs(utf8, font);
        if (runs.empty()) return;
        set_fill_colour(colour);
        if (runs.size() == 1) {  // T measures and aligns it
            out("%d /F%d Font %s %.1f %.1f %d %.1f T\n", size, page_font(runs[0].face, font, 9),
                page_string(runs[0].bytes).c_str(), x, y, rotation, align * 0.5);
            return;
        }
        // Runs in several fonts, shown one after the other.
        if (rotation == 360) rotation = 0, align = AL_Right;
        const double shift = text_width(utf8, font, size) * align * 0.5;
        out("gsave %.1f %.1f translate %d rotate %.1f 0 moveto", x, y, rotation, shift > 0 ? -shift : 0.0);
        for (const TextRun& r : runs)
            out(" %d /F%d Font %s show", size, page_font(r.face, font, 9), page_string(r.bytes).c_str());
        out(" grestore\n");
    }
};

const char* const k_prolog = R"(%functions
/X 0 def /Y 0 def /Rot 0 def /tabX 0 def /tabW 0 def /colW 0 def
/Slt { Ltp 0 setdash Lwd setlinewidth } def
/Solid { [] 0 setdash } def
/Mto { moveto } def /Lto { lineto } def
/mt { moveto } def /lt { lineto } def
/Rt { rmoveto } def /Rlt { rlineto } def
/BgnPath { newpath } def /EndPath { stroke } def
/Width { setlinewidth } def
/SymBox { /H exch def /W exch def /Y exch def /X exch def newpath X W 2 div sub Y H 2 div sub moveto
  W 0 rlineto 0 H rlineto W neg 0 rlineto closepath } def
/SymTriUp { /H exch def /W exch def /Y exch def /X exch def newpath X W 2 div sub Y H 2 div sub moveto
  W 0 rlineto W 2 div neg H rlineto closepath } def
/SymTri { /H exch def /W exch def /Y exch def /X exch def newpath X W 2 div sub Y H 2 div add moveto
  W 0 rlineto W 2 div neg H neg rlineto closepath } def
/SymCross { /H exch def /W exch def /Y exch def /X exch def newpath X W 2 div sub Y H 2 div sub moveto
  W H rlineto 0 H neg rmoveto W neg H rlineto } def
/SymPlus { /H exch def /W exch def /Y exch def /X exch def newpath X W 2 div sub Y moveto W 0 rlineto
  X Y H 2 div sub moveto 0 H rlineto } def
/SymDiam { /H exch def /W exch def /Y exch def /X exch def newpath X Y H 2 div sub moveto
  W 2 div H 2 div rlineto W 2 div neg H 2 div rlineto W 2 div neg H 2 div neg rlineto closepath } def
/SymCirc { /H exch def /W exch def /Y exch def /X exch def newpath matrix currentmatrix
  X Y translate W 2 div H 2 div scale 0 0 1 0 360 arc setmatrix closepath } def
/SymDash { /H exch def /W exch def /Y exch def /X exch def newpath X W 2 div sub Y moveto W 0 rlineto } def
/FillStr { gsave fill grestore } def
/Fill { fill } def
/FillBox { SymBox fill } def /Box { SymBox stroke } def
/Boxto { /Y2 exch def /X2 exch def /Y exch def /X exch def newpath X Y moveto X2 Y lineto X2 Y2 lineto
  X Y2 lineto closepath stroke } def
/FillBoxto { /Y2 exch def /X2 exch def /Y exch def /X exch def newpath X Y moveto X2 Y lineto X2 Y2 lineto
  X Y2 lineto closepath fill } def
/Plus { SymPlus stroke } def
/FillCir { SymCirc fill } def /Circle { SymCirc stroke } def
/Dash { SymDash stroke } def /Cross { SymCross stroke } def
/FillDiam { SymDiam fill } def /Diam { SymDiam stroke } def
/FillTri { SymTri fill } def /Tri { SymTri stroke } def
/FillTriUp { SymTriUp fill } def /TriUp { SymTriUp stroke } def
% string x y rotation alignment (0 left, 0.5 centre, 1 right) T; a rotation of 360 is right-aligned
/T { /Al exch def /Rot exch def /Y exch def /X exch def
  Rot 360 eq { /Rot 0 def /Al 1 def } if
  gsave X Y translate Rot rotate dup stringwidth pop Al mul neg 0 moveto show grestore } def
/Text { 0 0 T } def
/tb0 { /tabX exch def } def /tb1 { /tabW exch def } def /tb2 { /colW exch def } def
/tb3 { tabX tabW colW mul add } def
/A4 { /ptX 595.3 def /ptY 841.9 def } def
/Letter { /ptX 612 def /ptY 792 def } def
/ISOLatin1 { findfont dup length dict begin { 1 index /FID ne { def } { pop pop } ifelse } forall
  /Encoding ISOLatin1Encoding def currentdict end definefont pop } def
/Font { findfont exch scalefont setfont } def
/FullPage { Landscape 1 eq { /pw ptY def /ph ptX def } { /pw ptX def /ph ptY def } ifelse
  /sc pw 17000 div ph PaperH 2000 add div 2 copy gt { exch } if pop def
  Landscape 1 eq { 90 rotate 0 ptX neg translate } if
  pw 15000 sc mul sub 2 div ph PaperH sc mul sub 2 div translate sc sc scale } def
/EpsPage { 0.0288 0.0288 scale } def
)";

}  // namespace

std::string postscript_text(const Graph& g, bool full_page, int colour_model) {
    const LayoutSettings& s = settings();
    const int model = colour_model > 3 || colour_model < 0 ? s.colormodel : colour_model;
    std::string o;
    append_format(o,
                  "%%!PS-Adobe-2.0%s\n%%%%BoundingBox: 0 0 432 %d\n%%%%Creator: Kj graphics\n%%%%Pages: 0\n"
                  "%%%%EndComments\n\n",
                  full_page ? "" : " EPSF-2.0", page_height_points(g));
    o += k_prolog;
    append_format(o, "/PaperH %d def\n", g.paper_height());
    o += "%lines\n";
    for (int i = 0; i < k_colour_count; ++i) {
        const LineSetting& l = model <= 1 ? s.line_bw[i] : s.line[i];
        int on = l.on, off = l.off;
        if (l.type == 1) on = off = 35;
        if (l.type == 2) on = off = 70;
        if (l.type == 3) on = 160, off = 80;
        if (l.type == 0) on = off = 0;
        if (on == 0 && off == 0)
            append_format(o, "/Linetype%d [ ] def", i);
        else
            append_format(o, "/Linetype%d [%d %d] def", i, on, off);
        append_format(o, "  /Linewidth%d %d def\n", i, l.width);
    }
    o += "%fonts\n/F0 /Times-Roman ISOLatin1\n/F1 /Symbol findfont definefont pop\n/F2 /Times-Bold ISOLatin1\n"
         "/F3 /Times-Italic ISOLatin1\n/F4 /Times-BoldItalic ISOLatin1\n/F5 /Helvetica ISOLatin1\n"
         "/F6 /Courier ISOLatin1\n/F7 /Times-Roman ISOLatin1\n/F8 /Times-Roman ISOLatin1\n/F9 /Times-Roman ISOLatin1\n";
    o += "%colors\n/BWG 16 array def /Gray 16 array def /RGB 16 array def\n";
    for (int i = 0; i < k_colour_count; ++i) {
        const uint32_t c = s.colour[i];
        const double grey = (0.3 * red_of(c) + 0.59 * green_of(c) + 0.11 * blue_of(c)) / 255.0;
        const double bwg = i == 0 ? 1.0 : i < 8 ? 0.0 : grey;
        append_format(o, "BWG %2d %.2f put  Gray %2d %.2f put  RGB %2d [%.2f %.2f %.2f] put\n", i, bwg, i, grey, i,
                      red_of(c) / 255.0, green_of(c) / 255.0, blue_of(c) / 255.0);
    }
    append_format(o,
                  "%% color models: 0 black/white, 1 black/white/gray, 2 gray, 3 color\n/ColorModel %d def\n"
                  "/SetColor { ColorModel 3 eq { RGB exch get aload pop setrgbcolor }\n"
                  "  { ColorModel 2 eq { Gray } { BWG } ifelse exch get setgray } ifelse } def\n"
                  "/FillColor { SetColor } def\n",
                  model);
    append_format(o,
                  "%%init\nsave\n1 setlinejoin\n280 /F0 Font\n10 setlinewidth\n/Ltp Linetype1 def\n"
                  "/Lwd Linewidth1 def\n/User { /ptX %d def /ptY %d def} def\n"
                  "%% Page selection: EpsPage draws at 0.0288 point per unit (encapsulated);\n"
                  "%% for a printer page use the second line with A4, Letter or User and /Landscape 0 or 1.\n",
                  s.printpage[2], s.printpage[3]);
    static const char* const pages[] = {"A4", "Letter", "User"};
    const char* page = pages[s.printpage[0] >= 0 && s.printpage[0] <= 2 ? s.printpage[0] : 0];
    append_format(o, "%sEpsPage\n%s%s /Landscape %d def  FullPage\n", full_page ? "%" : "", full_page ? "" : "%",
                  page, s.printpage[1] == 1 ? 1 : 0);
    PostScriptCanvas c(o);
    c.set_height(g.paper_height());
    render(g, c, model);
    o += "restore\nshowpage\n%%EOF\n";
    return o;
}

bool write_postscript(const Graph& g, const std::string& path, bool full_page, int colour_model) {
    return save_file(path, postscript_text(g, full_page, colour_model));
}

}  // namespace kj::graphics
