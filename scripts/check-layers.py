#!/usr/bin/env python3
"""Checks that the folders under src/ depend on each other in one direction only.

Every `#include "folder/file.h"` line in src/ is compared with the layer order
below: a file may include headers of its own folder and of folders on a lower
level, never of a folder on its own level or above. The few upward includes
that remain are listed in ALLOWED, each with the reason it is still there.

Usage: scripts/check-layers.py [SRC_DIR]   (exit status 1 on any violation)
"""
import os
import re
import sys

# Lower numbers are lower layers. Folders on one level do not include each other.
LEVELS = {
    "platform": 0,                        # the operating system: libraries, processes, memory
    "num": 1, "data": 1,                  # numerics; dates, periods and data sets
    "runtime": 2,                         # host state and callbacks, settings, errors, allocation
    "value": 3,                           # the value record, matrix blocks, the matrix cache
    "link": 4,                            # instruction set, object files, linking
    "compiler": 5, "vm": 5,               # source to p-code; the engine that runs it
    "lib": 6,                             # built-in functions, printing and files
    "graphics": 7,
    "api": 8,                             # the exported C interface and the driver
    "host": 9, "jupyter": 9, "lsp": 9,    # the console program; the Jupyter kernel; the language server
}

# (including file relative to src/, included header) -> why the upward include stays.
ALLOWED: dict = {
    # (including file, included header): reason. Empty: every include runs downward.
}

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')


def folder_of(path):
    return path.split("/", 1)[0]


def main():
    src = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "src")
    src = os.path.normpath(src)
    errors = []
    used = set()
    for root, _, files in os.walk(src):
        for name in sorted(files):
            if not name.endswith((".h", ".cpp", ".c", ".def", ".inc")):
                continue
            path = os.path.join(root, name)
            rel = os.path.relpath(path, src).replace(os.sep, "/")
            here = folder_of(rel)
            if here not in LEVELS:
                errors.append(f"{rel}: folder '{here}' has no level in scripts/check-layers.py")
                continue
            with open(path, encoding="utf-8", errors="replace") as f:
                for number, line in enumerate(f, 1):
                    m = INCLUDE.match(line)
                    if not m or "/" not in m.group(1):
                        continue
                    header = m.group(1)
                    there = folder_of(header)
                    if there == here or there not in LEVELS:
                        continue
                    if LEVELS[there] < LEVELS[here]:
                        continue
                    if (rel, header) in ALLOWED:
                        used.add((rel, header))
                        continue
                    errors.append(f"{rel}:{number}: '{here}' (level {LEVELS[here]}) includes "
                                  f"\"{header}\" (level {LEVELS[there]})")
    for entry in sorted(set(ALLOWED) - used):
        errors.append(f"allow-list entry no longer needed: {entry[0]} -> {entry[1]}")
    for e in errors:
        print(e)
    if errors:
        print(f"{len(errors)} layering problem(s); the order is "
              "platform -> num, data -> runtime -> value -> link -> compiler, vm -> lib -> "
              "graphics -> api -> host")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
