#!/usr/bin/env python3
"""The reference as the library shows it.

Usage: check_help.py KJ LIBRARY REFERENCE_DIR GROUP

entries: every function the library registers has an entry, found by the
exported SKjHelp in the help folder beside the library of the build tree, and
SKjApropos reads the same entries from the files as tools/reference.py does.
prompt: #help and #apropos at the prompt of the interactive mode and of the
debugger, and completion of #help arguments in the console's line editor.
"""
import ctypes
import os
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.path.insert(0, os.path.join(HERE, "..", "..", "tests"))
import reference  # noqa: E402
from check_groups import sanitized_host_env  # noqa: E402
from check_prompt import Terminal  # noqa: E402

failures = []
KJ, LIB, REFDIR = (os.path.abspath(a) for a in sys.argv[1:4]) if len(sys.argv) == 5 else ("", "", "")


def fail(case, why, out=""):
    failures.append(f"{case}: {why}\n{out[-3000:]}")


def names(fn, arg):
    out, state = [], 0
    while True:
        name = fn(arg, state)
        if name is None:
            return out
        out.append(name.decode())
        state = 1


def group_entries(kj, tmp):
    lib = ctypes.CDLL(LIB)
    for fn in (lib.SKjCompletionName, lib.SKjApropos):
        fn.restype, fn.argtypes = ctypes.c_char_p, [ctypes.c_char_p, ctypes.c_int]
    lib.SKjHelp.restype, lib.SKjHelp.argtypes = ctypes.c_char_p, [ctypes.c_char_p]
    # Before KjMainInit no function is registered; the help is there already.
    if not lib.SKjHelp(b"invert") or lib.SKjHelp(b"no_such_function") is not None:
        fail("help", "SKjHelp before KjMainInit")
    lib.KjMainInit()
    registered = names(lib.SKjCompletionName, b"")
    if len(registered) < 500 or "invert" not in registered:
        fail("registered", f"only {len(registered)} names from SKjCompletionName")
    missing = [n for n in registered if lib.SKjHelp(n.encode()) is None]
    if missing:
        fail("entries", f"{len(missing)} registered functions without an entry: " + ", ".join(missing))
    documented = sorted(e.name for fam in reference.load(REFDIR) for e in fam.entries)
    listed = names(lib.SKjApropos, b"")
    if sorted(set(documented)) != listed:
        fail("apropos", "SKjApropos(\"\") and the reference files name different entries: "
             + str(sorted(set(documented) ^ set(listed))[:20]))
    regression = names(lib.SKjApropos, b"REGRESSION")
    if "olsc" not in regression or "olsr" not in regression:
        fail("apropos", "REGRESSION does not find olsc and olsr: " + str(regression))
    text = lib.SKjHelp(b"invert").decode()
    if not text.startswith("invert (") or "    invert(const ma" not in text or "prints:" not in text:
        fail("help", "the entry of invert", text)
    lib.KjMainExit()


def entry_parts(name):
    for fam in reference.load(REFDIR):
        for e in fam.entries:
            if e.name == name:
                return e
    raise SystemExit(f"no entry {name}")


def run(args, cwd, typed):
    proc = subprocess.run([KJ, "-b"] + args, cwd=cwd, input=typed.encode(), stdout=subprocess.PIPE,
                          stderr=subprocess.STDOUT, timeout=60)
    return proc.stdout.decode("utf-8", errors="replace")


def shows_entry(case, out, name):
    e = entry_parts(name)
    for line in e.decl.splitlines() + e.examples[0].code.splitlines() + e.examples[0].output.splitlines():
        if line.strip() and "    " + line.rstrip() not in out:
            fail(case, f"#help {name} lacks the line {line!r}", out)
            return


def group_prompt(kj, tmp):
    out = run(["-i"], tmp, "#help invert\n#apropos regression\n#help\n#help nosuch\n#apropos\n#help linalg\n")
    shows_entry("interactive", out, "invert")
    for want in ("\nolsc ", "\nolsr ", "#apropos word", 'No help for "nosuch"', "Usage: #apropos word",
                 "Linear algebra:\n"):
        if want not in out:
            fail("interactive", f"no {want!r}", out)
    with open(os.path.join(tmp, "prog.kj"), "w") as f:
        f.write("#include <kjstd.kjh>\nmain()\n{\n    decl x = 1;\n    println(x);\n}\n")
    out = run(["-d", "prog.kj"], tmp, "#help invert\n#apropos regression\n#help\n#quit\n")
    shows_entry("debugger", out, "invert")
    for want in ("\nolsr ", "#step over", "#apropos word"):
        if want not in out:
            fail("debugger", f"no {want!r}", out)
    # Tab completes the argument of #help, a GAUSS name with its "::" too.
    home = os.path.join(tmp, "home")
    os.makedirs(home)
    t = Terminal(kj, ["-i"], tmp, home)
    t.type(b"#help inverte\t\r")
    t.type(b"#help gauss::invp\t\r")
    text = t.close()
    if "inverteps (" not in text:
        fail("editor", "#help inverte<Tab>", text)
    if "gauss::invpd (" not in text:
        fail("editor", "#help gauss::invp<Tab>", text)


def sanitized_restart():
    """The sanitized library loads into this interpreter only after the
    sanitizer's runtime: start again with it preloaded."""
    base = dict(os.environ)
    env = sanitized_host_env(base)
    if env is not base and "libasan" not in base.get("LD_PRELOAD", ""):
        os.execve(sys.executable, [sys.executable] + sys.argv, env)


def main():
    groups = {"entries": group_entries, "prompt": group_prompt}
    if len(sys.argv) != 5 or sys.argv[4] not in groups:
        print(__doc__)
        return 2
    if sys.argv[4] == "entries":
        sanitized_restart()
    with tempfile.TemporaryDirectory() as tmp:
        groups[sys.argv[4]](KJ, tmp)
    for f in failures:
        print("FAIL", f)
    print(f"{sys.argv[4]}: {len(failures)} failure(s)")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
