#!/usr/bin/env python3
"""Parallel loops on worker threads give a serial run's answers.

Usage: check_parallel.py KJ GROUP

  same     each program of tests/parallel/ prints, with 1, 2 and 4 threads,
           exactly what its serial twin prints (the word "parallel" removed),
           errors and call traces included, with the same exit status
  sums     serial variables updated a million times hold the exact sums
  refused  what a parallel body may not do stops the run with a clear message
"""
import os
import re
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
PROGRAMS = os.path.join(HERE, "parallel")


def run(kj, source, switches=()):
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, "prog.kj")
        with open(path, "w", encoding="utf-8") as f:
            f.write(source)
        proc = subprocess.run([kj, "-b", *switches, "prog.kj"], cwd=folder, stdout=subprocess.PIPE,
                              stderr=subprocess.STDOUT, timeout=240)
    return proc.returncode, proc.stdout.decode("utf-8", errors="replace")


def serial_twin(source):
    return re.sub(r"\bparallel\s+(for|foreach)\b", r"\1", source)


def check_same(kj):
    failures = 0
    for name in sorted(os.listdir(PROGRAMS)):
        if not name.endswith(".kj"):
            continue
        with open(os.path.join(PROGRAMS, name), encoding="utf-8") as f:
            source = f.read()
        want = run(kj, serial_twin(source))
        for threads in (1, 2, 4):
            got = run(kj, source, [f"-rp{threads}"])
            if got != want:
                failures += 1
                print(f"{name} with {threads} threads differs from the serial run:")
                print(f"--- serial (status {want[0]})\n{want[1]}--- parallel (status {got[0]})\n{got[1]}")
    return failures


def check_sums(kj):
    with open(os.path.join(PROGRAMS, "serial_sums.kj"), encoding="utf-8") as f:
        source = f.read()
    # n = 10^6: count n, total n(n-1)/2, squares of i mod 7 summed.
    want = "1000000 499999500000 12999987\n"
    failures = 0
    for threads in (2, 4):
        status, out = run(kj, source, [f"-rp{threads}"])
        if status != 0 or out != want:
            failures += 1
            print(f"serial sums with {threads} threads: status {status}, got {out!r}, want {want!r}")
    return failures


REFUSED = [
    # (body, text the report must contain)
    ('print(i);', "'print' is serial: a parallel loop cannot call it"),
    ('g_total = i;', "'g_total' is a global variable: a parallel loop cannot assign it"),
    ('bump();', "'g_total' is a global variable: a parallel loop cannot assign it"),
    ('fopen("/dev/null");', "'fopen' is serial: a parallel loop cannot call it"),
]


def check_refused(kj):
    failures = 0
    for body, text in REFUSED:
        source = ("#include <kjstd.kjh>\ndecl g_total = 0;\nbump() { g_total = 1; }\n"
                  "main()\n{\n    decl i;\n    parallel for (i = 0; i < 100; ++i)\n    {\n        "
                  + body + "\n    }\n    println(\"done\");\n}\n")
        for threads in (1, 2):
            status, out = run(kj, source, [f"-rp{threads}"])
            if status == 0 or text not in out or "done" in out:
                failures += 1
                print(f"{body} with {threads} threads: status {status}, output:\n{out}")
    return failures


def main():
    if len(sys.argv) != 3:
        print(__doc__)
        return 2
    kj, group = os.path.abspath(sys.argv[1]), sys.argv[2]
    check = {"same": check_same, "sums": check_sums, "refused": check_refused}.get(group)
    if not check:
        print(__doc__)
        return 2
    return 1 if check(kj) else 0


if __name__ == "__main__":
    sys.exit(main())
