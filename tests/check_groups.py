"""The command line shared by the check scripts that run one group of cases:
`script.py path/to/kj GROUP`. Each group is a function of the program's path
and a temporary folder that appends what went wrong to a list of failures."""
import os
import sys
import tempfile


def run_group(doc, groups, failures):
    if len(sys.argv) != 3 or sys.argv[2] not in groups:
        print(doc)
        print("groups:", ", ".join(groups))
        return 2
    kj = os.path.abspath(sys.argv[1])
    with tempfile.TemporaryDirectory() as tmp:
        groups[sys.argv[2]](kj, tmp)
    for f in failures:
        print("FAIL", f)
    print(f"{sys.argv[2]}: {len(failures)} failure(s)")
    return 1 if failures else 0
