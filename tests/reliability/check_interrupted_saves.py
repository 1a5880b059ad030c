#!/usr/bin/env python3
"""Saves killed half-way: for each file kind, kj saves a small matrix, then
starts saving a large one (MEGABYTES of doubles) over it and is killed with
SIGKILL while the temporary file grows. The previous file must be intact
(byte for byte; for .in7 both description and data file), and the next save
must succeed and leave no temporary file behind.

    check_interrupted_saves.py path/to/kj [megabytes] [kind...]
"""
import glob
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

KINDS = [".fmt", ".mat", ".csv", ".in7", ".xlsx"]
COLUMNS = 50


def run_kj(kj, folder, body):
    source = os.path.join(folder, "save.kj")
    with open(source, "w") as f:
        f.write("#include <kjstd.kjh>\nmain() {\n%s\n}\n" % body)
    return subprocess.run([kj, "-b", source], cwd=folder, capture_output=True, text=True, timeout=600)


def files_of(folder, target):
    """The target's files: .in7 data sets have their .bn7 beside them."""
    names = [target]
    if target.endswith(".in7"):
        names.append(target[:-4] + ".bn7")
    return names


def contents(folder, names):
    out = {}
    for n in names:
        with open(os.path.join(folder, n), "rb") as f:
            out[n] = f.read()
    return out


def temporaries(folder):
    return [p for p in glob.glob(os.path.join(folder, ".*")) if os.path.isfile(p)]


def interrupt(kj, folder, target, megabytes):
    """Starts the large save and kills kj once a temporary has grown well into
    the save; returns the bytes the temporary held, or None when the save
    ended before it could be killed."""
    elements = max(1, int(megabytes * 1048576 / 8))
    columns = max(COLUMNS, -(-elements // 1000000))  # a workbook holds 1048576 rows
    rows = max(1, elements // columns)
    source = os.path.join(folder, "big.kj")
    with open(source, "w") as f:
        f.write("#include <kjstd.kjh>\nmain() {\n  savemat(\"%s\", rann(%d, %d));\n}\n" % (target, rows, columns))
    proc = subprocess.Popen([kj, "-b", source], cwd=folder, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)
    # A quarter of the matrix's bytes (a sixteenth for the compressed
    # workbook): well inside the save.
    threshold = megabytes * 1048576 / (16 if target.endswith(".xlsx") else 4)
    try:
        while proc.poll() is None:
            for path in temporaries(folder):
                try:
                    size = os.path.getsize(path)
                except OSError:
                    continue
                if size > threshold:
                    proc.send_signal(signal.SIGKILL)
                    proc.wait()
                    return size
            time.sleep(0.001)
        return None
    finally:
        if proc.poll() is None:
            proc.kill()
            proc.wait()


def check(kj, kind, megabytes):
    folder = tempfile.mkdtemp(prefix="kj_saves_")
    target = "m" + kind
    try:
        r = run_kj(kj, folder, '  if (!savemat("%s", <1, 2; 3, 4>)) exit(1);' % target)
        if r.returncode != 0:
            return "%s: the first save failed: %s" % (kind, r.stdout + r.stderr), None
        names = files_of(folder, target)
        before = contents(folder, names)
        for _ in range(3):
            killed_at = interrupt(kj, folder, target, megabytes)
            if killed_at is not None:
                break
            # The save ended first: put the small file back and try again.
            run_kj(kj, folder, '  savemat("%s", <1, 2; 3, 4>);' % target)
            before = contents(folder, names)
        if killed_at is None:
            return "%s: never caught in the middle of a save" % kind, None
        problems = []
        if contents(folder, names) != before:
            problems.append("the previous file changed")
        left = len(temporaries(folder))
        r = run_kj(kj, folder, '  if (!savemat("%s", <5, 6; 7, 8>)) exit(1);\n'
                               '  if (!isfeq(loadmat("%s"), <5, 6; 7, 8>)) exit(2);' % (target, target))
        if r.returncode != 0:
            problems.append("the next save failed (%d): %s" % (r.returncode, r.stdout + r.stderr))
        stray = [os.path.basename(p) for p in temporaries(folder)]
        if stray:
            problems.append("temporary files after the next save: %s" % " ".join(stray))
        row = "%-6s killed with %6.1f MB written, %d temporary left, previous file %s, next save %s" % (
            kind, killed_at / 1048576.0, left, "changed" if "the previous file changed" in problems else "intact",
            "clean" if not problems else "FAILED")
        return ("%s: %s" % (kind, "; ".join(problems)) if problems else None), row
    finally:
        shutil.rmtree(folder, ignore_errors=True)


def main():
    kj = os.path.abspath(sys.argv[1])
    megabytes = float(sys.argv[2]) if len(sys.argv) > 2 else 40
    kinds = sys.argv[3:] or KINDS
    failed = False
    for kind in kinds:
        problem, row = check(kj, kind, megabytes)
        if row:
            print(row, flush=True)
        if problem:
            print("FAILED " + problem, flush=True)
            failed = True
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
