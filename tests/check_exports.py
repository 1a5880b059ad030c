#!/usr/bin/env python3
"""Checks the dynamic symbol table of the shared library against the header.

Usage: check_exports.py LIBRARY HEADER

Every defined dynamic symbol must be a function the header declares with
KJ_API, and every such function must be exported.
"""
import re
import subprocess
import sys


def main():
    lib, header = sys.argv[1], sys.argv[2]
    with open(header, encoding="utf-8") as f:
        text = f.read()
    declared = {m.group(1) for m in re.finditer(r"KJ_API[^;(#]*?\b([A-Za-z_]\w*)\s*\(", text)
                if not m.group(1).startswith("__")}
    out = subprocess.run(["nm", "-D", "--defined-only", lib], check=True,
                         stdout=subprocess.PIPE, text=True).stdout
    exported = set()
    for line in out.splitlines():
        parts = line.split()
        if len(parts) >= 3 and parts[1] not in ("A",):
            exported.add(parts[2].split("@")[0])
    extra = sorted(exported - declared)
    missing = sorted(declared - exported)
    for name in extra:
        print(f"exported but not part of the C interface: {name}")
    for name in missing:
        print(f"declared in the header but not exported: {name}")
    if not declared:
        print("no KJ_API declarations found")
        return 1
    return 1 if extra or missing else 0


if __name__ == "__main__":
    sys.exit(main())
