#!/usr/bin/env python3
"""The debugger (-d) and the interactive mode (-i) of the console program,
driven through piped input, and its line editor through a pseudo-terminal.

Usage: check_prompt.py KJ GROUP

Each case feeds typed lines and compares the whole transcript (program
output, prompts and messages on one stream, in the order they appear) with
the one a user must see. Groups: interactive, script, debugger, stepping,
scopes, interrupt, editor, terminal, listing.
"""
import os
import pty
import re
import select
import shutil
import signal
import subprocess
import sys
import time

from check_groups import run_group

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCES = os.path.join(HERE, "prompt")

failures = []


def fail(case, why, out=""):
    failures.append(f"{case}: {why}\n{out[-3000:]}")


def run(kj, args, cwd, typed, timeout=60):
    proc = subprocess.run([kj, "-b"] + args, cwd=cwd, input=typed.encode(), stdout=subprocess.PIPE,
                          stderr=subprocess.STDOUT, timeout=timeout)
    return proc.returncode, proc.stdout.decode("utf-8", errors="replace")


def transcript(kj, cwd, case, args, typed, expected):
    status, out = run(kj, args, cwd, typed)
    if out != expected:
        fail(case, "transcript differs; expected:\n" + expected + "\n--- got:", out)
    return status


# --- interactive mode ------------------------------------------------------

def group_interactive(kj, tmp):
    # Piped in, the commands show no prompts. Variables last from one
    # statement to the next; a statement left open (a loop head, an open
    # brace, a trailing operator) continues; bare expressions are printed; a
    # run-time error returns to the prompt with every variable intact.
    transcript(kj, tmp, "statements", ["-i"],
               "x = 3\ny = x * 2;\nx + y\n"
               "for (decl i = 0; i < 3; ++i)\n{\n  print(i, \" \");\n}\n"
               "z = x +\n  y\nbad = <1,2>[7];\nx + z\nbad\n\"done\"\n",
               "9\n0 1 2 Runtime error: '[7] in matrix[1][2]' index out of range\n"
               "Runtime error occurred in main (1), call trace: (1): main\n"
               "12\n"
               "Runtime error: variable has no value\n"
               "Runtime error occurred in main (1), call trace: (1): main\n"
               "done\n")
    # Showing variables; names, expressions and unknown names; all symbols.
    transcript(kj, tmp, "show", ["-i"],
               "??\nn = 7;\ns = \"ab\";\nm = <1,2;3,4>;\n?n\n?n + 1\n?nosuch\n#show s\n??\n",
               "no symbols defined\n"
               "   3 n                       int      7\n"
               "Variable name expected after ? and show;\nuse print for expressions, perhaps: println(n + 1);\n"
               "Variable \"nosuch\" not found within scope\n"
               "   4 s[2]                    string   val ab\n"
               "=== local symbols ===\n"
               "   3 n                       int      7\n"
               "   4 s[2]                    string   val ab\n"
               "   5 m[2][2]                 matrix   val \n")
    # A compile error reports and keeps what was there; #new clears it all;
    # other # words are ignored; #quit ends before the rest of the input.
    transcript(kj, tmp, "commands", ["-i"],
               "a = 1;\nb = a +* 2;\nreturn a\na\n#nonsense\n#new\na\n#quit\n\"not reached\"\n",
               "input (1): '*' out of place\nreturn is not possible at the prompt\n1\n"
               "input (1): 'a' undeclared identifier\n")
    # A mistyped name stays undeclared: what does not compile leaves nothing.
    transcript(kj, tmp, "undeclared", ["-i"], "bogus + 1\nbogus\nf(x) { return x + bogus; }\nf\n",
               "input (1): 'bogus' undeclared identifier\n" * 3 + "input (1): 'f' undeclared identifier\n")
    # A file to start with; functions from an included file, included again
    # after a change; shell commands.
    with open(os.path.join(tmp, "kj_init.kj"), "w") as f:
        f.write("decl g_start = 40;\n")
    with open(os.path.join(tmp, "more.kj"), "w") as f:
        f.write("plus2(x) { return x + 2; }\n")
    os.makedirs(os.path.join(tmp, "sub"), exist_ok=True)
    with open(os.path.join(tmp, "sub", "marker.txt"), "w") as f:
        f.write("inside sub\n")
    transcript(kj, tmp, "files", ["-i"],
               "g_start\n#include more.kj\nplus2(g_start)\n"
               "!sed -i 's/2;/20;/' more.kj\n#include more.kj\nplus2(g_start)\n!cd sub\n!cat marker.txt\n",
               "40\n42\n60\ninside sub\n")
    os.remove(os.path.join(tmp, "kj_init.kj"))
    # Without any argument but -b the console is interactive, too.
    transcript(kj, tmp, "no file", [], "1 + 1\n", "2\n")


def group_script(kj, tmp):
    # A script piped in: no banner, no prompt, the output alone on standard
    # output, each failing command's message on standard error, and the exit
    # status tells whether any command failed.
    def piped(args, typed):
        proc = subprocess.run([kj] + args, cwd=tmp, input=typed.encode(), stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, timeout=60)
        return proc.returncode, proc.stdout.decode(errors="replace"), proc.stderr.decode(errors="replace")

    script = "sq(x)\n{\n    return x * x;\n}\nsq(3)\nsq(undefined_name)\nprintln(\"after\");\n"
    status, out, err = piped(["-i"], script)
    if status != 1 or out != "9\nafter\n" or err != "input (1): 'undefined_name' undeclared identifier\n":
        fail("one error", f"status {status}; standard output {out!r}; standard error {err!r}")
    status, out, err = piped(["-i"], "x = <1, 2>;\nx[5]\n")
    if status != 1 or out != "" or not err.startswith("Runtime error: '[5] in matrix[1][2]' index out of range\n"):
        fail("run-time error", f"status {status}; standard output {out!r}; standard error {err!r}")
    for args, typed in ((["-i"], "?nosuch\n"), (["-i"], "#include missing.kj\n"), (["-i"], "!cd /no/such/folder\n")):
        status, out, err = piped(args, typed)
        if status != 1 or out != "" or not err:
            fail("failing command", f"{typed!r}: status {status}; standard output {out!r}; standard error {err!r}")
    status, out, err = piped(["-i"], "x = 2;\nx * 21\n#quit\nx[9]\n")
    if status != 0 or out != "42\n" or err != "":
        fail("no error", f"status {status}; standard output {out!r}; standard error {err!r}")
    # -v asks for the banner.
    status, out, err = piped(["-i", "-v"], "1\n")
    if status != 0 or out != "1\n" or not err.startswith("Kj version"):
        fail("banner", f"status {status}; standard output {out!r}; standard error {err!r}")


# --- debugger ----------------------------------------------------------------

def group_debugger(kj, tmp):
    for name in ("twice.kj", "counter.kj"):
        shutil.copy(os.path.join(SOURCES, name), tmp)
    # Breakpoints: moved to the next line with code, invalid, listed,
    # cleared; a temporary stop at a line; inspection of an argument, a
    # local, a global; the call trace.
    transcript(kj, tmp, "breakpoints", ["-d", "twice.kj"],
               "#show breaks\n#break 8\n#break 100\n#break twice.kj 15\n#show breaks\n#go\n"
               "?x\n?r\n?g_calls\n?a\n#show calls\n#clear 9\n#clear 9\n#clear all\n#show breaks\n"
               "#go 3\n",
               "Entering debug mode, use #quit to quit, ? for help.\n"
               "twice.kj (15): break!\n"
               "(debug) No breaks set\n"
               "(debug) Breakpoint moved to line 9\n"
               "(debug) Invalid breakpoint\n"
               "(debug) (debug) twice.kj (9)\ntwice.kj (15)\n"
               "(debug) twice.kj (9): break!\n"
               "(debug)    7 x                       int      arg 5\n"
               "(debug)    9 r                       int      10\n"
               "(debug)  520 g_calls                 int      1\n"
               "(debug) Variable \"a\" not found within scope\n"
               "(debug) twice.kj (15): main\n"
               "(debug) (debug) Invalid breakpoint\n"
               "(debug) (debug) No breaks set\n"
               "(debug) No break at this line\n"
               "a=5 b=10 c=21 calls=2\n")
    # Statements run in the stopped frame: an assignment to a local changes
    # what the function returns; an error inside the statement is reported
    # and the session goes on; a bare expression is printed.
    transcript(kj, tmp, "evaluate", ["-d", "twice.kj"],
               "#break 7\n#go\nr = 50;\nr * 2\nr = r / <1,2>[9];\nr\n#clear all\n#go\n",
               "Entering debug mode, use #quit to quit, ? for help.\n"
               "twice.kj (15): break!\n"
               "(debug) (debug) twice.kj (9): break!\n"
               "(debug) (debug) 100\n"
               "(debug) Runtime error: '[9] in matrix[1][2]' index out of range\n"
               "Runtime error occurred in twice (1), call trace: twice.kj (1): twice\n"
               "twice.kj (15): main\n"
               "(debug) 50\n"
               "(debug) (debug) a=5 b=50 c=101 calls=2\n")
    # Members: `this` and its data members in a stopped member function.
    transcript(kj, tmp, "members", ["-d", "counter.kj"],
               "#break 11\n#go\n?this\n?k\nm_n = 100;\nthis.m_n\n#go\n",
               "Entering debug mode, use #quit to quit, ? for help.\n"
               "counter.kj (8): break!\n"
               "(debug) (debug) counter.kj (12): break!\n"
               "(debug)    6 this                    class    con arg ->m_n = 10\n"
               "(debug)    8 k                       int      arg 3\n"
               "(debug) (debug) 100\n"
               "(debug) r=10 n=103\n")
    # Unknown words, the help text's last line, #quit ending the run early.
    status, out = run(kj, ["-d", "twice.kj"], tmp, "#frobnicate\n#help\n#quit\n")
    if "(debug) Unknown debug command\n" not in out or \
            "enter an Kj expression, e.g. x[0][0]=1; or print(x);\n(debug) " not in out or "a=5" in out:
        fail("commands", "unknown word, help or quit", out)
    if status != 0:
        fail("commands", f"#quit ends with status {status}", out)
    # Editor mode adds a position line to each stop and breakpoint change.
    transcript(kj, tmp, "editor marks", ["-kjedit", "-d", "twice.kj"], "#break 7\n#clear 7\n#quit\n",
               "Entering debug mode, use #quit to quit, ? for help.\n"
               "twice.kj (15): break!\n@@(\"twice.kj\",15,0);\n"
               "(debug) @@(\"twice.kj\",7,1);\n(debug) @@(\"twice.kj\",7,2);\n(debug) ")


def group_stepping(kj, tmp):
    for name in ("twice.kj", "loops.kj", "nested.kj", "inplace.kj"):
        shutil.copy(os.path.join(SOURCES, name), tmp)
    # Step in (an empty line) enters the call; step over stays in the
    # function; step out stops as soon as the function has returned, in the
    # caller's line, before the result is assigned; #step alone does nothing;
    # stepping out of main ends the run.
    transcript(kj, tmp, "in over out", ["-d", "twice.kj"],
               "\n\n#step over\n#step out\n?b\n#step\n#step in\n?b\n#step in\n#step out\n?c\n#step out\n",
               "Entering debug mode, use #quit to quit, ? for help.\n"
               "twice.kj (15): break!\n"
               "(debug) twice.kj (7): break!\n"
               "(debug) twice.kj (9): break!\n"
               "(debug) twice.kj (9): break!\n"
               "(debug) twice.kj (15): break!\n"
               "(debug)    4 b                       int      nul \n"
               "(debug) (debug) twice.kj (16): break!\n"
               "(debug)    4 b                       int      10\n"
               "(debug) twice.kj (7): break!\n"
               "(debug) twice.kj (16): break!\n"
               "(debug)    5 c                       int      nul \n"
               "(debug) a=5 b=10 c=21 calls=2\n")
    # Out of a call nested in an expression: into the middle of the caller's
    # expression (outer's "+ 1", direct's return), then on out to main; out
    # of a lambda, which runs in main's frame, back to main.
    transcript(kj, tmp, "out of nested calls", ["-d", "nested.kj"],
               "#break 4\n#go\n#step out\n#step out\n?a\n\n?a\n#go\n#step out\n?b\n#step out\n?b\n\n\n"
               "#step out\n?c\n\n?c\n#quit\n",
               "Entering debug mode, use #quit to quit, ? for help.\n"
               "nested.kj (18): break!\n"
               "(debug) (debug) nested.kj (5): break!\n"
               "(debug) nested.kj (9): break!\n"
               "(debug) nested.kj (18): break!\n"
               "(debug)    6 a                       int      nul \n"
               "(debug) nested.kj (19): break!\n"
               "(debug)    6 a                       int      5\n"
               "(debug) nested.kj (5): break!\n"
               "(debug) nested.kj (13): break!\n"
               "(debug) Variable \"b\" not found within scope\n"
               "(debug) nested.kj (19): break!\n"
               "(debug)    7 b                       int      nul \n"
               "(debug) nested.kj (20): break!\n"
               "(debug) nested.kj (17): break!\n"
               "(debug) nested.kj (20): break!\n"
               "(debug)    8 c                       int      nul \n"
               "(debug) nested.kj (21): break!\n"
               "(debug)    8 c                       int      12\n"
               "(debug) ")
    # Step over a line that calls a function: the call runs without a stop.
    transcript(kj, tmp, "over calls", ["-d", "twice.kj"], "#step over\n#step over\n?b\n#quit\n",
               "Entering debug mode, use #quit to quit, ? for help.\n"
               "twice.kj (15): break!\n"
               "(debug) twice.kj (16): break!\n"
               "(debug) twice.kj (17): break!\n"
               "(debug)    4 b                       int      10\n"
               "(debug) ")
    # Trace prints every line run; stepping inside a foreach loop keeps the
    # loop going.
    transcript(kj, tmp, "trace", ["-d", "twice.kj"], "#trace\n#go\n",
               "Entering debug mode, use #quit to quit, ? for help.\n"
               "twice.kj (15): break!\n"
               "(debug) (debug) twice.kj (6): twice\ntwice.kj (7): twice\ntwice.kj (9): twice\n"
               "twice.kj (15): main\ntwice.kj (6): twice\ntwice.kj (7): twice\ntwice.kj (9): twice\n"
               "twice.kj (16): main\na=5 b=10 c=21 calls=2\ntwice.kj (17): main\n")
    # Breakpoints inside a counted loop whose statements update a local in
    # place stop in every iteration, with the local's value of that moment;
    # cleared, the loop runs on to the end.
    transcript(kj, tmp, "in-place updates", ["-d", "inplace.kj"],
               "#break 8\n#go\n?s\n?i\n#go\n?s\n#clear 8\n#break 7\n#go\n?s\n?i\n#clear 7\n#go\n",
               "Entering debug mode, use #quit to quit, ? for help.\n"
               "inplace.kj (7): break!\n"
               "(debug) (debug) inplace.kj (9): break!\n"
               "(debug)    3 s                       int      1\n"
               "(debug)    4 i                       int      0\n"
               "(debug) inplace.kj (9): break!\n"
               "(debug)    3 s                       int      12\n"
               "(debug) (debug) (debug) inplace.kj (8): break!\n"
               "(debug)    3 s                       int      32\n"
               "(debug)    4 i                       int      2\n"
               "(debug) (debug) s=64\n")
    transcript(kj, tmp, "foreach", ["-d", "loops.kj"], "#break 7\n#go\n?v\n#go\n?v\n?total\n#quit\n",
               "Entering debug mode, use #quit to quit, ? for help.\n"
               "loops.kj (7): break!\n"
               "(debug) (debug) loops.kj (8): break!\n"
               "(debug)    5 v                       double   1\n"
               "(debug) loops.kj (8): break!\n"
               "(debug)    5 v                       double   2\n"
               "(debug)    3 total                   double   3\n"
               "(debug) ")


# --- local names in compiled code -------------------------------------------

def group_scopes(kj, tmp):
    # The debugger learns the names of locals from the code itself, so a
    # program debugged from its object file shows them as from its source:
    # the locals of nested blocks while they are in scope, none of a loop left
    # by break, no hidden switch value, and the slots a lambda takes do not
    # shift the locals declared after it.
    shutil.copy(os.path.join(SOURCES, "scopes.kj"), tmp)
    typed = ("#break 8\n#go\n#show all\n#go\n#go\n?sq\n#break 13\n#go\n#show all\n?i\n#clear all\n"
             "#break 21\n#go\n#show all\nlast = 100;\n#step out\n#show all\n#go\n")
    expected = ("Entering debug mode, use #quit to quit, ? for help.\n"
                "scopes.kj (6): break!\n"
                "(debug) (debug) scopes.kj (9): break!\n"
                "(debug) === local symbols ===\n"
                "   5 n                       int      con arg 5\n"
                "   7 total                   int      0\n"
                "   8 i                       int      0\n"
                "   9 sq                      int      0\n"
                "(debug) scopes.kj (9): break!\n"
                "(debug) scopes.kj (9): break!\n"
                "(debug)    9 sq                      int      4\n"
                "(debug) (debug) scopes.kj (17): break!\n"
                "(debug) === local symbols ===\n"
                "   5 n                       int      con arg 5\n"
                "   7 total                   int      1\n"
                "   8 after                   int      2\n"
                "(debug) Variable \"i\" not found within scope\n"
                "(debug) (debug) (debug) scopes.kj (22): break!\n"
                "(debug) === local symbols ===\n"
                "   5 n                       int      con arg 5\n"
                "   7 total                   int      1\n"
                "   8 after                   int      9\n"
                "   9 add                     lambda   lambda()\n"
                "  12 last                    int      10\n"
                "(debug) (debug) scopes.kj (27): break!\n"
                "(debug) === local symbols ===\n"
                "   3 r                       int      nul \n"
                "(debug) r=100\n")
    transcript(kj, tmp, "from source", ["-d", "scopes.kj"], typed, expected)
    # A continue that leaves a block holding a local: the next declaration
    # after the loop takes the slot that local had.
    with open(os.path.join(tmp, "skips.kj"), "w") as f:
        f.write("#include <kjstd.kjh>\ncount(const n)\n{\n    decl k = 0, hits = 0;\n    while (k < n)\n    {\n"
                "        decl step = 1;\n        k += step;\n        if (k < 3)\n            continue;\n"
                "        ++hits;\n    }\n    decl done = hits;\n    return done;\n}\n"
                "main()\n{\n    println(count(4));\n}\n")
    transcript(kj, tmp, "continue", ["-d", "skips.kj"], "#break 13\n#go\n#show all\n#go\n",
               "Entering debug mode, use #quit to quit, ? for help.\n"
               "skips.kj (5): break!\n"
               "(debug) (debug) skips.kj (14): break!\n"
               "(debug) === local symbols ===\n"
               "   5 n                       int      con arg 4\n"
               "   7 k                       int      4\n"
               "   8 hits                    int      2\n"
               "   9 done                    int      2\n"
               "(debug) 2\n")
    status, out = run(kj, ["-c", "scopes.kj"], tmp, "")
    if status != 0 or not os.path.exists(os.path.join(tmp, "scopes.kjo")):
        fail("object file", f"-c ended with status {status}", out)
        return
    # Without the source: everything comes from the object file.
    os.remove(os.path.join(tmp, "scopes.kj"))
    transcript(kj, tmp, "from object file", ["-d", "scopes.kjo"], typed, expected)


# --- interrupts --------------------------------------------------------------

def interrupt_latency(kj, cwd, args, typed, ready, then, after, last):
    """Types `then` once `ready` has appeared, sends SIGINT while it runs and
    returns the seconds until `after` appears (or None), and the transcript
    after `last` has been typed."""
    proc = subprocess.Popen([kj, "-b"] + args, cwd=cwd, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                            stderr=subprocess.STDOUT)
    out = b""
    fd = proc.stdout.fileno()

    def read_until(text, limit, since=0):
        nonlocal out
        end = time.time() + limit
        while text not in out[since:] and time.time() < end:
            r, _, _ = select.select([fd], [], [], 0.002)
            if r:
                chunk = os.read(fd, 4096)
                if not chunk:
                    break
                out += chunk
        return text in out[since:]

    try:
        proc.stdin.write(typed.encode())
        proc.stdin.flush()
        if not read_until(ready, 10):
            return None, out.decode(errors="replace")
        proc.stdin.write(then.encode())
        proc.stdin.flush()
        time.sleep(0.3)  # the loop runs
        out += os.read(fd, 4096) if select.select([fd], [], [], 0)[0] else b""
        mark = len(out)
        start = time.time()
        proc.send_signal(signal.SIGINT)
        took = time.time() - start if read_until(after, 5, mark) else None
        proc.stdin.write(last.encode())
        proc.stdin.close()
        rest = proc.stdout.read()
        proc.wait(timeout=10)
        return took, (out + rest).decode(errors="replace")
    finally:
        if proc.poll() is None:
            proc.kill()
            proc.wait()


def best_latency(kj, tmp, args, typed, ready, then, after, last):
    """The shortest of up to three interrupt times (None when none came), and
    the last transcript."""
    best, out = None, ""
    for _ in range(3):
        took, out = interrupt_latency(kj, tmp, args, typed, ready, then, after, last)
        if took is not None and (best is None or took < best):
            best = took
        if best is not None and best < 0.1:
            break
    return best, out


def group_interrupt(kj, tmp):
    shutil.copy(os.path.join(SOURCES, "loops.kj"), tmp)
    # Interactive: an endless statement stops with "user abort"; the
    # variables it changed keep their values.
    best, out = best_latency(kj, tmp, ["-i"], "k = 5;\n\"go\"\n", b"go\n", "while (1) { ++k; }\n",
                             b"user abort\n", "k > 1000\n#quit\n")
    if best is None or best >= 0.1:
        fail("interactive", f"user abort after SIGINT in {best} s", out)
    elif not out.endswith("main\n1\n"):
        fail("interactive", "the variable lost", out)
    # Debug mode: the program stops at the next line of the loop.
    best, out = best_latency(kj, tmp, ["-d", "loops.kj"], "", b"(debug) ", "#go\n", b"(debug) ", "#quit\n")
    if best is None or best >= 0.1:
        fail("debug", f"stop after SIGINT in {best} s", out)
    elif not re.search(r"loops\.kj \(1[1-4]\): break!", out):
        fail("debug", "no stop inside the loop", out)


# --- line editor -------------------------------------------------------------

class Terminal:
    def __init__(self, kj, args, cwd, home, env=None):
        self.pid, self.fd = pty.fork()
        if self.pid == 0:
            os.chdir(cwd)
            os.environ["HOME"] = home
            os.environ["TERM"] = "xterm"
            os.environ.update(env or {})
            os.execv(kj, [kj, "-b"] + args)
        self.out = b""
        self.read(0.5)

    def read(self, seconds):
        end = time.time() + seconds
        while time.time() < end:
            r, _, _ = select.select([self.fd], [], [], 0.05)
            if r:
                try:
                    self.out += os.read(self.fd, 4096)
                except OSError:
                    return

    def type(self, keys, wait=0.5):
        os.write(self.fd, keys)
        self.read(wait)

    def close(self):
        """Ctrl-D ends the session (within five seconds, else it is killed)."""
        self.type(b"\x04", 0.5)
        try:
            for _ in range(100):
                if os.waitpid(self.pid, os.WNOHANG)[0]:
                    break
                self.read(0.05)
            else:
                os.kill(self.pid, signal.SIGKILL)
                os.waitpid(self.pid, 0)
                self.out += b"\n[killed: still running after Ctrl-D]"
        except ChildProcessError:
            pass
        os.close(self.fd)
        return re.sub(r"\x1b\[[0-9;]*[A-Za-z]", "", self.out.decode(errors="replace"))


def group_editor(kj, tmp):
    home = os.path.join(tmp, "home")
    os.makedirs(home)
    # Completion of a variable, recall of the last line with the up arrow.
    t = Terminal(kj, ["-i"], tmp, home)
    t.type(b"alpha_value = 41\r")
    t.type(b"alpha_v\t + 1\r")
    t.type(b"\x1b[A\r")
    t.type(b"cei\t(2.5)\r")
    text = t.close()
    if text.count("42") < 2:
        fail("editor", "completion or history recall", text)
    if "3\r\n" not in text and "3\n" not in text:
        fail("editor", "completion of a built-in name", text)
    history = os.path.join(home, ".kj_history")
    if not os.path.exists(history) or "alpha_value" not in open(history, errors="replace").read():
        fail("editor", "history file not written", "")
    # The history of the last session is there in the next one.
    t = Terminal(kj, ["-i"], tmp, home)
    t.type(b"alpha_value = 1\r")
    t.type(b"\x1b[A\x1b[A\x1b[A\r")
    text = t.close()
    if "2\r\n" not in text:
        fail("editor", "history from the previous session", text)
    # Ctrl-C at a terminal drops the line being typed, and interrupts an
    # endless statement too.
    t = Terminal(kj, ["-i"], tmp, home)
    t.type(b"1 + ")
    t.type(b"\x03")
    t.type(b"while (1) {}\r", 0.3)
    os.kill(t.pid, signal.SIGINT)
    t.read(0.5)
    t.type(b"\"after\"\r")
    text = t.close()
    if "user abort" not in text or "after" not in text.split("user abort")[-1] or "input (" in text:
        fail("editor", "Ctrl-C at a terminal", text)


def typed(kj, tmp, home, keys, env=None):
    """The transcript of an interactive session at a terminal that is typed
    the keys, one string after another."""
    t = Terminal(kj, ["-i"], tmp, home, env)
    for k in keys:
        t.type(k.encode())
    return t.close()


def group_terminal(kj, tmp):
    home = os.path.join(tmp, "home")
    os.makedirs(home)

    def printed(text, line):
        return re.search("^" + re.escape(line) + "\r?$", text, re.M) is not None

    # UTF-8 typed and printed, with the terminal's UTF-8 locale and with "C".
    for env in ({"LC_ALL": "C.UTF-8"}, {"LC_ALL": "C", "LANG": "C"}):
        text = typed(kj, tmp, home, ["s = \"grüße, 日本\"\r", "sizeof(s)\r",
                                     "println(\"<\", s, \"|\", \"ö\" ~ \"é\", \">\");\r"], env)
        if not printed(text, "15") or not printed(text, "<grüße, 日本|öé>"):
            fail("utf-8", f"typed text with {env}", text)
    # A statement of three lines is one history entry: the up arrow brings
    # the whole loop back, and it runs again; the history file keeps it so.
    text = typed(kj, tmp, home, ["for (decl i = 0; i < 3; ++i)\r", "{   println(\"i=\", i);\r", "}\r",
                                 "\x1b[A\r"])
    if text.count("i=2") != 2 or "out of place" in text:
        fail("history", "the loop recalled as one entry", text)
    entries = open(os.path.join(home, ".kj_history"), errors="replace").read().split("\n")
    if "}" in entries or not any(e.startswith("for") and e.endswith("}") for e in entries):
        fail("history", "the loop's lines saved one by one", "\n".join(entries))
    # A function defined, called, defined again: the calls take the new body,
    # also those compiled before.
    text = typed(kj, tmp, home, ["twice(x) { return 2 * x; }\r", "quad(x) { return twice(twice(x)); }\r",
                                 "quad(5)\r", "twice(x)\r", "{\r", "    return x + 1000;\r", "}\r",
                                 "twice(21)\r", "quad(5)\r"])
    if not printed(text, "20") or not printed(text, "1021") or not printed(text, "2005"):
        fail("define again", "a function defined again at the prompt", text)
    # Ctrl-C at a continuation prompt drops the lines typed so far.
    text = typed(kj, tmp, home, ["y = (1 +\r", "2 +\r", "\x03", "y = 7\r", "y\r"])
    if not printed(text, "7") or "input (" in text or "Runtime error" in text:
        fail("ctrl-c", "Ctrl-C at a continuation prompt", text)


# --- listing -----------------------------------------------------------------

def group_listing(kj, tmp):
    with open(os.path.join(tmp, "small.kj"), "w") as f:
        f.write("f(x) { decl y = x + 1; return y; }\nmain() { decl s = \"ab\"; println(f(2), s); }\n")
    status, out = run(kj, ["-kjpcode", "small.kj"], tmp, "")
    lines = out.split("\n")
    want = [r"=== pcode ===", r"  0 EXT          0 ", r"  2 ELF          1 small\.kj",
            r" *\d+ OPR +\d+ \+$", r" *\d+ LOD +\d+ println$", r" *\d+ LIT +\d+ ab$",
            r"=== literals ===", r"  1 string   small\.kj", r"=== global symbols ===",
            r"   0 f                       function glo "]
    for pattern in want:
        if not any(re.match(pattern, line) for line in lines):
            fail("listing", f"no line like {pattern!r}", out)
    if "3ab" in out:
        fail("listing", "the program ran", out)


GROUPS = {
    "interactive": group_interactive,
    "script": group_script,
    "debugger": group_debugger,
    "stepping": group_stepping,
    "scopes": group_scopes,
    "interrupt": group_interrupt,
    "editor": group_editor,
    "terminal": group_terminal,
    "listing": group_listing,
}


def main():
    return run_group(__doc__, GROUPS, failures)


if __name__ == "__main__":
    sys.exit(main())
