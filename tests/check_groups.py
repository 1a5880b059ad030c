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


def sanitized_host_env(env):
    """A program built without the sanitizers (a C host, the Python
    interpreter) that loads the sanitized library of a `make asan` build: the
    address sanitizer's runtime must be loaded first, and the host's own
    memory is not the library's, so leaks are not checked there."""
    if os.environ.get("KJ_TEST_SANITIZED") != "1":
        return env
    import subprocess
    runtime = subprocess.run(["cc", "-print-file-name=libasan.so"], stdout=subprocess.PIPE,
                             text=True).stdout.strip()
    return dict(env, LD_PRELOAD=runtime, ASAN_OPTIONS=env.get("ASAN_OPTIONS", "") + ":detect_leaks=0")
