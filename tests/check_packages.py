#!/usr/bin/env python3
"""Native packages and kernel libraries, one group of cases per run.

Usage: check_packages.py KJ INCLUDE_DIR CC GROUP

binding: tiny packages are compiled into a fresh folder during the run and
  bound by programs that declare functions with a library binding: the "_64"
  file, the packages/NAME/NAME layout, a missing export, a missing library,
  a binding without a function name, and the progress lines at each verbose
  level. Package functions are called like built-in ones (argument errors
  included).
dllcall: the GAUSS commands dlibrary and dllcall over a library built during
  the run: pointers to matrix data written in place, strings, the -v array
  form, -r, and the errors for a missing library or function.
sample: the sample package of packages/sample, built with the project.
kernels: -k with the project's kernel libraries: which slots are replaced
  and reported, that the results stay right (checked against hand-computed
  values) and that a missing library is silent without -v.
"""
import os
import subprocess
import sys
import tempfile

failures = []


def check(case, cond, what, out=""):
    if not cond:
        failures.append(f"{case}: {what}\n{out[-3000:]}")


class Run:
    def __init__(self, proc):
        self.status = proc.returncode
        self.out = proc.stdout.decode("utf-8", errors="replace")
        self.err = proc.stderr.decode("utf-8", errors="replace")
        self.both = self.out + "\n--- stderr ---\n" + self.err


def run(kj, args, cwd, source):
    with open(os.path.join(cwd, "prog.kj"), "w", encoding="utf-8") as f:
        f.write(source)
    proc = subprocess.run([kj, "-b"] + args + ["prog.kj"], cwd=cwd, stdout=subprocess.PIPE,
                          stderr=subprocess.PIPE, timeout=60)
    return Run(proc)


def lines(text):
    return [line for line in text.splitlines() if line.strip()]


def ordered(found, wanted):
    """The wanted lines appear in found in this order (others may come between)."""
    k = 0
    for line in found:
        if k < len(wanted) and line == wanted[k]:
            k += 1
    return k == len(wanted)


# A package with functions of each kind of result.
BOX = r"""
#include <string.h>
#include <kj80x.h>

/* twice(x): 2x for a number, element by element for a matrix. */
KJ_EXPORT void box_twice(KjValue *result, KjValue *args, int count) {
    (void)count;
    double **m = KjValGetMat(&args[0]);
    if (!m) KjLibArgError(0);
    int r = KjValGetMatr(&args[0]), c = KjValGetMatc(&args[0]);
    KjValSetMat(result, m, r, c);
    double **y = KjValGetMat(result);
    for (int i = 0; i < r; ++i)
        for (int j = 0; j < c; ++j) y[i][j] *= 2;
}

/* shout(s): s in capitals. */
KJ_EXPORT void box_shout(KjValue *result, KjValue *args, int count) {
    (void)count;
    char buf[64];
    if (!KjValGetStringCopy(&args[0], buf, sizeof buf)) KjLibArgError(0);
    for (char *p = buf; *p; ++p)
        if (*p >= 'a' && *p <= 'z') *p -= 32;
    KjValSetString(result, buf);
}
"""

MAIN = r"""
extern "%s,box_twice" twice(const x);
main() {
    println("twice ", twice(21), " ", twice(<1,2;3,4>));
}
"""


def compile_package(cc, include, source, target):
    os.makedirs(os.path.dirname(target), exist_ok=True)
    src = target + ".c"
    with open(src, "w") as f:
        f.write(source)
    subprocess.run([cc, "-shared", "-fPIC", "-std=c11", "-I", include, src, "-o", target], check=True)


def group_binding(kj, include, cc):
    with tempfile.TemporaryDirectory() as d:
        libs = os.path.join(d, "libs")
        compile_package(cc, include, BOX, os.path.join(libs, "box_64.so"))
        compile_package(cc, include, BOX, os.path.join(libs, "packages", "crate", "crate.so"))
        inc = ["-i" + libs]
        want = ["twice", "42.000", "2.0000", "4.0000", "6.0000", "8.0000"]

        # Only box_64.so exists: bound without a single message at level 0.
        r = run(kj, inc, d, MAIN % "box")
        check("_64 file", r.status == 0 and r.out.split() == want and r.err == "", "quiet link and run", r.both)

        # Only packages/crate/crate.so: found by the search, reported at level 2.
        r = run(kj, inc + ["-v2"], d, MAIN % "crate")
        check("packages folder", r.status == 0 and r.out.split() == want, "runs", r.both)
        err = lines(r.err)
        check("packages folder", ordered(err, ["Searching for DLL: crate_64", "Searching for DLL: crate",
                                               "Linked box_twice from DLL: crate"]),
              "search transcript at level 2", r.both)
        check("packages folder", not any(l.startswith("Trying DLL") for l in err) and
              "Link error" not in r.err, "no attempt lines or errors at level 2", r.both)

        # Level 3 adds each attempt; level 1 says nothing of the search.
        r = run(kj, inc + ["-v3"], d, MAIN % "box")
        check("level 3", ordered(lines(r.err), ["Trying DLL: box_64", "Linked box_twice from DLL: box_64"]),
              "attempt and link lines", r.both)
        r = run(kj, inc + ["-v1"], d, MAIN % "crate")
        check("level 1", r.status == 0 and "DLL" not in r.err, "no package lines at level 1", r.both)

        # Failures are link errors: the program does not run.
        failing = [
            ("missing library", 'extern "nolib,f" f();', ["Link error: 'nolib' cannot load dll"], "nolib_64"),
            ("missing export", 'extern "crate,nosuch" f();',
             ["Link error: 'nosuch' cannot load function from dll"], None),
            ("no function name", 'extern "crate" f();', ["Link error: 'crate' dll function name not specified"],
             None),
        ]
        for case, decl, errors, absent in failing:
            r = run(kj, inc, d, decl + '\nmain() { println("ran"); f(); }\n')
            check(case, r.status != 0 and "ran" not in r.out, "the program must not run", r.both)
            check(case, ordered(lines(r.err), errors), "link error", r.both)
            if absent:
                check(case, absent not in r.err, "the quiet attempt is not reported", r.both)

        # A "_64" library without the export is reported, and the plain name is tried next.
        r = run(kj, inc, d, 'extern "box,nosuch" f();\nmain() { f(); }\n')
        check("_64 without export", ordered(lines(r.err), ["Link error: 'nosuch' cannot load function from dll",
                                                             "Link error: 'box' cannot load dll"]),
              "both attempts reported", r.both)

        # Strings through a package, and its argument errors as run-time errors.
        r = run(kj, inc, d, 'extern "box,box_shout" shout(const s);\n'
                            'main() { println(shout("kj packages")); println(shout(<1>)); println("after"); }\n')
        check("strings", lines(r.out)[:1] == ["KJ PACKAGES"], "string result", r.both)
        check("argument error", "shout(): error in argument 1" in r.err and "after" not in r.out and
              r.status != 0, "run-time error from the package", r.both)


GAUSS_LIBRARY = r"""
#include <string.h>
int twice(double *y, double *x, double *n) { for (int i = 0; i < (int)*n; ++i) y[i] = 2 * x[i]; return 0; }
int total(double **argv) { int k = 1; for (; argv[k]; ++k) *argv[0] += *argv[k]; return k; }
int length(double *out, char *s) { *out = (double)strlen(s); return 0; }
int refuse(double *x) { (void)x; return 5; }
"""

GAUSS_DECLARATIONS = "namespace gauss { dlibrary(const f, const n); dllcall(const f, const n, ...); }\n"


def group_dllcall(kj, include, cc):
    with tempfile.TemporaryDirectory() as d:
        compile_package(cc, include, GAUSS_LIBRARY, os.path.join(d, "libs", "glib_64.so"))
        inc = ["-i" + os.path.join(d, "libs")]
        r = run(kj, inc, d, GAUSS_DECLARATIONS + r"""
main() {
    gauss::dlibrary("", "glib");
    decl y = zeros(2, 2), x = <1,2;3,4>;
    println("status ", gauss::dllcall("", "twice", y, x, 4));
    println("y ", vecr(y)');
    decl a = <1>, b = <2>, c = <3>;
    println("count ", gauss::dllcall("-v", "total", a, b, c), " ", a);
    decl n = <0>;
    gauss::dllcall("", "length", n, "hello");
    println("length ", n, " refused ", gauss::dllcall("", "refuse", 1));
    gauss::dllcall("-r", "refuse", 1);
    println("not reached");
}
""")
        out = r.out.split()
        check("dllcall", out[:8] == ["status", "0", "y", "2.0000", "4.0000", "6.0000", "8.0000", "count"],
              "results written in place", r.both)
        check("dllcall", " ".join(out[8:14]) == "3 6.0000 length 5.0000 refused 5", "-v array, strings, status", r.both)
        check("dllcall", "gauss::dllcall(): refuse returned 5" in r.err and "not reached" not in r.out,
              "-r makes a non-zero status an error", r.both)

        r = run(kj, inc, d, GAUSS_DECLARATIONS + 'main() { gauss::dlibrary("", "glib"); '
                                                 'gauss::dllcall("", "nosuch", 1); }\n')
        check("dllcall missing", "gauss::dllcall(): 'nosuch' cannot load function from dll" in r.err, "error",
              r.both)
        r = run(kj, inc, d, GAUSS_DECLARATIONS + 'main() { gauss::dlibrary("", "glib nolib"); }\n')
        check("dlibrary missing", "gauss::dlibrary(): 'nolib' cannot load dll" in r.err and r.status != 0,
              "error", r.both)
        # -d drops a library from the list: its functions are no longer found.
        r = run(kj, inc, d, GAUSS_DECLARATIONS + 'main() { gauss::dlibrary("", "glib"); '
                                                 'gauss::dlibrary("-d", "glib"); gauss::dllcall("", "refuse", 1); }\n')
        check("dlibrary -d", "'refuse' cannot load function from dll" in r.err, "dropped", r.both)


def group_sample(kj, include, cc):
    with tempfile.TemporaryDirectory() as d:
        r = run(kj, [], d, '#include <packages/sample/sample.kjh>\n'
                           'main() { println(clip(<-2,0.5;3,1>, 0, 1)); println(words("  a bb  ccc ")); '
                           'println(sizeof(words(""))); clip(<1>, 2, 1); }\n')
        out = r.out.split()
        check("sample", out[:4] == ["0.0000", "0.50000", "1.0000", "1.0000"], "clip", r.both)
        check("sample", out[4:] == ["[0]", "=", "a", "[1]", "=", "bb", "[2]", "=", "ccc", "0"], "words", r.both)
        check("sample", "clip(): error in argument 3" in r.err, "argument check", r.both)


KERNEL_PROGRAM = r"""
extern "%s,naive_calls" naive_calls();
main() {
    decl a = <1,2;3,4>, b = <5,6;7,8>;
    println("ab ", a * b);
    println("atb ", a' * b);
    println("abt ", a * b');
    decl eval, evec;
    eigensym(<4,1,0;1,4,1;0,1,4>, &eval, &evec);
    println("eval ", eval);
    println("check ", norm(<4,1,0;1,4,1;0,1,4> * evec - evec .* eval));
    println("calls ", naive_calls());
}
"""


def numbers(text, tag):
    for line in text.splitlines():
        if line.startswith(tag):
            rest = line[len(tag):].split()
            # a matrix printed after the tag continues on the following lines
            after = text[text.index(line) + len(line):].split("\n")
            for more in after[1:]:
                if not more.strip() or more[0] != " ":
                    break
                rest += more.split()
            return [float(x) for x in rest]
    return None


def close(a, b, tol=1e-10):
    return a is not None and len(a) == len(b) and all(abs(x - y) <= tol * max(1, abs(y)) for x, y in zip(a, b))


def group_kernels(kj, include, cc):
    import math
    # Hand-computed: <1,2;3,4><5,6;7,8> = <19,22;43,50>, A'B = <26,30;38,44>,
    # AB' = <17,23;39,53>; the tridiagonal 4,1 matrix of order 3 has the
    # eigenvalues 4 + sqrt(2), 4, 4 - sqrt(2).
    ab, atb, abt = [19, 22, 43, 50], [26, 30, 38, 44], [17, 23, 39, 53]
    ev = [4 + math.sqrt(2), 4, 4 - math.sqrt(2)]
    with tempfile.TemporaryDirectory() as d:
        r = run(kj, ["-v", "-knaive"], d, KERNEL_PROGRAM % "kjkernelnaive")
        err = lines(r.err)
        check("naive", r.status == 0, "runs", r.both)
        check("naive", ordered(err, ["kjkernelnaive: triple-loop matrix product, Jacobi symmetric eigenproblem",
                                     "Kj kernel replacement from library kjkernelnaive_64: KjKnlEigensym",
                                     "Kj kernel replacement from library kjkernelnaive_64: KjKnlMatmul"]),
              "info line, then the slots in table order", r.both)
        check("naive", sum("Kj kernel replacement" in l for l in err) == 2, "exactly two slots", r.both)
        for tag, want in (("ab ", ab), ("atb ", atb), ("abt ", abt)):
            check("naive", close(numbers(r.out, tag), want), tag + "result", r.both)
        # printed to 4 decimals; the residual below checks the pairs to rounding
        check("naive", close(numbers(r.out, "eval "), ev, 1e-4), "eigenvalues", r.both)
        check("naive", numbers(r.out, "check ")[0] < 1e-12, "eigenvectors as rows", r.both)
        calls = numbers(r.out, "calls ")
        check("naive", calls and calls[0] >= 3 and calls[1] == 1, "the replacements did the work", r.both)

        # Only the product: the eigenproblem stays with the default kernel.
        r = run(kj, ["-v", "-kmatmul"], d, KERNEL_PROGRAM % "kjkernelmatmul")
        reps = [l for l in lines(r.err) if "Kj kernel replacement" in l]
        check("matmul only", reps == ["Kj kernel replacement from library kjkernelmatmul_64: KjKnlMatmul"],
              "one slot", r.both)
        check("matmul only", close(numbers(r.out, "ab "), ab) and close(numbers(r.out, "eval "), ev, 1e-4),
              "results", r.both)
        calls = numbers(r.out, "calls ")
        check("matmul only", calls and calls[0] >= 3 and calls[1] == 0, "product replaced, eigenproblem not",
              r.both)

        # Without -v nothing is said, neither of a replacement nor of a missing library.
        plain = 'main() { println("ab ", <1,2;3,4> * <5,6;7,8>); }\n'
        r = run(kj, ["-knaive"], d, plain)
        check("quiet", r.status == 0 and r.err == "" and close(numbers(r.out, "ab "), ab), "silent", r.both)
        r = run(kj, ["-knosuch"], d, plain)
        check("missing quiet", r.status == 0 and r.err == "", "silent and runs", r.both)
        r = run(kj, ["-v", "-knosuch"], d, plain)
        check("missing verbose", "Link error: 'kjkernelnosuch_64' cannot load dll" in r.err, "reported", r.both)
        # -v after -k comes too late for the report.
        r = run(kj, ["-knosuch", "-v"], d, plain)
        check("order of switches", "kjkernelnosuch" not in r.err, "silent", r.both)


def main():
    if len(sys.argv) != 5:
        sys.exit(__doc__)
    kj, include, cc, group = sys.argv[1:]
    {"binding": group_binding, "dllcall": group_dllcall, "sample": group_sample,
     "kernels": group_kernels}[group](os.path.abspath(kj), include, cc)
    finish(group)


def finish(group):
    """Reports the failures of the group and ends with its status."""
    for f in failures:
        print("FAILED", f, file=sys.stderr)
    print(f"{group}: {'ok' if not failures else str(len(failures)) + ' failure(s)'}")
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
