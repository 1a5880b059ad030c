#!/usr/bin/env python3
"""Robustness checks of the console program, one group of cases per run.

Usage: check_robustness.py KJ GROUP

Each group feeds the console program inputs that used to crash it, to hang
it or to end it silently, and checks that it now ends in an orderly way: with
the message the case expects, on the stream it belongs to, and with the exit
status of a failure (1) or of the program. A process ended by a signal, or a
sanitizer report, fails every group.
"""
import os
import pty
import random
import re
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time

from check_groups import run_group

HERE = os.path.dirname(os.path.abspath(__file__))
PROGRAMS = os.path.join(HERE, "programs")

failures = []


def fail(case, why, out=""):
    failures.append(f"{case}: {why}\n{out[-2000:]}")


class Run:
    def __init__(self, proc):
        self.status = proc.returncode
        self.out = proc.stdout.decode("utf-8", errors="replace")
        self.err = (proc.stderr or b"").decode("utf-8", errors="replace")
        self.both = self.out + self.err


def run(kj, args, cwd, source=None, name="prog.kj", stdin=b"", timeout=60, env=None):
    if source is not None:
        with open(os.path.join(cwd, name), "w", encoding="utf-8", newline="\n") as f:
            f.write(source)
    proc = subprocess.run([kj, "-b"] + args, cwd=cwd, input=stdin, stdout=subprocess.PIPE,
                          stderr=subprocess.PIPE, timeout=timeout, env=env)
    return Run(proc)


def orderly(case, r):
    """The run ended by itself: no signal, no sanitizer report, no internal abort."""
    if r.status < 0:
        fail(case, f"ended by signal {-r.status}", r.both)
        return False
    if "Sanitizer" in r.both or "runtime error:" in r.both:
        fail(case, "sanitizer report", r.both)
        return False
    if "Fatal error: aborted" in r.both:
        fail(case, "internal abort", r.both)
        return False
    return True


def expect(case, r, status, err_has=(), out_has=(), out_not=()):
    if not orderly(case, r):
        return
    if r.status != status:
        fail(case, f"exit status {r.status}, expected {status}", r.both)
    for text in err_has:
        if text not in r.err:
            fail(case, f"standard error lacks {text!r}", r.both)
    for text in out_has:
        if text not in r.out:
            fail(case, f"standard output lacks {text!r}", r.both)
    for text in out_not:
        if text in r.out:
            fail(case, f"standard output has {text!r}", r.both)


def test_programs():
    """The programs under tests/programs with their switches and expected output.

    Programs whose output depends on an address-space limit are left out: only
    run_program.py runs them under it."""
    for folder, _, files in os.walk(PROGRAMS):
        for f in sorted(files):
            if not f.endswith(".kj"):
                continue
            path = os.path.join(folder, f)
            with open(path, encoding="utf-8", errors="replace") as h:
                head = h.read(4096)
            if re.search(r"^//\s*address space:", head, re.M):
                continue
            m = re.search(r"^//\s*args:(.*)$", head, re.M)
            args = m.group(1).split() if m else []
            m = re.search(r"^//\s*exit:\s*(-?\d+)", head, re.M)
            status = int(m.group(1)) if m else 0
            yield path, args, status


# --- item: every documented switch with every kind of program ---------------

def group_switches(kj, tmp):
    """Each switch of the usage text, run on every test program."""
    # Switches that change nothing a program prints (but the extra report line).
    same_output = [["-rc10,100"], ["-rc1000,100000"], ["-rc1,1"],
                   ["-DKJ_TEST_TOKEN"], ["-DA+B+C"], ["-i" + tmp], ["-v0"]]
    other = [["-od"], ["-s5000,20000"], ["-rr"], ["-rc10,100", "-rr"], ["-on"], ["-r-"], ["-w0"], ["-v1"], ["-g"], ["-d"], ["-i"],
             ["-c"], ["-cl"], ["-x"], ["-l" + os.path.join(tmp, "missing.kjo")], ["-s3000,200"], ["-rp"]]
    # Under the sanitizers a run is several times slower: each program takes a
    # quarter of the switches in turn, so that every switch still meets every
    # kind of program across the set.
    share = 4 if os.environ.get("KJ_TEST_SANITIZED") == "1" else 1
    for number, (path, args, status) in enumerate(test_programs()):
        folder = os.path.dirname(path)
        base = os.path.basename(path)
        expected_path = os.path.splitext(path)[0] + ".out"
        with open(expected_path, encoding="utf-8") as f:
            expected = f.read()
        mine = lambda switches: [sw for k, sw in enumerate(switches) if (k + number) % share == 0]
        for sw in mine(same_output):
            case = f"{' '.join(sw)} {os.path.relpath(path, PROGRAMS)}"
            proc = subprocess.run([kj, "-b"] + sw + args + [base], cwd=folder, stdout=subprocess.PIPE,
                                  stderr=subprocess.STDOUT, timeout=60)
            r = Run(proc)
            if not orderly(case, r):
                continue
            if r.out.replace("\r\n", "\n") != expected or r.status != status:
                fail(case, f"output or status differs from {os.path.basename(expected_path)} "
                           f"(status {r.status})", r.out)
        for sw in mine(other):
            case = f"{' '.join(sw)} {os.path.relpath(path, PROGRAMS)}"
            work = tempfile.mkdtemp(dir=tmp)
            shutil.copy(path, work)
            r = run(kj, sw + args + [base], work, stdin=b"#quit\n", timeout=60)
            orderly(case, r)
            # An object file written by -c runs like its source.
            if sw in (["-c"], ["-cl"]) and status == 0 and r.status == 0:
                obj = os.path.splitext(base)[0] + ".kjo"
                if not os.path.exists(os.path.join(work, obj)):
                    fail(case, "no object file written", r.both)
                    continue
                proc = subprocess.run([kj, "-b", obj], cwd=work,
                                      stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=60)
                o = Run(proc)
                source_run = run(kj, args + [base], folder)
                if orderly(case + " (object file)", o) and sw == ["-cl"] and o.out != source_run.out:
                    fail(case + " (object file)", "output differs from the source's", o.out)
    # Malformed numbers are refused with a message, before anything runs.
    for sw in ["-s99999999999,5", "-s-1,5", "-sabc", "-rc1,2,3", "-rcx,1", "-s3000,0"]:
        r = run(kj, [sw, "prog.kj"], tmp, source='main() { println("ran"); }')
        expect(sw, r, 1, err_has=["Invalid command line switch " + sw])
        if "ran" in r.out:
            fail(sw, "the program ran", r.both)
    for sw in ["-s", "-s4000", "-rc0,0", "-rc0,5"]:
        r = run(kj, [sw, "prog.kj"], tmp, source='main() { println("ran"); }')
        expect(sw, r, 0, out_has=["ran"])
    # --help and --version: their text alone on standard output, status 0, even
    # at a terminal's prompt; a switch not understood: the message and the
    # usage on standard error, status 1, nothing run (nor a prompt opened).
    for args, want in ((["--help"], "Usage:\tKj [options]"), (["--version"], "libkj80x "),
                       (["-i", "--version"], "Kj version ")):
        proc = subprocess.run([kj] + args, cwd=tmp, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, timeout=60)
        r = Run(proc)
        expect(" ".join(args), r, 0, out_has=[want])
        if r.err:
            fail(" ".join(args), "text on standard error", r.both)
    for sw, shown in (("-Q", "Q"), ("--frobnicate", "-frobnicate")):
        r = run(kj, [sw, "prog.kj"], tmp, source='main() { println("ran"); }')
        expect(sw, r, 1, err_has=["Unrecognized command line switch: " + shown, "Usage:"], out_not=["ran"])
        r = run(kj, [sw], tmp, stdin=b'println("prompt");\n')
        expect(sw + " alone", r, 1, err_has=["Usage:"], out_not=["prompt"])


# --- item: interpreter stack overflow ----------------------------------------

def group_stack(kj, tmp):
    """Pushes beyond the stack: many arguments, many parameters, deep recursion."""
    args2000 = ", ".join(str(i) for i in range(2000))
    params1500 = ", ".join(f"p{i}" for i in range(1500))
    sums = " + ".join(f"f({i})" for i in range(300))
    cases = {
        "call with 2000 arguments": f"f(...) {{ return 1; }}\nmain() {{ println(f({args2000})); }}",
        "function with 1500 parameters":
            f"g({params1500}) {{ return p1499; }}\nmain() {{ println(g({args2000.rsplit(', ', 500)[0]})); }}",
        "array constant of 2000 elements in a call":
            f"main() {{ decl a = {{{args2000}}}; println(sizeof(a)); }}",
        "deep recursion": "r(n) { return n == 0 ? 0 : 1 + r(n - 1); }\nmain() { println(r(100000)); }",
        # A lambda runs on its caller's stack, not on the frame that defined it.
        "lambda with a 2000-argument call, called deep in a recursion":
            f"f(...) {{ return sizeof(va_arglist()); }}\nr(n, g) {{ return n == 0 ? g() : r(n - 1, g); }}\n"
            f"main() {{ decl g = [=]() {{ return f({args2000}); }}; println(r(300, g)); }}",
        "recursion with wide expressions":
            f"f(n) {{ return n; }}\nr(n) {{ return n == 0 ? 0 : {sums} + r(n - 1); }}\n"
            "main() { println(r(5000)); }",
    }
    for name, src in cases.items():
        for sw in ([], ["-s3000,300"], ["-s3000,5"], ["-s3000,2600"]):
            case = f"{name} {' '.join(sw)}"
            r = run(kj, sw + ["prog.kj"], tmp, source=src)
            if not orderly(case, r):
                continue
            if r.status == 0:
                continue  # it fitted
            if "stack overflow" not in r.err or "-s" not in r.err:
                fail(case, "failure without a stack overflow message that names -s", r.both)
            if r.status != 1:
                fail(case, f"exit status {r.status}", r.both)
    # With room enough the same programs run.
    r = run(kj, ["-s3000,100000", "prog.kj"], tmp,
            source=f"f(...) {{ return sizeof(va_arglist()); }}\nmain() {{ println(f({args2000})); }}")
    expect("2000 arguments with room", r, 0, out_has=["2000"])
    r = run(kj, ["-s3000,100000", "prog.kj"], tmp,
            source=f"g({params1500}) {{ return p1499 + p0; }}\n"
                   f"main() {{ println(g({', '.join(str(i) for i in range(1500))})); }}")
    expect("1500 parameters with room", r, 0, out_has=["1499"])


# --- item: parser nesting ------------------------------------------------------

def group_nesting(kj, tmp):
    """Deep nesting is one clear compile error, never a crash of the compiler."""
    n = 100000
    cases = {
        "parentheses": "main() { decl x = " + "(" * n + "1" + ")" * n + "; }",
        "array constants": "main() { decl x = " + "{" * n + "1" + "}" * n + "; }",
        "calls": "f(x) { return x; }\nmain() { decl x = " + "f(" * n + "1" + ")" * n + "; }",
        "blocks": "main() { " + "{" * n + "}" * n + " }",
        "if statements": "main() { " + "if (1) " * n + "; }",
        "unary operators": "main() { decl x = " + "-" * n + "1; }",
        "assignments": "main() { decl x; x = " + "x = " * n + "1; }",
        "conditionals": "main() { decl x = " + "1 ? 2 : " * n + "3; }",
        "matrix constant": "main() { decl x = <" + "(" * n + "1" + ")" * n + ">; }",
        "power chain": "main() { decl x = 1" + " ^ 1" * n + "; }",
        "unclosed": "main() { decl x = " + "(" * n + "1; }",
    }
    for name, src in cases.items():
        r = run(kj, ["prog.kj"], tmp, source=src)
        expect(name, r, 1, err_has=["nested too deeply"])
        if r.err.count("\n") > 3:
            fail(name, "more than one error for one deep nesting", r.err)
    # Nesting that programs use stays well inside the limit.
    src = "main() { decl x = " + "(" * 100 + "1" + ")" * 100 + "; " + "{" * 60 + "x = x + 1;" + "}" * 60 + \
          " println(x); }"
    expect("moderate nesting", run(kj, ["prog.kj"], tmp, source=src), 0, out_has=["2"])


# --- item: objects after delete -----------------------------------------------

CLASS = """
class A {
    A(v);
    get();
    set(v);
    decl m_v, m_w;
};
A::A(v) { m_v = v; m_w = <1, 2, 3>; }
A::get() { return m_v; }
A::set(v) { m_v = v; m_w = zeros(10, 10); }
class B {
    B();
    decl m_x;
};
B::B() { m_x = "bee"; }
"""


def group_handles(kj, tmp):
    """A handle that outlived its object: run-time error 21, never freed memory."""
    cases = {
        "copied handle, member read": "main() { decl a = new A(1), b = a; delete a; println(b.m_v); }",
        "copied handle, member write": "main() { decl a = new A(1), b = a; delete a; b.m_v = 3; }",
        "copied handle, member function": "main() { decl a = new A(1), b = a; delete a; println(b.get()); }",
        "bound member function": "main() { decl a = new A(1), f = a.get; delete a; println(f()); }",
        "bound member function that stores": "main() { decl a = new A(1), f = a.set; delete a; f(5); }",
        "double delete": "main() { decl a = new A(1), b = a; delete a; delete b; }",
        "handle reused by another object":
            "main() { decl a = new A(1), b = a; delete a; decl c = new A(2); println(b.m_v); }",
        "handle reused by another class":
            "main() { decl a = new B(), b = a; delete a; decl c = new B(); println(b.m_x); }",
        "deleted object in an array":
            "main() { decl a = new A(1), l = {a}; delete a; println(l[0].get()); }",
        "clone of a deleted object": "main() { decl a = new A(1), b = a; delete a; decl c = clone(b); }",
    }
    for name, src in cases.items():
        r = run(kj, ["prog.kj"], tmp, source=CLASS + src)
        expect(name, r, 1, err_has=["class expected"])
        if "object" not in r.err:
            fail(name, "the message does not say that the object was deleted", r.err)
    # Objects made and deleted in turn keep working (blocks are reused).
    src = CLASS + """main() {
        decl i, s = 0, a;
        for (i = 0; i < 20000; ++i) { a = new A(i); s += a.get(); delete a; }
        decl x = new A(7), y = new B();
        println(s, " ", x.get(), " ", y.m_x);
        delete x; delete y;
    }"""
    expect("new and delete in a loop", run(kj, ["prog.kj"], tmp, source=src), 0,
           out_has=["199990000 7 bee"])


# --- item: damaged object files -------------------------------------------------

def group_objfiles(kj, tmp):
    """Random byte changes in object files: a link error or a run, never a crash."""
    # Crashes only: what the reader's failure paths leak is not looked at here.
    env = dict(os.environ, ASAN_OPTIONS=os.environ.get("ASAN_OPTIONS", "") + ":detect_leaks=0")
    rng = random.Random(15)
    sources = [p for p, _, status in test_programs() if status == 0]
    made = []
    for path in sources:
        work = tempfile.mkdtemp(dir=tmp)
        shutil.copy(path, work)
        r = run(kj, ["-cl", os.path.basename(path)], work)
        obj = os.path.join(work, os.path.splitext(os.path.basename(path))[0] + ".kjo")
        if r.status == 0 and os.path.exists(obj):
            with open(obj, "rb") as f:
                made.append(f.read())
    if not made:
        fail("object files", "none could be written")
        return
    for trial in range(400):
        data = bytearray(rng.choice(made))
        for _ in range(rng.choice([1, 1, 2, 4])):
            i = rng.randrange(len(data))
            data[i] = rng.randrange(256) if rng.random() < 0.5 else data[i] ^ (1 << rng.randrange(8))
        path = os.path.join(tmp, "damaged.kjo")
        with open(path, "wb") as f:
            f.write(data)
        try:
            proc = subprocess.run([kj, "-b", "damaged.kjo"], cwd=tmp, stdout=subprocess.PIPE,
                                  stderr=subprocess.PIPE, timeout=20, env=env)
        except subprocess.TimeoutExpired:
            continue  # a changed jump can make a loop without end: not a crash
        r = Run(proc)
        if not orderly(f"damaged object file {trial}", r):
            keep = os.path.join(os.environ.get("KJ_KEEP_DIR", tempfile.gettempdir()), f"kj_crash{trial}.kjo")
            shutil.copy(path, keep)
            failures[-1] += f"\nkept as {keep}"
            break
    # The object-reader fuzz target's corpus, with the object files that
    # crashed the engine once (found by fuzzing or by the trials above): each
    # ends in an orderly way.
    seeds = os.path.join(HERE, "fuzz", "corpus", "object_reader")
    for name in sorted(os.listdir(seeds)):
        shutil.copy(os.path.join(seeds, name), os.path.join(tmp, "seed.kjo"))
        try:
            r = run(kj, ["seed.kjo"], tmp, env=env, timeout=5)
        except subprocess.TimeoutExpired:
            continue  # the fuzzer keeps inputs whose code loops without end: not a crash
        orderly(f"object file {name}", r)
    # Damage in operands that the reader must refuse outright.
    src = 'decl g;\nf(a, b) { decl x = a + b; return x; }\nmain() { g = f(1, 2); println("g ", g); }'
    work = tempfile.mkdtemp(dir=tmp)
    run(kj, ["-c", "prog.kj"], work, source=src)
    with open(os.path.join(work, "prog.kjo"), "rb") as f:
        good = f.read()
    # The code section: its mark, the instruction count, then instructions of
    # 5 bytes: the opcode, then the operand (little-endian).
    mark = len(b"$kj$pcode").to_bytes(4, "little") + b"$kj$pcode\0"
    code = good.find(mark) + len(mark)
    count = int.from_bytes(good[code:code + 4], "little")
    pap, pbp, mvl, lod, sto, lit = 49, 50, 51, 76, 83, 99

    def refused(op, bad):
        for at in range(code + 4, code + 4 + 5 * count, 5):
            if good[at] != op:
                continue
            data = bytearray(good)
            data[at + 1:at + 5] = bad.to_bytes(4, "little", signed=True)
            with open(os.path.join(work, "bad.kjo"), "wb") as f:
                f.write(data)
            r = run(kj, ["bad.kjo"], work, env=env)
            if orderly(f"operand {bad} of opcode {op}", r) and "file error" in r.err:
                return True
        return False

    # The local returned is pushed by PBP, or moved out of the frame by MVL.
    # A symbol number below the unit's table (-1) as well as beyond it.
    cases = (((pap,), 7), ((mvl, pbp), 9), ((lit,), 100000), ((lod,), -1), ((sto,), -1), ((lod,), 1000))
    changed = sum(any(refused(op, bad) for op in ops) for ops, bad in cases)
    if changed < len(cases):
        fail("out-of-range operands", f"only {changed} of {len(cases)} refused as a file error")
    r = run(kj, ["prog.kjo"], work)
    expect("undamaged object file", r, 0, out_has=["g 3"])


# --- item: exit status and streams ---------------------------------------------

def group_status(kj, tmp):
    """A failure ends with a non-zero status and its message on standard error."""
    r = run(kj, ["prog.kj"], tmp, source='main() { println("out"); decl x = ; }')
    expect("compile error", r, 1, err_has=["prog.kj (1)"], out_not=["out"])
    r = run(kj, ["prog.kj"], tmp, source='extern f(x);\nmain() {\n    println("out");\n    f(1);\n}')
    expect("undefined function", r, 1, err_has=["prog.kj (4): Link error: 'f' undefined function"],
           out_not=["out"])
    r = run(kj, ["prog.kj"], tmp, source='main() { println("before"); decl x = 1 / <0>; x = {1}[5]; }')
    expect("run-time error", r, 1, err_has=["Runtime error"], out_has=["before"])
    r = run(kj, ["no_such_file.kj"], tmp)
    expect("missing file", r, 1, err_has=["no_such_file"])
    r = run(kj, ["no_such_file.kjo"], tmp)
    expect("missing object file", r, 1)
    # A source in another 8-bit encoding, or binary data, stops at once with
    # one message, not a cascade of scanner errors.
    for case, data in (("latin-1 source", 'main() { println("caf\xe9"); }'.encode("latin-1")),
                       ("binary source", bytes(range(256)) * 4)):
        with open(os.path.join(tmp, "bytes.kj"), "wb") as f:
            f.write(data)
        r = run(kj, ["bytes.kj"], tmp)
        expect(case, r, 1, err_has=["bytes.kj: Can only read ASCII and UTF8 files"], out_not=["caf"])
        if r.err.count("\n") > 1:
            fail(case, "more than one message", r.both)
    r = run(kj, ["prog.kj"], tmp, source="main() { return 7; }")
    expect("main's result", r, 7)
    r = run(kj, ["prog.kj"], tmp, source='main() { println("x"); return 0; }')
    expect("success", r, 0, out_has=["x"])
    if r.err:
        fail("success", "a successful run wrote to standard error", r.err)
    r = run(kj, ["prog.kj"], tmp, source='main() { exit(3); }')
    expect("exit()", r, 3)
    r = run(kj, ["prog.kj"], tmp, source='main() { println("x"); return "text"; }')
    expect("main returns a string", r, 0)
    r = run(kj, ["-lnothing.kjo", "prog.kj"], tmp, source="main() {}")
    expect("missing link file", r, 1)
    r = run(kj, ["prog.kj"], tmp, source="main() { decl x = 1; x.y = 2; }")
    expect("run-time error in member access", r, 1, err_has=["Runtime error"])
    # The banner is a message: it never mixes with the program's output.
    proc = subprocess.run([kj, "prog.kj"], cwd=tmp, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    if b"Kj version" in proc.stdout:
        fail("banner", "the banner is on standard output", proc.stdout.decode())


# --- item: output reaches the terminal line by line ----------------------------

def group_flush(kj, tmp):
    """On a terminal each line appears when printed, before the program ends."""
    with open(os.path.join(tmp, "prog.kj"), "w") as f:
        f.write('main() { println("first line"); decl i = 0; while (1) { ++i; } }')
    pid, fd = pty.fork()
    if pid == 0:
        os.chdir(tmp)
        os.execv(kj, [kj, "-b", "prog.kj"])
    seen = b""
    deadline = time.time() + 20
    while time.time() < deadline and b"first line" not in seen:
        ready, _, _ = select.select([fd], [], [], 0.5)
        if ready:
            try:
                seen += os.read(fd, 1024)
            except OSError:
                break
    os.kill(pid, signal.SIGKILL)
    os.waitpid(pid, 0)
    os.close(fd)
    if b"first line" not in seen:
        fail("terminal output", "a printed line did not appear while the program ran", seen.decode())
    # A fatal signal (an abort) still delivers what was printed into a pipe.
    with open(os.path.join(tmp, "prog.kj"), "w") as f:
        f.write('main() { println("printed before the abort"); decl i = 0; while (1) { ++i; } }')
    proc = subprocess.Popen([kj, "-b", "prog.kj"], cwd=tmp, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    time.sleep(2)
    proc.send_signal(signal.SIGABRT)
    out, _ = proc.communicate(timeout=20)
    if b"printed before the abort" not in out:
        fail("abort", "output printed before the abort was lost", out.decode(errors="replace"))
    # Output printed before a run-time error precedes its message.
    with open(os.path.join(tmp, "prog.kj"), "w") as f:
        f.write('main() { println("a"); println("b"); decl x = <1>[4]; }')
    proc = subprocess.run([kj, "-b", "prog.kj"], cwd=tmp, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
    text = proc.stdout.decode()
    if not (text.startswith("a\nb\n") and "Runtime error" in text):
        fail("order", "program output and error message out of order", text)


# --- item: smaller faults --------------------------------------------------------

def group_small(kj, tmp):
    r = run(kj, ["prog.kj"], tmp, source='main() { println("%x", -1); println("%X", -255); println("%o", -1); '
                                         'println("%u", -1); println("%x", 255); println("%d", -1); '
                                         'println("%x", -1.0); }')
    expect("%x of -1", r, 0, out_has=["ffffffff\nFFFFFF01\n37777777777\n4294967295\nff\n-1\nffffffff\n"])
    r = run(kj, ["prog.kj"], tmp, source="main() {\n    decl größe = 1;\n    größe = größe + 1;\n}\n")
    expect("non-ASCII identifier", r, 1, err_has=["größe"])
    errors = [l for l in r.err.splitlines() if l.strip()]
    if len(errors) > 3:
        fail("non-ASCII identifier", f"{len(errors)} messages for three uses of one name", r.err)
    r = run(kj, ["prog.kj"], tmp, source='main() { decl x = 1; x \x1b[31m\x07 = 2; }')
    if "\x1b" in r.both or "\x07" in r.both:
        fail("control bytes", "raw control bytes in a message", repr(r.both))
    expect("control bytes", r, 1, err_has=["\\x1B"])
    r = run(kj, ["prog.kj"], tmp, source='main() { println(kjrunerror("a\x1b[2Jb")); }')
    if "\x1b" in r.both:
        fail("control bytes at run time", "raw escape in a message", repr(r.both))
    long = "x" * 5000
    r = run(kj, ["prog.kj"], tmp, source=f'main() {{ decl s = "{long}"; println(sizeof(s), " ", s[4990:]); }}')
    expect("long string literal", r, 0, out_has=["5000 xxxxxxxxxx"])
    r = run(kj, ["prog.kj"], tmp, source=f'main() {{ decl s = "{"y" * 2048}" "{"z" * 3000}"; println(sizeof(s)); }}')
    expect("joined long string literals", r, 0, out_has=["5048"])
    r = run(kj, ["-h"], tmp)
    if "\r" in r.both:
        fail("usage", "carriage returns in the usage text", repr(r.both))
    if not re.search(r"^\s+-b\s", r.both, re.M):
        fail("usage", "-b is missing from the usage text", r.both)
    r = run(kj, ["prog.kj"], tmp, source='main() { println(systemcall("echo piped | tr a-z A-Z > sys.txt")); }')
    expect("systemcall through the shell", r, 0, out_has=["0"])
    try:
        with open(os.path.join(tmp, "sys.txt")) as f:
            if f.read().strip() != "PIPED":
                fail("systemcall through the shell", "the pipe and redirection did not work")
    except FileNotFoundError:
        fail("systemcall through the shell", "the redirection did not write the file")


GROUPS = {
    "switches": group_switches, "stack": group_stack, "nesting": group_nesting, "handles": group_handles,
    "objfiles": group_objfiles, "status": group_status, "flush": group_flush, "small": group_small,
}


def main():
    return run_group(__doc__, GROUPS, failures)


if __name__ == "__main__":
    sys.exit(main())
