#!/usr/bin/env python3
"""Builds the HTML site: the guide and task chapters, the function reference
made from docs/reference/, and the pictures of the graphs chapter drawn by Kj.

Usage: build_site.py KJ DOCS_DIR OUT_DIR

OUT_DIR/src receives the Sphinx source (docs/site/, the generated reference
pages, the graph programs and the PNG files they write); OUT_DIR/html the site.
Sphinx warnings are errors.
"""
import os
import re
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import reference  # noqa: E402

LABEL = re.compile(r"^(Arguments|Returns|Errors|Example|See also):")


def heading(name):
    return re.sub(r"([_*])", r"\\\1", name)


def role(name):
    return "{kjfunc}`" + name + "`"


def entry_page(entry):
    """The MyST text of one entry: a heading, a search target, the body."""
    out = [f"## {heading(entry.name)}", "", "```{kjfunc} " + entry.name, "```", ""]
    fence = None
    for line in entry.body:
        m = reference.FENCE.match(line)
        if m and fence is None:
            fence = m.group(1)
            lang = {"decl": "kj", "kj": "kj", "gauss": "gauss", "output": "text", "input": "text"}.get(fence, "text")
            if fence == "output":
                out.append("Output:")
                out.append("")
            elif fence == "input":
                out.append("Input:")
                out.append("")
            out.append("```" + lang)
            continue
        if m:
            fence = None
            out.append("```")
            continue
        if fence is None and line.startswith("See also:"):
            names = [n.strip() for n in line[9:].split(",") if n.strip()]
            out.append("**See also:** " + ", ".join(role(n) for n in names))
            continue
        if fence is None:
            line = LABEL.sub(lambda m: f"**{m.group(1)}:**", line)
        out.append(line)
    return "\n".join(out)


# The order of the families in the reference; others follow in name order.
ORDER = ["elementary", "special", "complex", "bits", "types", "comparison", "creating", "reshaping", "selecting",
         "sorting", "statistics", "linalg", "polynomials", "timeseries", "arma", "distributions", "distfamilies",
         "random", "strings", "dates", "printing", "files", "datafiles", "program", "graphics", "restrictions",
         "gauss", "gaussprocs", "packages"]


def reference_pages(families, dest):
    os.makedirs(dest, exist_ok=True)
    rank = {fid: i for i, fid in enumerate(ORDER)}
    families = sorted(families, key=lambda f: (rank.get(f.id, len(ORDER)), f.id))
    index = ["# Function reference", "",
             "Every built-in function, one page per family. At the prompt, `#help name` shows the same",
             "entry and `#apropos word` lists the entries that mention a word.", "",
             "```{toctree}", ":hidden:", ""]
    index += [fam.id for fam in families]
    index += ["```", ""]
    for fam in families:
        index.append(f"**[{fam.title}]({fam.id}.md)**: " + ", ".join(role(e.name) for e in fam.entries))
        index.append("")
        page = [f"# {fam.title}", ""] + fam.intro + [""]
        page += [entry_page(e) + "\n" for e in fam.entries]
        with open(os.path.join(dest, fam.id + ".md"), "w", encoding="utf-8") as f:
            f.write("\n".join(page))
    with open(os.path.join(dest, "index.md"), "w", encoding="utf-8") as f:
        f.write("\n".join(index))


def draw_graphs(kj, source, dest):
    """Runs each graph program in dest, where it saves its pictures."""
    os.makedirs(dest, exist_ok=True)
    for name in sorted(os.listdir(source)):
        if not name.endswith(".kj"):
            continue
        shutil.copy(os.path.join(source, name), dest)
        proc = subprocess.run([kj, "-b", name], cwd=dest, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                              timeout=300)
        if proc.returncode != 0:
            sys.stdout.write(proc.stdout.decode(errors="replace"))
            raise SystemExit(f"the graph program {name} failed")


def main():
    if len(sys.argv) != 4:
        print(__doc__)
        return 2
    kj, docs, out = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2]), os.path.abspath(sys.argv[3])
    src, html = os.path.join(out, "src"), os.path.join(out, "html")
    shutil.rmtree(src, ignore_errors=True)
    shutil.copytree(os.path.join(docs, "site"), src)
    reference_pages(reference.load(os.path.join(docs, "reference")), os.path.join(src, "reference"))
    # The sample package, which the chapter on packages shows.
    sample = os.path.join(docs, "..", "packages", "sample")
    shutil.copytree(sample, os.path.join(src, "tasks", "sample"),
                    ignore=shutil.ignore_patterns("*.so", "*.o", "build"))
    draw_graphs(kj, os.path.join(docs, "graphs"), os.path.join(src, "graphs"))
    sphinx = shutil.which("sphinx-build") or "/usr/bin/sphinx-build"
    # The doctree cache stays beside the site, not inside what is installed:
    # it holds the paths of the build tree.
    doctrees = os.path.join(out, "doctrees")
    proc = subprocess.run([sphinx, "-b", "html", "-q", "-W", "--keep-going", "-j", "2", "-d", doctrees, src, html])
    return proc.returncode


if __name__ == "__main__":
    sys.exit(main())
