#!/usr/bin/env python3
"""Runs the examples of reference or guide files and compares what they print.

Usage: check_examples.py [--fill] KJ REFERENCE_DIR FILE.md [FILE.md ...]

Every entry of a reference file must have its parts (declaration, Arguments,
Returns, Errors, Example) and each example its output block; See also may name
only entries of REFERENCE_DIR. Each example runs through the console program
`KJ -b` in a fresh folder as example.kj (example.g for GAUSS), with the input
block on its standard input; standard output and standard error, in order,
must equal the output block. Trailing blanks of each line and blank lines at
the start and the end are not compared.

--fill writes what each example prints into its empty output block (a new
entry's); that output is then checked by hand like any other text.
"""
import difflib
import os
import re
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import reference  # noqa: E402

HEADER = "#include <kjstd.kjh>\n"


def program(example):
    """The source file an example runs as: its name and text."""
    if example.lang == "gauss":
        return "example.g", example.code
    if re.search(r"^\s*main\s*\(", example.code, re.M):
        return "example.kj", example.code if "#include" in example.code else HEADER + example.code
    return "example.kj", HEADER + "main()\n{\n" + example.code + "}\n"


def normal(text):
    return "\n".join(line.rstrip() for line in text.replace("\r\n", "\n").split("\n")).strip("\n")


def fill(path, outputs):
    """Writes the outputs, in order, into the empty output blocks of the file."""
    with open(path, encoding="utf-8") as f:
        text = f.read()
    pieces = re.split(r"(?m)^```output\n```$", text)
    if len(pieces) - 1 != len(outputs):
        raise SystemExit(f"{path}: {len(pieces) - 1} empty output blocks, {len(outputs)} examples to fill")
    out = pieces[0]
    for got, rest in zip(outputs, pieces[1:]):
        out += "```output\n" + normal(got) + "\n```" + rest
    with open(path, "w", encoding="utf-8") as f:
        f.write(out)


def run(kj, example):
    name, source = program(example)
    with tempfile.TemporaryDirectory() as tmp:
        with open(os.path.join(tmp, name), "w", encoding="utf-8") as f:
            f.write(source)
        env = dict(os.environ, KJ_BLAS_CORETYPE="default")
        if "packages/mpi/" in source and os.environ.get("KJ_TEST_SANITIZED") == "1":
            # The MPI library keeps its buffers until the process ends; the
            # leak checker would print them as the example's output.
            env["ASAN_OPTIONS"] = env.get("ASAN_OPTIONS", "") + ":detect_leaks=0"
        try:
            proc = subprocess.run([kj, "-b", name], cwd=tmp, input=example.input.encode(), env=env,
                                  stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=60)
        except subprocess.TimeoutExpired:
            return "(no output: the example ran for more than 60 seconds)"
        return proc.stdout.decode("utf-8", errors="replace")


def main():
    args = sys.argv[1:]
    filling = args[:1] == ["--fill"]
    if filling:
        args = args[1:]
    if len(args) < 3:
        print(__doc__)
        return 2
    kj, refdir, files = os.path.abspath(args[0]), args[1], args[2:]
    known = {e.name for fam in reference.load(refdir) for e in fam.entries}
    failures, count = 0, 0
    for path in files:
        fam = reference.parse_family(path)
        filled = []
        is_reference = os.path.samefile(os.path.dirname(os.path.abspath(path)), refdir)
        if is_reference and not fam.entries:
            print(f"{path}: no entries")
            failures += 1
        for entry in [fam.preamble] + fam.entries:
            where = f"{path}:{entry.line}: {entry.name}"
            for p in (reference.problems(entry, known) if is_reference and entry is not fam.preamble else []):
                print(f"{where}: {p}")
                failures += 1
            for ex in entry.examples:
                if ex.output is None:
                    continue
                count += 1
                got = run(kj, ex)
                if filling and ex.output == "":
                    filled.append(got)
                    continue
                if normal(got) != normal(ex.output):
                    failures += 1
                    print(f"{where}: the example at line {ex.line} prints something else")
                    for line in difflib.unified_diff(normal(ex.output).split("\n"), normal(got).split("\n"),
                                                     "documented", "printed", lineterm=""):
                        print(line)
        if filled:
            fill(path, filled)
    print(f"{count} examples, {failures} problem(s)")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
