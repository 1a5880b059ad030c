#!/usr/bin/env python3
"""Checks the editor support under editors/ with the editors' own tools.

Usage: check_editors.py SOURCE_DIR WORK_DIR GROUP

Groups:
  textmate     the TextMate grammars against the annotated samples in
               tests/editors/grammar/ (vscode-tmgrammar-test)
  vsix         the VS Code extension packs into a .vsix holding the grammars,
               language configurations and snippets (@vscode/vsce)
  tree-sitter  the tree-sitter grammar is generated from grammar.js, passes its
               corpus (tree-sitter test), and parses every Kj program of the
               repository without an ERROR node, except the programs written
               to show compile errors, which must show one
  vim          filetype detection, syntax groups and the compiler's error format
               in a headless Vim

The Node tools come from tests/editors/node_modules and the tree-sitter program
from tests/editors/tree-sitter, both installed by scripts/install-deps.
"""
import glob
import json
import os
import shutil
import subprocess
import sys
import tempfile
import zipfile

SOURCE = os.path.abspath(sys.argv[1])
WORK = os.path.abspath(sys.argv[2])
TOOLS = os.path.join(SOURCE, "tests", "editors")
EDITORS = os.path.join(SOURCE, "editors")

# Programs that exist to show compile errors: their syntax is broken on purpose.
BROKEN_ON_PURPOSE = {
    "tests/programs/diagnostics/messages.kj",
    "tests/programs/diagnostics/matrix_default_errors.kj",
}


def tool(*parts):
    path = os.path.join(TOOLS, *parts)
    if not os.path.exists(path):
        sys.exit(f"{path} is missing: run scripts/install-deps")
    return path


def run(cmd, cwd=None, env=None, timeout=600):
    result = subprocess.run(cmd, cwd=cwd, env=env, timeout=timeout, stdout=subprocess.PIPE,
                            stderr=subprocess.STDOUT, text=True)
    return result.returncode, result.stdout


def fresh_dir(name):
    path = os.path.join(WORK, name)
    shutil.rmtree(path, ignore_errors=True)
    os.makedirs(path)
    return path


def check_textmate():
    samples = os.path.join(TOOLS, "grammar", "*")
    code, out = run([tool("node_modules", ".bin", "vscode-tmgrammar-test"), "--compact",
                     "-g", os.path.join(EDITORS, "kj.tmLanguage.json"),
                     "-g", os.path.join(EDITORS, "gauss.tmLanguage.json"), samples])
    print(out)
    samples_run = out.count("run successfuly")
    if code != 0 or samples_run != len(glob.glob(samples)):
        return ["grammar samples failed"]
    return []


def check_vsix():
    work = fresh_dir("vsix")
    shutil.copytree(EDITORS, os.path.join(work, "editors"), ignore=shutil.ignore_patterns("syntaxes", "*.vsix"))
    extension = os.path.join(work, "editors", "vscode")
    target = os.path.join(work, "kj.vsix")
    code, out = run([tool("node_modules", ".bin", "vsce"), "package", "--skip-license",
                     "--allow-missing-repository", "--out", target], cwd=extension)
    print(out)
    if code != 0:
        return ["vsce package failed"]
    errors = []
    with zipfile.ZipFile(target) as z:
        names = set(z.namelist())
        for name in ("kj.tmLanguage.json", "gauss.tmLanguage.json"):
            with open(os.path.join(EDITORS, name), "rb") as f:
                if z.read("extension/syntaxes/" + name) != f.read():
                    errors.append(f"{name} in the package differs from editors/{name}")
        for name in ("language-configuration.json", "gauss-language-configuration.json", "snippets/kj.json"):
            if "extension/" + name not in names:
                errors.append(f"{name} missing from the package")
        manifest = json.loads(z.read("extension/package.json"))
        snippets = json.loads(z.read("extension/snippets/kj.json"))
        config = json.loads(z.read("extension/language-configuration.json"))
    languages = {lang["id"]: lang for lang in manifest["contributes"]["languages"]}
    if ".kj" not in languages.get("kj", {}).get("extensions", []):
        errors.append("the kj language does not claim .kj")
    if {s["prefix"] for s in snippets.values()} != {"main", "for", "class", "foreach"}:
        errors.append(f"snippets: {sorted(snippets)}")
    if config.get("comments") != {"lineComment": "//", "blockComment": ["/*", "*/"]}:
        errors.append(f"comments: {config.get('comments')}")
    if ["{", "}"] not in config.get("brackets", []):
        errors.append("braces are not brackets")
    return errors


def kj_programs():
    # The programs of the repository; the grammar samples under tests/editors/ are not.
    patterns = ["examples/*.kj", "tests/programs/**/*.kj", "tests/programs/**/*.kjh", "tests/prompt/*.kj",
                "include/**/*.kj", "include/**/*.kjh", "packages/**/*.kj",
                "packages/**/*.kjh", "bench/**/*.kj"]
    files = set()
    for pattern in patterns:
        files.update(os.path.relpath(p, SOURCE) for p in glob.glob(os.path.join(SOURCE, pattern), recursive=True))
    return sorted(files)


def check_tree_sitter():
    work = fresh_dir("tree-sitter-kj")
    grammar = os.path.join(work, "tree-sitter-kj")
    shutil.copytree(os.path.join(EDITORS, "tree-sitter-kj"), grammar,
                    ignore=shutil.ignore_patterns("parser.c", "grammar.json", "node-types.json", "tree_sitter"))
    env = dict(os.environ, XDG_CACHE_HOME=os.path.join(work, "cache"), TREE_SITTER_DIR=os.path.join(work, "config"))
    program = tool("tree-sitter", "tree-sitter")
    errors = []
    code, out = run([program, "generate", "--no-bindings"], cwd=grammar, env=env)
    if code != 0:
        print(out)
        return ["tree-sitter generate failed"]
    code, out = run([program, "test"], cwd=grammar, env=env)
    print(out)
    if code != 0 or "✗" in out:
        errors.append("the corpus failed")
    programs = kj_programs()
    if len(programs) < 50 or "examples/ols.kj" not in programs:
        errors.append(f"only {len(programs)} programs found")
    # One parse of every program; --quiet prints the files with an ERROR or MISSING node.
    code, out = run([program, "parse", "--quiet"] + [os.path.join(SOURCE, p) for p in programs], cwd=grammar,
                    env=env)
    failed = {os.path.relpath(line.split()[0], SOURCE) for line in out.splitlines()
              if line.strip() and ("ERROR" in line or "MISSING" in line)}
    for p in sorted(failed - BROKEN_ON_PURPOSE):
        errors.append(f"{p} does not parse: " + next(line for line in out.splitlines() if line.startswith(
            os.path.join(SOURCE, p))))
    for p in sorted(BROKEN_ON_PURPOSE - failed):
        errors.append(f"{p} is broken on purpose but parses")
    print(f"{len(programs)} programs parsed, {len(failed)} with errors")
    return errors


# (needle on a line of tests/editors/grammar/tokens.kj, nth occurrence on that line, Vim syntax group)
VIM_GROUPS = [
    ("#include <kjstd.kjh>", "#include", 0, "kjInclude"),
    ("#include <kjstd.kjh>", "<kjstd.kjh>", 0, "kjIncludePath"),
    ("#ifndef GUARD", "#ifndef", 0, "kjPreCondit"),
    ("/* a block comment", "nested", 0, "kjBlockComment"),
    ("/* a block comment", "still", 0, "kjBlockComment"),
    ("/* a block comment", "decl", 0, "kjDecl"),
    ("const decl LIMIT", "const", 0, "kjStorageClass"),
    ("const decl LIMIT", "10", 0, "kjNumber"),
    ("class Point : public", "class", 0, "kjStructure"),
    ("class Point : public", "Point", 0, "kjClassName"),
    ('extern "mylib', '"mylib', 0, "kjString"),
    ("Point::norm() {", "norm", 0, "kjFunction"),
    ("Point::norm() {", "return", 0, "kjStatement"),
    ("Point::norm() {", "sqrt", 0, "kjCall"),
    ("Point::norm() {", "this", 0, "kjThis"),
    ("Point::norm() {", "x", 0, "kjMember"),
    ("decl m = <1, 2; 3", "<", 0, "kjMatrixDelimiter"),
    ("decl m = <1, 2; 3", ";", 0, "kjMatrixRow"),
    ("decl m = <1, 2; 3", ".NaN", 0, "kjSpecial"),
    ("decl m = <1, 2; 3", "'", 0, "kjTranspose"),
    ("decl h = 0xFF", "0xFF", 0, "kjNumber"),
    ("decl h = 0xFF", "0v3FF", 0, "kjNumber"),
    ("decl h = 0xFF", "2i", 0, "kjNumber"),
    ("decl h = 0xFF", "'a'", 0, "kjCharacter"),
    ("decl h = 0xFF", "\\t", 0, "kjEscape"),
    ("decl b = X'X", "'", 0, "kjTranspose"),
    ("decl b = X'X", ".*", 0, "kjOperator"),
    ("if (a .== b", "if", 0, "kjConditional"),
    ("if (a .== b", ".==", 0, "kjOperator"),
    ("foreach (decl v in m)", "foreach", 0, "kjRepeat"),
    ("foreach (decl v in m)", "parallel", 0, "kjRepeat"),
    ("decl f = [=]", "[=]", 0, "kjLambda"),
    ("decl f = [=]", "new", 0, "kjOperatorWord"),
    ("switch_single (s)", "switch_single", 0, "kjConditional"),
    ("switch_single (s)", "case", 0, "kjLabel"),
    ("print(int(x)", "int", 1, "kjType"),
    ("delete o; return TRUE", "TRUE", 0, "kjBoolean"),
    ("x = util::twice(2)", "// trailing", 0, "kjLineComment"),
    ("if (a < b && c > d)", "<", 0, "kjOperator"),
    ("short y = 1;", "short", 0, "kjReserved"),
]


def check_vim():
    work = fresh_dir("vim")
    sample = os.path.join(TOOLS, "grammar", "tokens.kj")
    with open(sample, encoding="utf-8") as f:
        lines = f.read().split("\n")
    probes = []
    for line_text, needle, nth, group in VIM_GROUPS:
        number = next(i for i, l in enumerate(lines) if line_text in l and not l.startswith("//"))
        column = -1
        for _ in range(nth + 1):
            column = lines[number].index(needle, column + 1)
        probes.append((number + 1, column + 1, group))
    gauss = os.path.join(work, "prog.kjgauss")
    open(gauss, "w").write("proc (1) = f(x); retp(x); endp;\n")
    out = os.path.join(work, "out.txt")
    script = os.path.join(work, "probe.vim")
    with open(script, "w") as f:
        f.write("set nocompatible\n")
        f.write(f"set runtimepath^={EDITORS}/vim\n")
        f.write("filetype plugin on\nsyntax on\n")
        f.write(f"edit {sample}\n")
        f.write("let s:out = ['ft ' . &filetype, 'makeprg ' . &makeprg]\n")
        for line, col, group in probes:
            f.write(f"call add(s:out, '{line}:{col} {group} ' . synIDattr(synID({line}, {col}, 1), 'name'))\n")
        # :cgetexpr reads with the global value; the compiler file sets the buffer's.
        f.write("let &g:errorformat = &l:errorformat\n")
        f.write("cgetexpr ['prog.kj (12): ''x'' undeclared identifier', 'lib.kj (3): Warning: isolated ; is empty statement',"
                " 'prog.kj:7:5: error: ''y'' undeclared identifier', 'Runtime error occurred in f (4), call trace: prog.kj (4): f']\n")
        f.write("for e in getqflist() | call add(s:out, printf('qf %s %d %d %s %s', bufname(e.bufnr), e.lnum, e.col,"
                " e.type, e.text)) | endfor\n")
        f.write(f"edit {gauss}\n")
        f.write("call add(s:out, 'ft ' . &filetype)\n")
        f.write("call add(s:out, 'proc ' . synIDattr(synID(1, 1, 1), 'name') . ' ' . synIDattr(synID(1, 12, 1), 'name'))\n")
        f.write(f"call writefile(s:out, '{out}')\nqall!\n")
    code, text = run(["vim", "-N", "-u", "NONE", "-i", "NONE", "-es", "-S", script], timeout=120)
    if not os.path.exists(out):
        return [f"vim wrote nothing (status {code}): {text}"]
    result = open(out).read().splitlines()
    print("\n".join(result))
    errors = []
    if result[0] != "ft kj":
        errors.append(f"filetype of .kj: {result[0]}")
    if "kj -b -r-" not in result[1]:
        errors.append(f"compiler: {result[1]}")
    for line in result[2:2 + len(probes)]:
        place, want, got = (line.split(" ") + [""])[:3]
        if want != got:
            errors.append(f"{place}: {want} expected, {got or 'nothing'} found")
    quickfix = [line for line in result if line.startswith("qf ")]
    expected = ["qf prog.kj 12 0  'x' undeclared identifier",
                "qf lib.kj 3 0 W isolated ; is empty statement",
                "qf prog.kj 7 5 e 'y' undeclared identifier",
                "qf prog.kj 4 0  f"]
    if quickfix != expected:
        errors.append(f"quickfix entries: {quickfix}")
    if result[-2:] != ["ft kjgauss", "proc kjgStorage kjgFunction"]:
        errors.append(f"GAUSS file: {result[-2:]}")
    return errors


def main():
    group = sys.argv[3]
    checks = {"textmate": check_textmate, "vsix": check_vsix, "tree-sitter": check_tree_sitter, "vim": check_vim}
    errors = checks[group]()
    for e in errors:
        print("failed:", e)
    print(f"editors.{group}:", "passed" if not errors else f"{len(errors)} failed")
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main())
