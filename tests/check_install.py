#!/usr/bin/env python3
"""Kj as installed, one group of cases per run.

Usage: check_install.py SOURCE_DIR BUILD_DIR GROUP

tree: the build installed into a temporary DESTDIR and the installed tree moved
      elsewhere. With the source and build trees hidden, the installed kj runs
      example programs (with the output the build tree's kj gives), a GAUSS
      program, the installed sample package and kernel library; a C host built
      with `cc $(pkg-config --cflags --libs kj80x)` runs a program, and a
      package and a host built with find_package(Kj) run too; kj resolves to
      the installed library, whose SONAME is libkj80x.so.8; both manual pages
      render without a warning. No installed file holds a path of the source
      or build tree (debugging sections aside).
mpi:  examples/mpi_montecarlo.kj with the installed kj under mpirun with a host
      file that names this machine twice: two ranks, and the answer of one.
deb:  the Debian package built by CPack: its control data and contents, a
      Depends line that names the package of every library its programs and
      libraries are linked with (and the BLAS the library loads), and kj run
      from the unpacked package with the trees hidden.

The trees are hidden by mounting an empty file system over them in a mount
namespace of this test's own (unshare); where the system allows no such
namespace, the checks run with the trees in place and say so.
"""
import glob
import json
import os
import re
import shutil
import socket
import subprocess
import sys
import tempfile

from check_groups import sanitized_host_env as host_env
from check_packages import Run

failures = []


def check(case, cond, what, out=""):
    if not cond:
        failures.append(f"{case}: {what}\n{out[-3000:]}")
    return cond


def run(cmd, cwd, env=None, timeout=120, shell=False):
    try:
        proc = subprocess.run(cmd, cwd=cwd, env=env, shell=shell, stdin=subprocess.DEVNULL,
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=timeout)
    except subprocess.TimeoutExpired as e:
        proc = subprocess.CompletedProcess(cmd, None, e.stdout or b"", (e.stderr or b"") + b"\n(time limit)")
    return Run(proc)


def write(folder, name, text):
    path = os.path.join(folder, name)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding="utf-8") as f:
        f.write(text)
    return path


def clean_env(**extra):
    """No search path of the build tree reaches the installed programs."""
    env = {k: v for k, v in os.environ.items()
           if k not in ("LD_LIBRARY_PATH", "KJ8PATH", "PKG_CONFIG_PATH", "CMAKE_PREFIX_PATH")}
    env.update(extra)
    return env


def install_tree(build, tmp):
    """make install into a DESTDIR, then the installed tree moved to tmp/kj."""
    stage = os.path.join(tmp, "stage")
    r = run(["cmake", "--install", build, "--prefix", "/usr/local"], tmp, env=dict(os.environ, DESTDIR=stage))
    check("install", r.status == 0, "cmake --install into a DESTDIR", r.both)
    root = os.path.join(tmp, "kj")
    shutil.move(os.path.join(stage, "usr", "local"), root)
    shutil.rmtree(stage)
    return root


def is_elf(path):
    with open(path, "rb") as f:
        return f.read(4) == b"\x7fELF"


# --- the installed tree -----------------------------------------------------------

HOST = r"""
#include <kj80x.h>
#include <stdio.h>
#include <string.h>

static char g_out[4096];
static void collect(const char *text) { strncat(g_out, text, sizeof g_out - strlen(g_out) - 1); }

int main(void)
{
    KjMainInit();
    SetKjPipe(0);
    SetKjPuts(collect);
    KjMainCmd("-b host.kj");
    int code = KjGetUserExitCode();
    KjMainExit();
    printf("host got: %s", g_out);
    return code;
}
"""

HOST_PROGRAM = '#include <kjstd.kjh>\nmain() { println("pi ", "%.6f", M_PI); return 7; }\n'

PACKAGE_CMAKE = """cmake_minimum_required(VERSION 3.16)
project(twice C)
find_package(Kj 8 REQUIRED)
kj_add_package(twice SOURCES twice.c)
add_executable(host host.c)
target_link_libraries(host PRIVATE Kj::kj80x)
"""

PACKAGE_SOURCE = r"""
#include <kj80x.h>

KJ_EXPORT void twice_scale(KjValue *result, KjValue *args, int count)
{
    double x = 0;
    (void)count;
    if (!KjValGetDouble(&args[0], &x)) KjLibArgError(0);
    KjValSetDouble(result, 2 * x);
}
"""

PACKAGE_PROGRAM = 'extern "twice,twice_scale" twice(const x);\nmain() { println("twice ", twice(21)); }\n'

SAMPLE_PROGRAM = ('#include <packages/sample/sample.kjh>\n'
                  'main() { println(clip(<-2, 0.5, 3>, 0, 1)); println(words("two words")); }\n')

KERNEL_PROGRAM = 'main() { println("ab ", <1,2;3,4> * <5,6;7,8>); }\n'

GAUSS_PROGRAM = "x = seqa(1, 1, 4);\nprint sumc(x .* x);\n"

EXAMPLES = ("hello.kj", "ols.kj", "simulation.kj")


def prepare_tree(source, build, tmp):
    root = install_tree(build, tmp)
    work = os.path.join(tmp, "work")
    os.makedirs(work)
    for name in EXAMPLES:
        shutil.copy(os.path.join(source, "examples", name), work)
    write(work, "prog.g", GAUSS_PROGRAM)
    # What the build tree's kj prints, for the installed one to match.
    expected = {}
    for name in EXAMPLES + ("prog.g",):
        r = run([os.path.join(build, "kj"), "-b", name], work)
        check("reference", r.status == 0, f"build-tree kj runs {name}", r.both)
        expected[name] = r.out
    write(tmp, "expected.json", json.dumps(expected))
    write(work, "host.c", HOST)
    write(work, "host.kj", HOST_PROGRAM)
    package = os.path.join(tmp, "package")
    write(package, "CMakeLists.txt", PACKAGE_CMAKE)
    write(package, "twice.c", PACKAGE_SOURCE)
    write(package, "host.c", HOST)
    write(package, "host.kj", HOST_PROGRAM)
    write(package, "prog.kj", PACKAGE_PROGRAM)


def check_tree(tmp):
    root, work = os.path.join(tmp, "kj"), os.path.join(tmp, "work")
    kj = os.path.join(root, "bin", "kj")
    env = clean_env()
    with open(os.path.join(tmp, "expected.json")) as f:
        expected = json.load(f)

    # The library file, its links and its name; kj finds it beside itself.
    lib = os.path.join(root, "lib")
    check("links", os.readlink(os.path.join(lib, "libkj80x.so")) == "libkj80x.so.8" and
          os.readlink(os.path.join(lib, "libkj80x.so.8")) == "libkj80x.so.8.0.0", "libkj80x.so -> .so.8 -> .so.8.0.0")
    r = run(["readelf", "-d", os.path.join(lib, "libkj80x.so.8.0.0")], tmp)
    check("soname", "Library soname: [libkj80x.so.8]" in r.out, "SONAME libkj80x.so.8", r.both)
    r = run(["ldd", kj], tmp, env=env)
    resolved = re.search(r"libkj80x\.so\.8 => (\S+)", r.out)
    check("ldd", resolved and os.path.realpath(resolved.group(1)) == os.path.join(lib, "libkj80x.so.8.0.0"),
          "kj resolves to the installed library", r.both)

    for name in EXAMPLES + ("prog.g",):
        r = run([kj, "-b", name], work, env=env)
        check(name, r.status == 0 and r.out == expected[name] and r.out, "output as from the build tree", r.both)
    r = run([kj, "--version"], work, env=env)
    version = re.search(r"^libkj80x (\d+\.\d+\.\d+)$", r.out, re.M)
    check("--version", r.status == 0 and version, "names the library version", r.both)

    # The installed sample package and kernel library.
    write(work, "sample.kj", SAMPLE_PROGRAM)
    r = run([kj, "-b", "sample.kj"], work, env=env)
    check("sample package", r.status == 0 and r.out.split()[:3] == ["0.0000", "0.50000", "1.0000"] and
          "two" in r.out and "words" in r.out, "clip and words", r.both)
    write(work, "kernel.kj", KERNEL_PROGRAM)
    r = run([kj, "-b", "-v", "-knaive", "kernel.kj"], work, env=env)
    check("kernel library", r.status == 0 and
          "Kj kernel replacement from library kjkernelnaive_64: KjKnlMatmul" in r.err and
          r.out.split()[1:] == ["19.000", "22.000", "43.000", "50.000"], "-knaive replaces the product", r.both)

    # A C host through pkg-config.
    pc_env = clean_env(PKG_CONFIG_PATH=os.path.join(lib, "pkgconfig"))
    r = run("pkg-config --modversion kj80x", work, env=pc_env, shell=True)
    check("pkg-config", version and r.out.strip() == version.group(1), "version of kj80x.pc", r.both)
    r = run("cc host.c $(pkg-config --cflags --libs kj80x) -Wl,-rpath,$(pkg-config --variable=libdir kj80x) "
            "-o host", work, env=pc_env, shell=True)
    if check("pkg-config host", r.status == 0, "compiles and links", r.both):
        r = run(["./host"], work, env=host_env(env))
        check("pkg-config host", r.status == 7 and "host got: pi 3.141593" in r.out, "runs a program", r.both)

    # A package and a host with find_package(Kj).
    package = os.path.join(tmp, "package")
    r = run(["cmake", "-S", package, "-B", os.path.join(package, "build"), "-G", "Ninja",
             "-DCMAKE_PREFIX_PATH=" + root], tmp, env=env)
    if check("find_package", r.status == 0, "configures", r.both):
        r = run(["cmake", "--build", os.path.join(package, "build")], tmp, env=env)
        check("find_package", r.status == 0, "builds", r.both)
    built = os.path.join(package, "build")
    if os.path.exists(os.path.join(built, "twice_64.so")):
        shutil.copy(os.path.join(package, "prog.kj"), built)
        r = run([kj, "-b", "prog.kj"], built, env=env)
        check("find_package package", r.status == 0 and r.out.strip() == "twice 42", "loaded from a program", r.both)
    if os.path.exists(os.path.join(built, "host")):
        shutil.copy(os.path.join(package, "host.kj"), built)
        r = run(["./host"], built, env=host_env(env))
        check("find_package host", r.status == 7 and "host got: pi 3.141593" in r.out, "Kj::kj80x", r.both)

    # The manual pages.
    for page in ("man1/kj.1.gz", "man3/kj80x.3.gz"):
        path = os.path.join(root, "share", "man", page)
        man_env = dict(env, LC_ALL="C.UTF-8", MANWIDTH="80")
        r = run(["man", "--warnings=w", "-l", path], tmp, env=man_env)
        check(page, r.status == 0 and r.err == "" and "SYNOPSIS" in r.out, "man -l renders it quietly", r.both)
        r = run(f"zcat '{path}' | groff -man -ww -z -Tutf8", tmp, env=man_env, shell=True)
        check(page, r.status == 0 and r.err == "", "groff -ww has no warning", r.both)


def scan_for_tree_paths(source, build, tmp):
    """No installed file names the source or build tree (debugging sections,
    which hold the names of the compiled files, are left out)."""
    root = os.path.join(tmp, "kj")
    trees = {os.path.realpath(source).encode(), os.path.realpath(build).encode()}
    stripped = os.path.join(tmp, "stripped")
    for folder, _, files in os.walk(root):
        for name in files:
            path = os.path.join(folder, name)
            if os.path.islink(path):
                continue
            if is_elf(path) and os.environ.get("KJ_TEST_SANITIZED") == "1":
                continue  # the sanitizers' own tables name every instrumented source file
            if is_elf(path):
                subprocess.run(["objcopy", "--strip-debug", path, stripped], check=True)
                path_read = stripped
            else:
                path_read = path
            with open(path_read, "rb") as f:
                data = f.read()
            for tree in trees:
                check("paths", tree not in data, f"{os.path.relpath(path, root)} holds {tree.decode()}")


# --- MPI on the hosts of a host file ---------------------------------------------

def prepare_mpi(source, build, tmp):
    install_tree(build, tmp)
    work = os.path.join(tmp, "work")
    os.makedirs(work)
    shutil.copy(os.path.join(source, "examples", "mpi_montecarlo.kj"), work)
    this = socket.gethostname()
    write(work, "hosts", f"{this}\n{this}\n")


def check_mpi(tmp):
    kj = os.path.join(tmp, "kj", "bin", "kj")
    work = os.path.join(tmp, "work")
    mpirun = [shutil.which("mpirun") or "mpirun"] + (["--allow-run-as-root"] if os.geteuid() == 0 else [])
    env = clean_env(ASAN_OPTIONS=os.environ.get("ASAN_OPTIONS", "") + ":detect_leaks=0")
    # The host file alone sets the number of ranks: one per line.
    two = run(mpirun + ["--hostfile", "hosts", kj, "-b", "mpi_montecarlo.kj"], work, env=env, timeout=240)
    check("host file", two.status == 0 and "replications 4000 on 2 ranks" in two.out, "two ranks", two.both)
    one = run(mpirun + ["-np", "1", kj, "-b", "mpi_montecarlo.kj"], work, env=env, timeout=240)
    stats = [re.findall(r"^(?:mean|std|rejections).*$", r.out, re.M) for r in (one, two)]
    check("host file", len(stats[0]) == 3 and stats[0] == stats[1], "the answer of one rank", one.both + two.both)


# --- the Debian package ---------------------------------------------------------

def prepare_deb(source, build, tmp):
    r = run(["cpack", "--config", os.path.join(build, "CPackConfig.cmake"), "-G", "DEB", "-B",
             os.path.join(tmp, "pkg")], tmp, timeout=600)
    debs = glob.glob(os.path.join(tmp, "pkg", "kj_*.deb"))
    if not check("cpack", r.status == 0 and len(debs) == 1, "builds kj_*.deb", r.both):
        return
    deb = debs[0]
    info = run(["dpkg-deb", "--info", deb], tmp)
    contents = run(["dpkg-deb", "--contents", deb], tmp)
    fields = dict(re.findall(r"^ (\w[\w-]*): (.*)$", info.out, re.M))
    check("control", fields.get("Package") == "kj" and fields.get("Architecture") == "amd64" and
          "Maintainer" in fields and "Description" in fields, "package, architecture, maintainer", info.both)
    paths = [line.split()[-1] if " -> " not in line else line.split()[-3] for line in contents.out.splitlines()]
    check("contents", all(p.startswith("./usr/") or p == "./" for p in paths), "only under /usr", contents.out)
    for wanted in ("./usr/bin/kj", "./usr/lib/libkj80x.so.8.0.0", "./usr/lib/libkj80x.so.8",
                   "./usr/include/kj80x.h", "./usr/share/kj80x/include/kjstd.kjh",
                   "./usr/lib/kj80x/sample_64.so", "./usr/lib/pkgconfig/kj80x.pc",
                   "./usr/lib/cmake/Kj/KjConfig.cmake", "./usr/share/man/man1/kj.1.gz",
                   "./usr/share/man/man3/kj80x.3.gz", "./usr/share/doc/kj/copyright"):
        check("contents", wanted in paths, wanted, contents.out)

    # Depends names the package of every library that a file of the package
    # is linked with, except those the package holds itself.
    unpacked = os.path.join(tmp, "unpacked")
    subprocess.run(["dpkg-deb", "-x", deb, unpacked], check=True)
    own, needed = set(), set()
    for folder, _, files in os.walk(unpacked):
        for name in files:
            path = os.path.join(folder, name)
            if os.path.islink(path) or not is_elf(path):
                continue
            dyn = run(["readelf", "-d", path], tmp).out
            own.update(re.findall(r"Library soname: \[(.+?)\]", dyn))
            needed.update(re.findall(r"Shared library: \[(.+?)\]", dyn))
    cache = run(["ldconfig", "-p"], tmp).out
    depends = fields.get("Depends", "")
    named = set(re.findall(r"[a-z0-9][a-z0-9.+-]+", depends))
    # Each library's file, as the loader's cache names it and resolved (dpkg
    # knows one of the two), asked of dpkg in one go.
    files = {}
    for lib in sorted(needed - own):
        where = re.search(rf"^\s+{re.escape(lib)} \(libc6,x86-64[^)]*\) => (\S+)$", cache, re.M)
        if check("depends", where, f"{lib} is not in the library cache", cache[:500]):
            files[lib] = (where.group(1), os.path.realpath(where.group(1)))
    owners = run(["dpkg", "-S"] + sorted({f for pair in files.values() for f in pair}), tmp)
    owner_of = {path: pkg.split(":")[0] for pkg, path in re.findall(r"^(\S+): (\S+)$", owners.out, re.M)}
    for lib, pair in files.items():
        package = owner_of.get(pair[0]) or owner_of.get(pair[1])
        check("depends", package and package in named, f"{lib} ({package}) missing from Depends: {depends}",
              owners.both)
    check("depends", "libopenblas0 | libblas3" in depends, "the BLAS loaded at run time", depends)
    for package, why in (("libcairo2", "cairo, loaded when a PNG picture is drawn"),
                         ("libfftw3-double3", "FFTW, loaded with the first Fourier transform"),
                         ("libsleef3", "libsleef, loaded with the first vector math kernel"),
                         ("libedit2", "libedit, loaded for the console's prompt")):
        check("depends", package in named, why, depends)
    shutil.copy(os.path.join(source, "examples", "hello.kj"), tmp)


def check_deb(tmp):
    kj = os.path.join(tmp, "unpacked", "usr", "bin", "kj")
    if not os.path.exists(kj):
        return
    r = run([kj, "-b", "hello.kj"], tmp, env=clean_env())
    check("unpacked", r.status == 0 and "Hello from Kj" in r.out, "kj of the package runs an example", r.both)


GROUPS = {"tree": (prepare_tree, check_tree), "mpi": (prepare_mpi, check_mpi), "deb": (prepare_deb, check_deb)}


# --- running the checks with the trees hidden -------------------------------------

def hide(trees):
    """Mounts an empty file system over each tree (inside a mount namespace)."""
    subprocess.run(["mount", "--make-rprivate", "/"], check=True)
    for tree in trees:
        if os.path.exists(tree):
            subprocess.run(["mount", "-t", "tmpfs", "-o", "size=64k,mode=000", "kjhidden", tree], check=True)
    return all(not os.path.exists(t) or not os.listdir(t) for t in trees)


def inside(source, build, group, tmp):
    """The checks, run in the namespace: writes the failures to tmp/failures.json."""
    if not hide([os.path.realpath(build), os.path.realpath(source)]):
        sys.exit(3)
    with open(os.path.join(tmp, "hidden"), "w") as f:
        f.write("yes")
    GROUPS[group][1](tmp)
    write(tmp, "failures.json", json.dumps(failures))


def main():
    if len(sys.argv) == 6 and sys.argv[1] == "--inside":
        inside(*sys.argv[2:])
        return 0
    if len(sys.argv) != 4 or sys.argv[3] not in GROUPS:
        print(__doc__)
        print("groups:", ", ".join(GROUPS))
        return 2
    source, build, group = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2]), sys.argv[3]
    prepare, checks = GROUPS[group]
    with tempfile.TemporaryDirectory(prefix="kj_install_") as tmp:
        prepare(source, build, tmp)
        if not failures:
            unshare = ["unshare", "--mount"] + ([] if os.geteuid() == 0 else ["--map-root-user"])
            r = Run(subprocess.CompletedProcess([], 1, b"", b"no unshare"))
            if shutil.which("unshare"):
                r = run(unshare + [sys.executable, os.path.abspath(__file__), "--inside", source, build, group, tmp],
                        tmp, timeout=900)
            if os.path.exists(os.path.join(tmp, "failures.json")):
                with open(os.path.join(tmp, "failures.json")) as f:
                    failures.extend(json.load(f))
            elif os.path.exists(os.path.join(tmp, "hidden")):
                check("hidden run", False, "ended without a result", r.both)
            else:
                print("note: no mount namespace for hiding the source and build trees here; "
                      "checking with them in place\n" + r.err[-500:])
                checks(tmp)
        if group == "tree" and not failures:
            scan_for_tree_paths(source, build, tmp)
    for f in failures:
        print("FAIL", f)
    print(f"{group}: {len(failures)} failure(s)")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
