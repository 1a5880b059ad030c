#!/usr/bin/env python3
"""The built HTML site as a reader meets it.

Usage: check_site.py HTML_DIR GROUP

search: headless Chromium opens the search page from the files (no server)
with the query "invert", as the search box sends it; the first result must be
the function invert, and following its link must show the entry.
links: every internal link, picture, style sheet and script of every page
leads to a file that exists, and every #fragment to an element of that page.
"""
import html
import html.parser
import os
import re
import shutil
import subprocess
import sys
import tempfile
import urllib.parse

failures = []


def fail(case, why, out=""):
    failures.append(f"{case}: {why}\n{out[-2000:]}")


def dump_dom(url):
    """The page's document after its scripts have run, from headless Chromium."""
    chromium = shutil.which("chromium") or shutil.which("chromium-browser") or "/usr/bin/chromium"
    with tempfile.TemporaryDirectory() as profile:
        proc = subprocess.run(
            [chromium, "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
             "--disable-background-networking", "--disable-component-update", "--disable-sync",
             "--user-data-dir=" + profile, "--virtual-time-budget=20000", "--dump-dom", url],
            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=120)
    return proc.stdout.decode("utf-8", errors="replace")


class Links(html.parser.HTMLParser):
    def __init__(self):
        super().__init__()
        self.ids, self.refs, self.anchors = set(), [], []

    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        if "id" in a:
            self.ids.add(a["id"])
        if tag == "a" and "name" in a:
            self.ids.add(a["name"])
        for key in ("href", "src"):
            if key in a and a[key] is not None:
                self.refs.append(a[key])
        if tag == "a" and "href" in a:
            self.anchors.append(a["href"])


def parse(path):
    p = Links()
    with open(path, encoding="utf-8", errors="replace") as f:
        p.feed(f.read())
    return p


def group_search(root):
    search = os.path.join(root, "search.html")
    dom = dump_dom("file://" + search + "?q=invert")
    m = re.search(r'<ul class="search">(.*?)</ul>', dom, re.S)
    if not m:
        fail("search", "no search results on the page", dom)
        return
    results = re.findall(r'<a href="([^"]+)"[^>]*>(.*?)</a>', m.group(1), re.S)
    text = re.sub("<[^>]+>", "", results[0][1]).replace("&gt;", ">").strip() if results else ""
    if text.split(" > ")[-1] != "invert":
        fail("search", "the first result is not invert: " + str(results[:5]), dom)
        return
    target = urllib.parse.urljoin("file://" + search, results[0][0])
    page = dump_dom(target)
    fragment = urllib.parse.urlparse(target).fragment
    if fragment and f'id="{fragment}"' not in page:
        fail("search", f"the result's page has no element {fragment}", page)
    text = html.unescape(re.sub(r"<[^>]+>", "", page))
    if "invert(const ma);" not in text or "The inverse of a square matrix" not in text:
        fail("search", "the result's page does not show the entry of invert", page)


def group_links(root):
    pages = {}
    for folder, _, names in os.walk(root):
        for n in names:
            if n.endswith(".html"):
                pages[os.path.normpath(os.path.join(folder, n))] = None
    if len(pages) < 10:
        fail("links", f"only {len(pages)} pages in {root}")
    for path in sorted(pages):
        pages[path] = parse(path)
    checked = 0
    for path, p in pages.items():
        for ref in p.refs:
            u = urllib.parse.urlparse(ref)
            if u.scheme or ref.startswith("//"):
                continue
            target = os.path.normpath(os.path.join(os.path.dirname(path), urllib.parse.unquote(u.path))) \
                if u.path else path
            checked += 1
            if not os.path.exists(target):
                fail("links", f"{os.path.relpath(path, root)}: {ref} leads nowhere")
            elif u.fragment and target in pages and u.fragment not in pages[target].ids:
                fail("links", f"{os.path.relpath(path, root)}: {ref} names no element of its page")
    if checked < 1000:
        fail("links", f"only {checked} links checked")


def main():
    groups = {"search": group_search, "links": group_links}
    if len(sys.argv) != 3 or sys.argv[2] not in groups:
        print(__doc__)
        return 2
    root = os.path.abspath(sys.argv[1])
    if not os.path.exists(os.path.join(root, "index.html")):
        print(f"FAIL no site in {root}: build it with make docs")
        return 1
    groups[sys.argv[2]](root)
    for f in failures:
        print("FAIL", f)
    print(f"{sys.argv[2]}: {len(failures)} failure(s)")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
