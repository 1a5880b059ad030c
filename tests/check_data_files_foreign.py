#!/usr/bin/env python3
"""Workbooks written by Kj in openpyxl and pandas, and the progress of large
loads and saves as the console shows it.

A Kj program writes a workbook of numbers that need all 17 digits, the
smallest and largest doubles, infinities, missing values, dates with and
without a time, and text with markup characters. openpyxl must load it
without a single warning (every warning is turned into an error), and the
values must be the ones written: numbers bit for bit, dates as date-times,
infinities as the text Kj reads back, missing values as empty cells. pandas
reads the same file to the same values.

Then, with the progress threshold lowered to a few kilobytes
(KJ_PROGRESS_BYTES), `kj -v1` saving and loading a CSV file shows a bar
redrawn in place on a terminal (a pseudo-terminal here) and ending at 100%,
and prints nothing of it when its output is a pipe.

Usage: check_data_files_foreign.py KJ_BINARY
"""
import datetime
import os
import pty
import re
import subprocess
import sys
import tempfile
import warnings

WORKBOOK = r"""
main()
{
    decl x = <0.1 + 0.2, 1e-300, 5e-324, 1.7976931348623157e308; -2.5, .Inf, -.Inf, .NaN>;
    decl days = <2451545, 2458909.75, 2415080, .NaN>;   // 2000-01-01, 2020-02-29 18:00, 1900-03-01
    println(savedata("kj.xlsx", (x | days)', {"a", "b", "c"}, 1, 1, 4, 1, 1, "", 0, <0, 0, 1>, 0));
    println(savesheet("text.xlsx", {{"name", "value"}, {"<&> \"quoted\"", 1.5}, {"café", 2}}, "Words"));
}
"""

PROGRESS = r"""
main()
{
    decl x = rann(2000, 5);
    println(savemat("big.csv", x));
    println(rows(loadmat("big.csv")));
}
"""


def run_kj(kj, folder, source, args=(), env=None):
    path = os.path.join(folder, "prog.kj")
    with open(path, "w", encoding="utf-8") as f:
        f.write(source)
    return subprocess.run([kj, "-b", *args, path], cwd=folder, capture_output=True, env=env, timeout=120)


def day(y, m, d, hours=0):
    return datetime.datetime(y, m, d) + datetime.timedelta(hours=hours)


def check_workbook(kj, folder):
    failures = []
    r = run_kj(kj, folder, WORKBOOK)
    if r.returncode != 0 or r.stdout.decode() != "1\n1\n" or r.stderr:
        return [f"kj failed: {r.stdout!r} {r.stderr!r}"]
    import openpyxl
    import pandas

    with warnings.catch_warnings():
        warnings.simplefilter("error")
        book = openpyxl.load_workbook(os.path.join(folder, "kj.xlsx"))
        text_book = openpyxl.load_workbook(os.path.join(folder, "text.xlsx"))
    rows = list(book.active.iter_rows(values_only=True))
    want = [
        ("a", "b", "c"),
        (0.30000000000000004, -2.5, day(2000, 1, 1)),
        (1e-300, "+.Inf", day(2020, 2, 29, 18)),
        (5e-324, "-.Inf", day(1900, 3, 1)),
        (1.7976931348623157e308, None, None),
    ]
    if rows != want:
        failures.append(f"openpyxl read {rows}, not {want}")
    for cell in book.active["C"][1:3]:
        if not cell.is_date:
            failures.append(f"{cell.coordinate} is no date cell ({cell.number_format})")
    sheet = text_book["Words"]
    got = [tuple(c.value for c in row) for row in sheet.iter_rows()]
    if got != [("name", "value"), ('<&> "quoted"', 1.5), ("caf\u00e9", 2)]:
        failures.append(f"openpyxl read the text sheet as {got}")

    with warnings.catch_warnings():
        warnings.simplefilter("error")
        frame = pandas.read_excel(os.path.join(folder, "kj.xlsx"))
    if list(frame.columns) != ["a", "b", "c"] or frame["a"].tolist() != [x[0] for x in want[1:]]:
        failures.append(f"pandas read {frame}")
    if frame["c"].iloc[1] != pandas.Timestamp("2020-02-29 18:00") or not pandas.isna(frame["c"].iloc[3]):
        failures.append(f"pandas read the dates as {frame['c'].tolist()}")
    return failures


def on_terminal(argv, cwd, env):
    """Runs argv with standard output and error on a pseudo-terminal; all it wrote."""
    pid, fd = pty.fork()
    if pid == 0:
        os.chdir(cwd)
        os.execve(argv[0], argv, env)
    out = b""
    while True:
        try:
            chunk = os.read(fd, 65536)
        except OSError:
            break
        if not chunk:
            break
        out += chunk
    os.waitpid(pid, 0)
    os.close(fd)
    return out.decode("utf-8", errors="replace")


def check_progress(kj, folder):
    failures = []
    env = dict(os.environ, KJ_PROGRESS_BYTES="4096")
    source = os.path.join(folder, "prog.kj")
    with open(source, "w", encoding="utf-8") as f:
        f.write(PROGRESS)
    shown = on_terminal([kj, "-b", "-v1", source], folder, env)
    lines = shown.replace("\r\n", "\n").split("\n")
    for action in ("Saving", "Loading"):
        bars = [line for line in lines if re.search(action + r" \S*big\.csv \[", line)]
        if len(bars) != 1 or not bars[0].rstrip().endswith("] 100%") or not bars[0].startswith("\r"):
            failures.append(f"no {action} bar ending at 100% on the terminal: {shown!r}")
    if "Progress:" in shown:
        failures.append(f"the raw progress message reached the terminal: {shown!r}")

    piped = subprocess.run([kj, "-b", "-v1", source], cwd=folder, capture_output=True, env=env, timeout=120)
    if piped.stdout.decode() != "1\n2000\n" or b"big.csv" in piped.stderr or b"\r" in piped.stderr:
        failures.append(f"progress shown on a pipe: {piped.stdout!r} {piped.stderr!r}")
    quiet = on_terminal([kj, "-b", source], folder, env)
    if "[" in quiet:
        failures.append(f"progress without -v: {quiet!r}")
    return failures


def main():
    if len(sys.argv) != 2:
        print(__doc__)
        return 2
    kj = os.path.abspath(sys.argv[1])
    failures = []
    with tempfile.TemporaryDirectory() as folder:
        failures += check_workbook(kj, folder)
        failures += check_progress(kj, folder)
    for f in failures:
        print("FAIL:", f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
