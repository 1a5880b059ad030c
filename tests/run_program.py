#!/usr/bin/env python3
"""Runs one Kj program through the console program and compares its output.

Usage: run_program.py KJ PROGRAM.kj [--update]

The expected output is PROGRAM.out beside the program: everything the run
prints (standard output and standard error, in order). A first line of the form
`// args: -w0 -v1` gives extra switches placed before the file name; a line
`// exit: N` gives the expected exit status (default 0). A line
`// address space: N MB` runs the program under that address-space limit
(as `ulimit -v` would; skipped, status 77, under the address sanitizer), and
`// seconds: N` fails a run that takes longer (default 50). With --update the
expected file is rewritten from the run (review it like code).
"""
import difflib
import os
import re
import resource
import subprocess
import sys


def main():
    if len(sys.argv) < 3:
        print(__doc__)
        return 2
    kj, program = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    update = "--update" in sys.argv[3:]
    with open(program, encoding="utf-8", errors="replace") as f:
        head = f.read()
    args = []
    m = re.search(r"^//\s*args:(.*)$", head, re.M)
    if m:
        args = m.group(1).split()
    want_exit = 0
    m = re.search(r"^//\s*exit:\s*(-?\d+)", head, re.M)
    if m:
        want_exit = int(m.group(1))
    limit = None
    m = re.search(r"^//\s*address space:\s*(\d+)\s*MB", head, re.M)
    if m:
        limit = int(m.group(1)) << 20
    if limit and os.environ.get("KJ_TEST_SANITIZED"):
        print("skipped: no address-space limit under the address sanitizer")
        return 77
    seconds = 50
    m = re.search(r"^//\s*seconds:\s*(\d+)", head, re.M)
    if m:
        seconds = int(m.group(1))

    def limit_address_space():
        resource.setrlimit(resource.RLIMIT_AS, (limit, limit))

    folder = os.path.dirname(program)
    try:
        proc = subprocess.run([kj, "-b"] + args + [os.path.basename(program)], cwd=folder,
                              stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=seconds,
                              preexec_fn=limit_address_space if limit else None)
    except subprocess.TimeoutExpired:
        print(f"no end within {seconds} s")
        return 1
    got = proc.stdout.decode("utf-8", errors="replace").replace("\r\n", "\n")
    expected_path = os.path.splitext(program)[0] + ".out"
    if update:
        with open(expected_path, "w", encoding="utf-8") as f:
            f.write(got)
        return 0
    try:
        with open(expected_path, encoding="utf-8") as f:
            want = f.read()
    except FileNotFoundError:
        print(f"missing expected output {expected_path}; run with --update and review it")
        print(got)
        return 1
    ok = True
    if got != want:
        ok = False
        sys.stdout.writelines(difflib.unified_diff(want.splitlines(True), got.splitlines(True),
                                                   "expected", "actual"))
    if proc.returncode != want_exit:
        ok = False
        print(f"exit status {proc.returncode}, expected {want_exit}")
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
