#!/usr/bin/env python3
"""Renders three-dimensional graphs through real viewers and checks the pixels.

A surface z = x * y over the unit square is seen from straight above, once
as it is and once turned by 90 degrees, and saved as SVG and PDF.
rsvg-convert and pdftoppm render them. Seen from above, the box is a square
of 7301 units in the middle of the plot rectangle less the room for labels
(its corners at 4377.5, 1498 and 11678.5, 8799 units, i.e. 126.07, 43.14
and 336.34, 253.41 points): the
highest cell (x and y near 1) must be deep red at the top right, the lowest
nearly white at the bottom left, and the other way round across the page
after the turn (the peak at the top left). The tick labels stand under the
box, and pdftotext finds them and the axis titles.

Usage: check_graph_3d_viewers.py KJ_BINARY
"""
import os
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import check_graph_viewers as viewers  # noqa: E402

PROGRAM = r"""
#include <kjstd.kjh>
main()
{
    decl x = range(0, 1, 0.1);
    DrawXYZ(0, x, x, x' .* x);
    DrawText(0, "east", 0, 0, -1, -1, TEXT_XLABEL);
    DrawText(0, "north", 0, 0, -1, -1, TEXT_YLABEL);
    DrawAdjust(ADJ_AREA_3D, 0, 0, 90);
    decl ok = SaveDrawWindow("top.svg") && SaveDrawWindow("top.pdf");
    DrawAdjust(ADJ_AREA_3D, 0, 90);
    ok = ok && SaveDrawWindow("turned.svg") && SaveDrawWindow("turned.pdf");
    println(ok ? "saved" : "failed");
}
"""

BOX = (126.07, 43.14, 336.34, 253.41)  # left, bottom, right, top in points


def pixel(rows, fx, fy):
    """The pixel at fractions fx, fy of the box (from its bottom left), 72 dpi."""
    left, bottom, right, top = BOX
    x = round(left + fx * (right - left))
    y = round(bottom + fy * (top - bottom))
    return rows[288 - y][x]


def is_pale(r, g, b):
    return min(r, g, b) > 225


def check_picture(path, label, turned):
    w, h, rows = viewers.read_png(path)
    viewers.check((w, h) == (432, 288), f"{label}: size {w} x {h}")
    if (w, h) != (432, 288):
        return
    # Centres of the top-right (0.95, 0.95) and bottom-left (0.15, 0.15)
    # cells; turned by 90 degrees, (x, y) shows at (1 - y, x).
    peak = pixel(rows, 0.05, 0.95) if turned else pixel(rows, 0.95, 0.95)
    low = pixel(rows, 0.85, 0.15) if turned else pixel(rows, 0.15, 0.15)
    viewers.check(viewers.is_red(*peak), f"{label}: peak pixel is {peak}")
    viewers.check(is_pale(*low), f"{label}: low corner pixel is {low}")
    other = pixel(rows, 0.95, 0.95) if turned else pixel(rows, 0.05, 0.95)
    viewers.check(not viewers.is_red(*other), f"{label}: the other top corner is {other}")
    # Tick labels in a band from 5 to 16 points under the box (the title
    # stands farther down); without them the band is white.
    dark = sum(1 for y in range(288 - round(BOX[1] - 5), 288 - round(BOX[1] - 16))
               for x in range(round(BOX[0]) - 10, round(BOX[2]) + 10) if sum(rows[y][x]) < 300)
    viewers.check(dark > 25, f"{label}: {dark} dark pixels of tick labels under the box")


def main():
    kj = os.path.abspath(sys.argv[1])
    work = tempfile.mkdtemp(prefix="kj-graphs-3d-")
    try:
        with open(os.path.join(work, "solid.kj"), "w", encoding="utf-8") as f:
            f.write(PROGRAM)
        r = subprocess.run([kj, "-b", "solid.kj"], cwd=work, capture_output=True, text=True)
        viewers.check(r.stdout.strip() == "saved", f"kj: {r.stdout!r} {r.stderr!r}")
        for name in ("top", "turned"):
            at = os.path.join(work, name)
            viewers.run_viewer(["rsvg-convert", "-d", "72", "-p", "72", "-o", at + "-svg.png", at + ".svg"],
                               f"rsvg {name}")
            check_picture(at + "-svg.png", f"rsvg {name}", name == "turned")
            viewers.run_viewer(["pdftoppm", "-r", "72", "-png", "-singlefile", at + ".pdf", at + "-pdf"],
                               f"pdftoppm {name}")
            check_picture(at + "-pdf.png", f"pdftoppm {name}", name == "turned")
            text = subprocess.run(["pdftotext", at + ".pdf", "-"], capture_output=True, text=True).stdout
            for word in ("east", "north", "0.0", "0.4", "1.0"):
                viewers.check(word in text, f"pdftotext {name}: no {word!r} in {text!r}")
    finally:
        shutil.rmtree(work, ignore_errors=True)
    if viewers.FAILURES:
        print(f"{len(viewers.FAILURES)} check(s) failed")
        return 1
    print("all 3-D viewer checks passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
