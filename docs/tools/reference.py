"""The reference files, docs/reference/*.md: one family of functions each.

A family file starts with "# Title" and a few paragraphs on the family. Each
entry starts with "## name" (the name a program calls) and holds, in order:

    ```decl               the declaration (one line per form)
    A sentence on what the function does, then more text.
    Arguments:            a list of the arguments, their types and shapes
    Returns:              the result
    Errors:               warnings, errors and what comes back then
    Example:              a ```kj (or ```gauss) block, an optional ```input
                          block, and the ```output block it prints
    See also:             names of other entries, separated by commas

A ```kj example is a list of statements run in main() with <kjstd.kjh>
included, unless it defines main itself; a ```gauss example is a GAUSS
program. The library's #help reads the same files (src/api/help_reference.cpp).
"""
import os
import re

FENCE = re.compile(r"^\s*```\s*(\S*).*$")
LABELS = ("Arguments:", "Returns:", "Errors:", "Example:")


class Example:
    def __init__(self, lang, code, line):
        self.lang, self.code, self.line = lang, code, line
        self.input = ""
        self.output = None


class Entry:
    def __init__(self, name, family, line):
        self.name, self.family, self.line = name, family, line
        self.body = []          # the Markdown lines after the heading
        self.decl = ""
        self.examples = []
        self.see_also = []

    def text(self):
        return "\n".join(self.body)


class Family:
    def __init__(self, path):
        self.path = path
        self.id = os.path.splitext(os.path.basename(path))[0]
        self.title = self.id
        self.intro = []
        self.entries = []
        self.preamble = Entry("(introduction)", self, 1)   # holds the examples of the intro


def parse_family(path):
    fam = Family(path)
    with open(path, encoding="utf-8") as f:
        lines = f.read().split("\n")
    entry = None
    block = None            # (kind, first line, lines) of an open fenced block
    for number, line in enumerate(lines, 1):
        m = FENCE.match(line)
        if block is None and not m:
            if line.startswith("## "):
                entry = Entry(line[3:].strip(), fam, number)
                fam.entries.append(entry)
                continue
            if line.startswith("# "):
                fam.title = line[2:].strip()
                continue
            if entry is None:
                fam.intro.append(line)
                continue
            if line.startswith("See also:"):
                entry.see_also += [n.strip() for n in line[9:].split(",") if n.strip()]
        if entry is not None:
            entry.body.append(line)
        elif block is not None or m:
            fam.intro.append(line)
        if m and block is None:
            block = (m.group(1), number, [])
        elif m:
            kind, first, content = block
            block = None
            holder = entry if entry is not None else fam.preamble
            text = "\n".join(content) + ("\n" if content else "")
            if kind == "decl":
                holder.decl = text
            elif kind in ("kj", "gauss"):
                holder.examples.append(Example(kind, text, first))
            elif kind == "input" and holder.examples:
                holder.examples[-1].input = text
            elif kind == "output" and holder.examples:
                holder.examples[-1].output = text
        elif block is not None:
            block[2].append(line)
    if block is not None:
        raise ValueError(f"{path}:{block[1]}: fenced block not closed")
    return fam


def load(folder):
    return [parse_family(os.path.join(folder, n)) for n in sorted(os.listdir(folder)) if n.endswith(".md")]


def problems(entry, known):
    """What an entry lacks: its parts, an output for each example, known names in See also."""
    out = []
    text = entry.text()
    if not entry.decl.strip():
        out.append("no declaration")
    for label in LABELS:
        if not re.search(r"^" + re.escape(label), text, re.M):
            out.append(f"no '{label}' part")
    if not entry.examples:
        out.append("no example")
    for ex in entry.examples:
        if ex.output is None:
            out.append(f"example at line {ex.line} has no output block")
    for name in entry.see_also:
        if name not in known:
            out.append(f"See also names '{name}', which has no entry")
    return out
