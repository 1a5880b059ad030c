// PDF: one page whose content stream is deflated; the base-14 fonts with the
// WinAnsi encoding (Latin-1 text) except Symbol.
#include <zlib.h>

#include <cmath>

#include "graphics/file_text.h"
#include "graphics/page_canvas.h"
#include "graphics/scene.h"
#include "graphics/text_metrics.h"
#include "graphics/writers.h"

namespace kj::graphics {

namespace {

const PageOperators k_pdf_ops = {"m", "l", "c", "h", "S", "f", "RG", "rg", "w", "[%d %d] 0 d", "[] 0 d"};

class PdfCanvas : public PageCanvas {
public:
    explicit PdfCanvas(std::string& out) : PageCanvas(out, k_pdf_ops) {}
    void text(double x, double y, const std::string& utf8, int font, int size, int align, int rotation,
              uint32_t colour) override {
        if (rotation == 360) rotation = 0, align = AL_Right;
        const std::vector<TextRun> runs = text_runs(utf8, font);
        if (runs.empty()) return;
        const double a = rotation * M_PI / 180, ca = std::cos(a), sa = std::sin(a);
        const double shift = text_width(utf8, font, size) * align * 0.5;
        set_fill_colour(colour);
        // Each run in its font; a run starts where the one before ended.
        for (std::size_t k = 0; k < runs.size(); ++k) {
            out(k == 0 ? "BT /F%d %d Tf" : " /F%d %d Tf", page_font(runs[k].face, font, 8), size);
            if (k == 0) out(" %.4f %.4f %.4f %.4f %.1f %.1f Tm", ca, sa, -sa, ca, x - shift * ca, y - shift * sa);
            out(" %s Tj", page_string(runs[k].bytes).c_str());
        }
        out(" ET\n");
    }
};

bool deflate_text(const std::string& in, std::string& out) {
    uLongf n = compressBound(static_cast<uLong>(in.size()));
    out.resize(n);
    if (compress2(reinterpret_cast<Bytef*>(out.data()), &n, reinterpret_cast<const Bytef*>(in.data()),
                  static_cast<uLong>(in.size()), Z_BEST_COMPRESSION) != Z_OK)
        return false;
    out.resize(n);
    return true;
}

}  // namespace

bool pdf_bytes(const Graph& g, int colour_model, std::string& pdf) {
    std::string content = "q 0.0288 0 0 0.0288 0 0 cm\n1 j\n10 w\n";
    PdfCanvas c(content);
    c.set_height(g.paper_height());
    render(g, c, colour_model);
    content += "Q\n";
    std::string packed;
    if (!deflate_text(content, packed)) return false;

    long offsets[17] = {};
    pdf = "%PDF-1.2\n%\xE2\xE3\xCF\xD3\n";
    auto object = [&](int n, const std::string& body) {
        offsets[n] = static_cast<long>(pdf.size());
        append_format(pdf, "%d 0 obj\n", n);
        pdf += body;
        pdf += "\nendobj\n";
    };
    object(1, "<< /Type /Catalog /Pages 2 0 R >>");
    object(2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>");
    std::string page;
    append_format(page,
                  "<< /Type /Page /Parent 2 0 R /Resources << /Font 4 0 R /ProcSet [/PDF /Text] >> "
                  "/MediaBox [0 0 432 %d] /Contents 5 0 R /Rotate 0 >>",
                  page_height_points(g));
    object(3, page);
    object(4, "<< /F0 10 0 R /F1 11 0 R /F2 12 0 R /F3 13 0 R /F4 14 0 R /F5 15 0 R /F6 16 0 R /F7 10 0 R "
              "/F8 10 0 R >>");
    offsets[5] = static_cast<long>(pdf.size());
    pdf += "5 0 obj\n<< /Length 6 0 R /Filter /FlateDecode >>\nstream\n";
    pdf += packed;
    pdf += "\nendstream\nendobj\n";
    object(6, std::to_string(packed.size()));
    object(7, "<< /Creator (Kj graphics) >>");
    static const char* const fonts[] = {"Times-Roman", "Symbol",    "Times-Bold", "Times-Italic",
                                        "Times-BoldItalic", "Helvetica", "Courier"};
    for (int k = 0; k < 7; ++k) {
        std::string f = std::string("<< /Type /Font /Subtype /Type1 /BaseFont /") + fonts[k];
        if (k != 1) f += " /Encoding /WinAnsiEncoding";
        object(10 + k, f + " >>");
    }
    const long xref = static_cast<long>(pdf.size());
    pdf += "xref\n0 17\n0000000000 65535 f \n";
    for (int n = 1; n < 17; ++n) {
        if (n == 8)
            append_format(pdf, "%010d 00000 f \n", 9);
        else if (n == 9)
            append_format(pdf, "%010d 00000 f \n", 0);
        else
            append_format(pdf, "%010ld 00000 n \n", offsets[n]);
    }
    append_format(pdf, "trailer\n<< /Info 7 0 R /Root 1 0 R /Size 17 >>\nstartxref\n%ld\n%%%%EOF\n", xref);
    return true;
}

bool write_pdf(const Graph& g, const std::string& path, int colour_model) {
    std::string pdf;
    return pdf_bytes(g, colour_model, pdf) && save_file(path, pdf);
}

}  // namespace kj::graphics
