#!/usr/bin/env python3
"""Draws the gallery (examples/gallery.kj) and compares every page with its
stored picture.

Each of the five pages is saved as SVG, PDF, EPS and PNG. rsvg-convert,
pdftoppm and Ghostscript render the first three at 300 x 200 pixels, and
Kj's own 900 x 600 PNG is averaged down to that size; each picture is
compared in grey levels with tests/graphics/gallery/page-N-FORMAT.png:
the mean difference must stay under 3 levels and no more than 1.5% of the
pixels may differ by more than 64. Every text of the SVG pages is then
measured with the fonts' widths (read from src/graphics/font_metrics.cpp):
no two may overlap, and none may leave the paper.

Usage: check_graph_gallery.py KJ_BINARY [--update]
  --update writes the pictures of this run as the stored ones.
"""
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET
import zlib

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from check_graph_viewers import read_png  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
STORED = os.path.join(ROOT, "tests", "graphics", "gallery")
PAGES = 5
FORMATS = ("svg", "pdf", "eps", "png")
W, H = 300, 200
MEAN_LIMIT, FAR, FAR_SHARE = 3.0, 64, 0.015
FAILURES = []


def check(ok, what):
    if not ok:
        FAILURES.append(what)
        print("FAIL:", what)


def grey(rows):
    return [[(r * 299 + g * 587 + b * 114) // 1000 for (r, g, b) in row] for row in rows]


def shrink(rows, k):
    """Averages k x k blocks."""
    out = []
    for y in range(0, len(rows) - k + 1, k):
        line = []
        for x in range(0, len(rows[0]) - k + 1, k):
            line.append(sum(rows[y + j][x + i] for j in range(k) for i in range(k)) // (k * k))
        out.append(line)
    return out


def write_grey_png(path, rows):
    raw = b"".join(b"\x00" + bytes(row) for row in rows)
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)
    data = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", len(rows[0]), len(rows), 8, 0, 0, 0, 0))
    data += chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(data)


def read_grey_png(path):
    data = open(path, "rb").read()
    pos, idat = 8, b""
    while pos < len(data):
        n, kind = struct.unpack(">I4s", data[pos:pos + 8])
        if kind == b"IHDR":
            width, height = struct.unpack(">II", data[pos + 8:pos + 16])
        elif kind == b"IDAT":
            idat += data[pos + 8:pos + 8 + n]
        pos += 12 + n
    raw = zlib.decompress(idat)
    return [list(raw[y * (width + 1) + 1:(y + 1) * (width + 1)]) for y in range(height)]


def run(cmd):
    p = subprocess.run(cmd, capture_output=True, text=True)
    check(p.returncode == 0, f"{cmd[0]} failed: {p.stderr.strip()}")
    return p.returncode == 0


def render(work, page):
    """The grey pictures of one page, by format."""
    base = os.path.join(work, f"gallery-{page}")
    out = {}
    if run(["rsvg-convert", "-w", str(W), "-h", str(H), "-b", "white", "-o", base + "-svg.png", base + ".svg"]):
        out["svg"] = grey(read_png(base + "-svg.png")[2])
    if run(["pdftoppm", "-png", "-singlefile", "-scale-to-x", str(W), "-scale-to-y", str(H), base + ".pdf",
            base + "-pdf"]):
        out["pdf"] = grey(read_png(base + "-pdf.png")[2])
    # The EPS page is 432 x 288 points: 50 dots per inch make 300 x 200.
    if run(["gs", "-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-sDEVICE=png16m", "-r50", "-dEPSCrop",
            "-dTextAlphaBits=4", "-dGraphicsAlphaBits=4", "-sOutputFile=" + base + "-eps.png", base + ".eps"]):
        out["eps"] = grey(read_png(base + "-eps.png")[2])
    out["png"] = shrink(grey(read_png(base + ".png")[2]), 3)
    return out


def compare(name, got, want):
    if len(got) != len(want) or len(got[0]) != len(want[0]):
        check(False, f"{name}: {len(got[0])} x {len(got)} pixels, stored {len(want[0])} x {len(want)}")
        return
    diffs = [abs(a - b) for row_g, row_w in zip(got, want) for a, b in zip(row_g, row_w)]
    mean = sum(diffs) / len(diffs)
    far = sum(d > FAR for d in diffs) / len(diffs)
    print(f"{name}: mean difference {mean:.2f}, {100 * far:.2f}% far")
    check(mean < MEAN_LIMIT and far <= FAR_SHARE, f"{name} differs from the stored picture "
          f"(mean {mean:.2f}, {100 * far:.2f}% of pixels by more than {FAR})")


# Text boxes of the SVG pages -------------------------------------------------

def font_tables():
    """(widths by face, Symbol widths by code point) from the generated metrics."""
    text = open(os.path.join(ROOT, "src", "graphics", "font_metrics.cpp")).read()
    faces = text.split("k_face_widths")[1].split("};")[0]
    blocks = re.findall(r"\{([\d,\s]+)\}", faces)
    widths = [[int(v) for v in b.replace("\n", " ").split(",") if v.strip()] for b in blocks]
    symbol = {int(c, 16): int(w) for c, _, w in re.findall(r"\{0x([0-9A-F]+), (\d+), (\d+)\}", text)}
    return widths, symbol


WIDTHS, SYMBOL = font_tables()


def face_of(family, weight, style):
    if "Symbol" in family.split(",")[0]:
        return -1
    if "Sans" in family:
        return 4
    if "Mono" in family:
        return 5
    return {("normal", "normal"): 0, ("bold", "normal"): 1, ("normal", "italic"): 2,
            ("bold", "italic"): 3}[(weight, style)]


def width(text, face, size):
    em = 0
    for ch in text:
        c = ord(ch)
        slot = c - 0x20 if 0x20 <= c <= 0x7E else c - 0xA0 + 95 if 0xA0 <= c <= 0xFF else None
        if slot is not None and face >= 0:
            em += WIDTHS[face][slot]
        elif c in SYMBOL:
            em += SYMBOL[c]
        else:
            em += WIDTHS[max(face, 0)][ord("?") - 0x20]
    return em * size / 1000


def text_boxes(svg_path):
    """(left, top, right, bottom, text) of the unrotated texts, y downwards."""
    boxes = []
    ns = "{http://www.w3.org/2000/svg}"
    for t in ET.parse(svg_path).getroot().iter(ns + "text"):
        if "rotate" in t.get("transform", ""):
            continue
        size = float(t.get("font-size"))
        face = face_of(t.get("font-family"), t.get("font-weight", "normal"), t.get("font-style", "normal"))
        w = (width(t.text or "", face, size) + sum(width(s.text or "", -1, size) + width(s.tail or "", face, size)
                                                   for s in t))
        x, y = float(t.get("x")), float(t.get("y"))
        left = x - w * {"start": 0, "middle": 0.5, "end": 1}[t.get("text-anchor", "start")]
        boxes.append((left, y - 0.7 * size, left + w, y + 0.2 * size, "".join(t.itertext())))
    return boxes


def check_texts(svg_path, name):
    boxes = text_boxes(svg_path)
    for i, a in enumerate(boxes):
        check(a[0] >= 0 and a[2] <= 15000 and a[1] >= 0, f"{name}: \"{a[4]}\" leaves the paper")
        for b in boxes[i + 1:]:
            if a[0] < b[2] and b[0] < a[2] and a[1] < b[3] and b[1] < a[3]:
                check(False, f"{name}: \"{a[4]}\" overlaps \"{b[4]}\"")
    print(f"{name}: {len(boxes)} texts measured")


def main():
    if len(sys.argv) < 2:
        print(__doc__)
        return 2
    kj, update = sys.argv[1], "--update" in sys.argv[2:]
    work = tempfile.mkdtemp(prefix="kj_gallery_")
    try:
        p = subprocess.run([kj, os.path.join(ROOT, "examples", "gallery.kj"), work], capture_output=True, text=True,
                           timeout=120)
        check(p.returncode == 0 and p.stdout.count("Saved ") == PAGES, f"gallery.kj: {p.stdout}{p.stderr}")
        if update:
            os.makedirs(STORED, exist_ok=True)
        for page in range(1, PAGES + 1):
            check_texts(os.path.join(work, f"gallery-{page}.svg"), f"page {page}")
            pictures = render(work, page)
            for fmt in FORMATS:
                if fmt not in pictures:
                    continue
                stored = os.path.join(STORED, f"page-{page}-{fmt}.png")
                if update:
                    write_grey_png(stored, pictures[fmt])
                elif not os.path.exists(stored):
                    check(False, f"no stored picture {stored}")
                else:
                    compare(f"page {page} {fmt}", pictures[fmt], read_grey_png(stored))
    finally:
        shutil.rmtree(work, ignore_errors=True)
    if FAILURES:
        print(f"{len(FAILURES)} check(s) failed")
        return 1
    print("the gallery matches its stored pictures")
    return 0


if __name__ == "__main__":
    sys.exit(main())
