#!/usr/bin/env python3
"""Opens the graph files that Kj writes in real viewers and checks the pixels.

A Kj program draws a thick red line across the middle of the paper, a text
and a time series, and saves the graph as EPS, PDF, SVG, full-page
PostScript and PNG (EPS once more in black and white). Ghostscript renders
EPS, PS and PDF, pdftoppm the PDF and rsvg-convert the SVG (the PNG is read
as it is); each must succeed without a word on its output, and the pictures
must show red on the line, white paper in the corner and dark text where
the text was placed. pdfinfo must report the 432 x 288 point page. Two
more programs draw grid lines with a frame around the paper, and a shaded
surface, checked in rsvg-convert's (and pdftoppm's) pictures.

Usage: check_graph_viewers.py KJ_BINARY
"""
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import zlib

PROGRAM = r"""
main()
{
    SetDraw(12, 2, 0, 200, 0, 0);
    DrawPLine(0, 1000, 5000, 14000, 5000, 2);
    DrawPText(0, "Hello Grüße", 6000, 7000, 0, 700);
    DrawT(1, <1, 3, 2, 4, 3, 5>, 2000, 1, 1);
    DrawTitle(1, "Series");
    decl ok = SaveDrawWindow("g.eps") && SaveDrawWindow("g.pdf") && SaveDrawWindow("g.svg")
              && SaveDrawWindow("g.ps") && SaveDrawWindow("g.png");
    SetDraw(13, 0);
    ok = ok && SaveDrawWindow("bw.eps");
    println(ok ? "saved" : "failed");
}
"""

# Layout settings seen in the picture: a frame around the paper and grid
# lines in red (index 14, 30 units wide) behind a blue series whose x runs
# from 1 to 4, which gives inner vertical grid lines at x = 2 and 3.
LAYOUT_PROGRAM = r"""
main()
{
    SetDraw(2, 1, 0, 1);
    SetDraw(10, 14, 255, 0, 0);
    SetDraw(12, 14, 0, 100, 0, 0);
    SetDraw(6, 14, 14);
    SetDraw(10, 2, 0, 0, 255);
    Draw(0, <1, 5, 2, 4>);
    println(SaveDrawWindow("layout.svg") ? "saved" : "failed");
}
"""

# A surface peaking in the middle of the paper, shaded from white to red by
# height: its top is deep red, and the faces cover a good part of the page.
SURFACE_PROGRAM = r"""
main()
{
    decl x = range(-2, 2, 0.25);
    DrawXYZ(0, x, x, exp(-(x' .^ 2 + x .^ 2)));
    println(SaveDrawWindow("surface.svg") && SaveDrawWindow("surface.pdf") ? "saved" : "failed");
}
"""

FAILURES = []


def check(cond, what):
    if not cond:
        FAILURES.append(what)
        print("FAILED:", what)


def read_png(path):
    """(width, height, rows of (r, g, b)) of an 8-bit RGB or RGBA PNG."""
    data = open(path, "rb").read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n", path
    pos, idat, width = 8, b"", 0
    while pos < len(data):
        n, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + n]
        if kind == b"IHDR":
            width, height, depth, ctype = struct.unpack(">IIBB", body[:10])
            assert depth == 8 and ctype in (2, 6), (path, depth, ctype)
            bpp = 3 if ctype == 2 else 4
        elif kind == b"IDAT":
            idat += body
        pos += 12 + n
    raw = zlib.decompress(idat)
    stride = width * bpp
    rows, prev = [], bytearray(stride)
    for y in range(height):
        f = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - bpp] if i >= bpp else 0
            b = prev[i]
            c = prev[i - bpp] if i >= bpp else 0
            if f == 1:
                line[i] = (line[i] + a) & 255
            elif f == 2:
                line[i] = (line[i] + b) & 255
            elif f == 3:
                line[i] = (line[i] + (a + b) // 2) & 255
            elif f == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append([tuple(line[x * bpp:x * bpp + 3]) for x in range(width)])
        prev = line
    return width, height, rows


def run_viewer(cmd, label):
    r = subprocess.run(cmd, capture_output=True, text=True)
    check(r.returncode == 0, f"{label}: exit status {r.returncode}: {r.stderr}")
    check(r.stdout.strip() == "" and r.stderr.strip() == "", f"{label}: said {r.stdout!r} {r.stderr!r}")


def check_picture(path, label, line_colour, dpi=72):
    w, h, rows = read_png(path)
    k = dpi / 72  # pixels per point
    want = (round(432 * k), round(288 * k))
    check((w, h) == want, f"{label}: size {w} x {h}")
    if (w, h) != want:
        return
    # The line at 5000 of 10000 units is at 144 points from the bottom; its
    # middle is at x = 7500 units = 216 points.
    r, g, b = rows[h - round(144 * k)][round(216 * k)]
    check(line_colour(r, g, b), f"{label}: line pixel is {(r, g, b)}")
    check(rows[2][2] == (255, 255, 255), f"{label}: corner is {rows[2][2]}")
    # Text at (6000, 7000) units, 700 units high: from x 173 pt, baseline 202 pt up.
    dark = sum(1 for y in range(h - round(215 * k), h - round(200 * k)) for x in range(round(173 * k), round(260 * k))
               if sum(rows[y][x]) < 300)
    check(dark > 40 * k * k, f"{label}: {dark} dark text pixels")


def is_red(r, g, b):
    return r > 200 and g < 60 and b < 60


def is_black(r, g, b):
    return r < 60 and g < 60 and b < 60


def check_layout(kj, work):
    with open(os.path.join(work, "layout.kj"), "w", encoding="utf-8") as f:
        f.write(LAYOUT_PROGRAM)
    r = subprocess.run([kj, "-b", "layout.kj"], cwd=work, capture_output=True, text=True)
    check(r.stdout.strip() == "saved", f"kj layout: {r.stdout!r} {r.stderr!r}")
    png = os.path.join(work, "layout.png")
    run_viewer(["rsvg-convert", "-d", "72", "-p", "72", "-o", png, os.path.join(work, "layout.svg")], "rsvg layout")
    w, h, rows = read_png(png)
    row = rows[int(h * 0.4)]  # between the grid lines at y = 3 and 4
    narrow_red, run = 0, 0
    for x in range(w + 1):
        if x < w and is_red(*row[x]):
            run += 1
            continue
        narrow_red += 0 < run < 5
        run = 0
    check(narrow_red == 2, f"layout: {narrow_red} vertical grid lines across the middle row")
    check(sum(row[0]) < 3 * 250, f"layout: paper frame pixel is {row[0]}")


def check_surface(kj, work):
    with open(os.path.join(work, "surface.kj"), "w", encoding="utf-8") as f:
        f.write(SURFACE_PROGRAM)
    r = subprocess.run([kj, "-b", "surface.kj"], cwd=work, capture_output=True, text=True)
    check(r.stdout.strip() == "saved", f"kj surface: {r.stdout!r} {r.stderr!r}")
    svg_png, pdf_png = os.path.join(work, "surface-svg.png"), os.path.join(work, "surface-pdf")
    run_viewer(["rsvg-convert", "-d", "72", "-p", "72", "-o", svg_png, os.path.join(work, "surface.svg")], "rsvg surface")
    run_viewer(["pdftoppm", "-r", "72", "-png", "-singlefile", os.path.join(work, "surface.pdf"), pdf_png], "pdftoppm surface")
    for path in (svg_png, pdf_png + ".png"):
        w, h, rows = read_png(path)
        deep = sum(1 for y in range(h) for x in range(w) if is_red(*rows[y][x]))
        tinted = sum(1 for y in range(h) for x in range(w) if rows[y][x][0] > 200 and 60 <= rows[y][x][1] < 235)
        check(deep > 200, f"{path}: {deep} deep red pixels at the peak")
        check(tinted > 2000, f"{path}: {tinted} pink pixels on the slopes")


def main():
    kj = os.path.abspath(sys.argv[1])
    work = tempfile.mkdtemp(prefix="kj-graphs-")
    try:
        with open(os.path.join(work, "draw.kj"), "w", encoding="utf-8") as f:
            f.write(PROGRAM)
        r = subprocess.run([kj, "-b", "draw.kj"], cwd=work, capture_output=True, text=True)
        check(r.stdout.strip() == "saved", f"kj: {r.stdout!r} {r.stderr!r}")
        for name in ("g.eps", "g.pdf", "g.svg", "g.ps", "g.png", "g.gwg", "bw.eps", "bw.gwg"):
            check(os.path.exists(os.path.join(work, name)), f"{name} written")

        def at(name):
            return os.path.join(work, name)

        gs = ["gs", "-q", "-dBATCH", "-dNOPAUSE", "-dSAFER", "-sDEVICE=png16m", "-r72"]
        run_viewer(gs + ["-dEPSCrop", "-sOutputFile=" + at("eps.png"), at("g.eps")], "gs eps")
        check_picture(at("eps.png"), "gs eps", is_red)
        run_viewer(gs + ["-dEPSCrop", "-sOutputFile=" + at("bw.png"), at("bw.eps")], "gs bw eps")
        check_picture(at("bw.png"), "gs bw eps", is_black)
        run_viewer(gs + ["-sOutputFile=" + at("gspdf.png"), at("g.pdf")], "gs pdf")
        check_picture(at("gspdf.png"), "gs pdf", is_red)
        run_viewer(gs + ["-sOutputFile=" + at("ps.png"), at("g.ps")], "gs ps")
        run_viewer(["pdftoppm", "-r", "72", "-png", "-singlefile", at("g.pdf"), at("poppler")], "pdftoppm")
        check_picture(at("poppler.png"), "pdftoppm", is_red)
        run_viewer(["rsvg-convert", "-d", "72", "-p", "72", "-o", at("svg.png"), at("g.svg")], "rsvg-convert")
        check_picture(at("svg.png"), "rsvg-convert", is_red)

        check_picture(at("g.png"), "cairo png", is_red, dpi=150)

        check_layout(kj, work)
        check_surface(kj, work)

        info = subprocess.run(["pdfinfo", at("g.pdf")], capture_output=True, text=True)
        check(info.returncode == 0 and info.stderr.strip() == "", f"pdfinfo: {info.stderr}")
        check("Page size:       432 x 288 pts" in info.stdout, f"pdfinfo: {info.stdout}")
        text = subprocess.run(["pdftotext", at("g.pdf"), "-"], capture_output=True, text=True).stdout
        check("Hello Grüße" in text, f"pdftotext: {text!r}")
    finally:
        shutil.rmtree(work, ignore_errors=True)
    if FAILURES:
        print(f"{len(FAILURES)} check(s) failed")
        return 1
    print("all viewer checks passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
