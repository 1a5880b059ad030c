#!/usr/bin/env python3
"""Drives kj-kernel through jupyter_client as a notebook front end would.

One group of cases per run, each with a fresh kernel found by its spec
(JUPYTER_PATH must point at the build tree's share/jupyter):

  execute   output as stream messages while a cell runs, the value of a final
            expression, state kept from cell to cell, #new, errors with their
            call trace, warnings on standard error
  graphs    a drawn graph as display_data with SVG (parsed as XML) and PNG
            (signature, picture size), at the cell's end and on ShowDrawWindow
  editor    completion (names and members), inspection, completeness, kernel info
  interrupt an endless loop stopped within a second; the kernel still works;
            a clean shutdown
  install   `kj-kernel install --prefix DIR` writes a spec Jupyter finds
  notebook  `jupyter nbconvert --execute` runs a notebook top to bottom; its
            cells end without errors and its plots are in the outputs

Usage: check_jupyter_kernel.py GROUP [KJ_KERNEL | NOTEBOOK]
"""
import base64
import json
import os
import struct
import subprocess
import sys
import tempfile
import time
import xml.etree.ElementTree as ET

from jupyter_client.manager import KernelManager

failures = []


def check(cond, what):
    if not cond:
        failures.append(what)
        print("FAILED:", what)


class Kernel:
    def __enter__(self):
        self.km = KernelManager(kernel_name="kj")
        self.km.start_kernel()
        self.kc = self.km.client()
        self.kc.start_channels()
        self.kc.wait_for_ready(timeout=60)
        return self

    def __exit__(self, *exc):
        self.kc.stop_channels()
        if self.km.is_alive():
            self.km.shutdown_kernel(now=True)

    def run(self, code, timeout=30):
        """Executes code; returns (reply content, [(msg_type, content, arrival time)])."""
        msg_id = self.kc.execute(code)
        outputs = []
        deadline = time.time() + timeout
        while True:
            msg = self.kc.get_iopub_msg(timeout=max(0.1, deadline - time.time()))
            if msg["parent_header"].get("msg_id") != msg_id:
                continue
            kind = msg["msg_type"]
            if kind == "status" and msg["content"]["execution_state"] == "idle":
                break
            if kind in ("stream", "execute_result", "display_data", "error"):
                outputs.append((kind, msg["content"], time.time()))
        reply = self.kc.get_shell_msg(timeout=timeout)
        return reply["content"], outputs


def text_of(outputs, name):
    return "".join(c["text"] for k, c, _ in outputs if k == "stream" and c["name"] == name)


def results(outputs):
    return [c["data"]["text/plain"] for k, c, _ in outputs if k == "execute_result"]


def test_execute():
    with Kernel() as k:
        reply, out = k.run("x = 6;\ny = x * 7;\nprintln(\"x is \", x);\ny")
        check(reply["status"] == "ok", "a plain cell runs")
        check(text_of(out, "stdout") == "x is 6\n", "println reaches stdout")
        check(results(out) == ["42"], "the final expression is the cell's result")

        reply, out = k.run("y + x")
        check(results(out) == ["48"], "variables stay from cell to cell")
        reply, out = k.run("z = y;")
        check(results(out) == [] and reply["status"] == "ok", "a final statement gives no result")

        # A long loop's progress arrives while it runs, not all at the end.
        reply, out = k.run("for (i = 0; i < 3; ++i) {\n  println(\"step \", i);\n"
                           "  t = timer(); while (timer() - t < 60) {}\n}")
        steps = [t for kind, c, t in out if kind == "stream" and "step" in c["text"]]
        check(text_of(out, "stdout") == "step 0\nstep 1\nstep 2\n", "the loop's output, in order")
        check(len(steps) >= 2 and steps[-1] - steps[0] > 0.5, "output streamed while the cell ran")

        # A run-time error inside a function: message and call trace.
        with tempfile.TemporaryDirectory() as d:
            lib = os.path.join(d, "lib.kj")
            with open(lib, "w") as f:
                f.write("inner(m) { return m[5]; }\nouter(m) { return inner(m) + 1; }\n")
            reply, out = k.run('#include "%s"\nprintln("before");\nouter(<1, 2>)\nprintln("after");' % lib)
        check(reply["status"] == "error", "a run-time error fails the cell")
        check(text_of(out, "stdout") == "before\n", "the cell stops at the error")
        errors = [c for kind, c, _ in out if kind == "error"]
        check(len(errors) == 1, "one error message")
        if errors:
            e = errors[0]
            trace = "\n".join(e["traceback"])
            check(e["ename"] == "Runtime error", "error name: " + e["ename"])
            check("inner" in trace and "outer" in trace and "lib.kj" in trace, "the call trace names both functions")
            check(reply["traceback"] == e["traceback"] and reply["ename"] == e["ename"]
                  and reply["evalue"] == e["evalue"], "the reply carries the same error")
            check("index out of range" in e["evalue"], "error value: " + e["evalue"])
            check("Runtime error" not in text_of(out, "stderr"), "the error is not repeated on stderr")

        # A warning goes to stderr, in its place among the output; the cell goes on.
        reply, out = k.run('println("a");\nc = choleski(<1, 2; 2, 1>);\nprintln("b");')
        streams = [(c["name"], c["text"]) for kind, c, _ in out if kind == "stream"]
        check(reply["status"] == "ok" and [n for n, _ in streams] == ["stdout", "stderr", "stdout"],
              "a warning between two lines of output: %s" % streams)
        check("decomposition failed" in text_of(out, "stderr"), "the warning's text")

        reply, out = k.run("q = (1 + ;")
        errors = [c for kind, c, _ in out if kind == "error"]
        check(reply["status"] == "error" and errors and errors[0]["traceback"], "a compile error is an error reply")

        reply, out = k.run("x")
        check(reply["status"] == "ok" and results(out) == ["6"], "the session goes on after errors")

        reply, out = k.run("#new")
        reply, out = k.run("x")
        check(reply["status"] == "error", "#new forgets the variables")
        reply, out = k.run('s = "Grüße";\ns')
        check(results(out) == ["Grüße"], "UTF-8 text in results")


def svg_root(svg):
    try:
        return ET.fromstring(svg)
    except ET.ParseError as e:
        check(False, "SVG parses: %s" % e)
        return None


def check_picture(content, what):
    data = content["data"]
    root = svg_root(data.get("image/svg+xml", ""))
    check(root is not None and root.tag.endswith("svg"), what + ": SVG root element")
    if root is not None:
        check(len(list(root.iter())) > 20, what + ": the SVG draws something")
    html = data.get("text/html", "")
    prefix = '<img alt="graph" src="data:image/svg+xml;base64,'
    check(html.startswith(prefix) and base64.b64decode(html[len(prefix):html.rindex('"')]).decode()
          == data.get("image/svg+xml"), what + ": an image element of the same SVG")
    png = base64.b64decode(data.get("image/png", ""))
    check(png[:8] == b"\x89PNG\r\n\x1a\n", what + ": PNG signature")
    if len(png) > 24:
        width, height = struct.unpack(">II", png[16:24])
        check(width == 900 and height == 600, what + ": PNG of 900 x 600 (6 x 4 inch at 150 dpi), not %dx%d"
              % (width, height))


def test_graphs():
    with Kernel() as k:
        reply, out = k.run("Draw(0, <1, 3, 2, 5, 4>);\nDrawTitle(0, \"Series\");\nprintln(\"drawn\");")
        pictures = [c for kind, c, _ in out if kind == "display_data"]
        check(reply["status"] == "ok" and len(pictures) == 1, "one picture at the cell's end")
        if pictures:
            check_picture(pictures[0], "cell end")
            check("Series" in pictures[0]["data"]["image/svg+xml"], "the title is in the SVG")
        check([kind for kind, _, _ in out] == ["stream", "display_data"], "output first, then the picture")

        reply, out = k.run("println(1);")
        check(not [c for kind, c, _ in out if kind == "display_data"], "a shown graph is not shown again")

        reply, out = k.run("Draw(0, <1, 2>);\nShowDrawWindow();\nDraw(0, <2, 1>);\nprintln(\"second\");")
        kinds = [kind for kind, _, _ in out]
        check(kinds == ["display_data", "stream", "display_data"], "ShowDrawWindow shows at once: %s" % kinds)
        for c in [c for kind, c, _ in out if kind == "display_data"]:
            check_picture(c, "ShowDrawWindow")

        # A graph of an earlier cell can still be saved.
        with tempfile.TemporaryDirectory() as d:
            path = os.path.join(d, "g.svg")
            reply, out = k.run('SaveDrawWindow("%s");' % path)
            check(os.path.exists(path), "SaveDrawWindow after the graph was shown")

        reply, out = k.run("Draw(0, <1, 2>);\nCloseDrawWindow();")
        check(reply["status"] == "ok" and not out, "a closed graph is not shown")


def test_editor():
    with Kernel() as k:
        k.run("alpha_one = 1;\nalpha_two = <1, 2>;")
        with tempfile.TemporaryDirectory() as d:
            lib = os.path.join(d, "pt.kj")
            with open(lib, "w") as f:
                f.write("class Pt {\n decl m_x;\n Pt(const x);\n Twice();\n};\n"
                        "Pt::Pt(const x) { m_x = x; }\nPt::Twice() { return 2 * m_x; }\n"
                        "scale(a, const b) { return a * b; }\n")
            reply, _ = k.run('#include "%s"\np = new Pt(4);' % lib)
        check(reply["status"] == "ok", "the class compiles")

        code = "y = alpha_"
        c = k.kc.complete(code, len(code), reply=True, timeout=10)["content"]
        check(c["status"] == "ok" and sorted(c["matches"]) == ["alpha_one", "alpha_two"], "variables complete")
        check(c["cursor_start"] == len("y = ") and c["cursor_end"] == len(code), "completion range")
        code = "z = sqr"
        c = k.kc.complete(code, len(code), reply=True, timeout=10)["content"]
        check("sqrt" in c["matches"], "built-ins complete")
        code = "x = sca"
        c = k.kc.complete(code, len(code), reply=True, timeout=10)["content"]
        check("scale" in c["matches"], "functions complete")
        code = "v = p.T"
        c = k.kc.complete(code, len(code), reply=True, timeout=10)["content"]
        check(c["matches"] == ["p.Twice"] and c["cursor_start"] == len("v = "), "members after '.'")
        code = "ä = alpha_"  # positions count characters, not bytes
        c = k.kc.complete(code, len(code), reply=True, timeout=10)["content"]
        check(c["cursor_start"] == len("ä = "), "positions in characters")

        code = "w = scale(sqrt(4), 3);"
        c = k.kc.inspect(code, code.index("scale") + 2, reply=True, timeout=10)["content"]
        check(c["found"] and c["data"]["text/plain"] == "scale(a, const b)", "inspection gives the declaration")
        c = k.kc.inspect(code, code.index("3"), reply=True, timeout=10)["content"]
        check(c["found"] and c["data"]["text/plain"] == "scale(a, const b)", "inspection inside the call's parentheses")
        c = k.kc.inspect("invert(x)", 2, reply=True, timeout=10)["content"]
        check(c["found"] and "invert" in c["data"]["text/plain"] and "Example" in c["data"]["text/plain"],
              "inspection of a built-in gives its reference entry")
        c = k.kc.inspect("nothing_here", 3, reply=True, timeout=10)["content"]
        check(not c["found"], "an unknown name is not found")

        for code, status in [("x = 1;", "complete"), ("for (i = 0; i < 2; ++i) {", "incomplete"),
                             ("m = <1, 2", "complete"), ("f(1, [2", "incomplete"), ("s = \"{\";", "complete"),
                             ("/* open", "incomplete"), ("x = 1; }", "invalid")]:
            k.kc.is_complete(code)
            c = k.kc.get_shell_msg(timeout=10)["content"]
            check(c["status"] == status, "is_complete(%r) is %s, not %s" % (code, status, c["status"]))

        info = k.kc.kernel_info(reply=True, timeout=10)["content"]
        lang = info["language_info"]
        check(lang["name"] == "kj" and lang["file_extension"] == ".kj" and lang.get("codemirror_mode"),
              "kernel info: language kj, .kj, a CodeMirror mode")


def test_interrupt():
    with Kernel() as k:
        k.run("x = 5;")
        msg_id = k.kc.execute("while (1) {}")
        time.sleep(1.0)
        start = time.time()
        k.km.interrupt_kernel()
        reply = k.kc.get_shell_msg(timeout=10)
        took = time.time() - start
        check(reply["parent_header"]["msg_id"] == msg_id and reply["content"]["status"] == "error",
              "the endless loop ends with an error")
        check(took < 1.0, "stopped within a second (%.2f s)" % took)
        # An interrupt while idle harms nothing.
        k.km.interrupt_kernel()
        time.sleep(0.3)
        reply, out = k.run("x + 1")
        check(reply["status"] == "ok" and results(out) == ["6"], "the kernel goes on after the interrupt")

        k.kc.shutdown()
        deadline = time.time() + 10
        while k.km.is_alive() and time.time() < deadline:
            time.sleep(0.1)
        check(not k.km.is_alive(), "the kernel ends on shutdown_request")
        if k.km.has_kernel:
            code = k.km.provisioner.process.wait(timeout=5) if k.km.provisioner else 0
            check(code == 0, "the kernel exits with status 0, not %s" % code)


def test_install(program):
    with tempfile.TemporaryDirectory() as d:
        r = subprocess.run([program, "install", "--prefix", d], capture_output=True, text=True)
        check(r.returncode == 0, "install --prefix: " + r.stderr)
        spec_dir = os.path.join(d, "share/jupyter/kernels/kj")
        with open(os.path.join(spec_dir, "kernel.json")) as f:
            spec = json.load(f)
        check(spec["argv"][0] == os.path.realpath(program) and spec["language"] == "kj", "kernel.json names the program")
        check(os.path.exists(os.path.join(spec_dir, "logo-64x64.png")), "the logo is installed")
        env = dict(os.environ, JUPYTER_PATH=os.path.join(d, "share/jupyter"))
        r = subprocess.run(["jupyter", "kernelspec", "list", "--json"], capture_output=True, text=True, env=env)
        check(r.returncode == 0, "jupyter kernelspec list: " + r.stderr)
        specs = json.loads(r.stdout)["kernelspecs"] if r.returncode == 0 else {}
        check(specs.get("kj", {}).get("resource_dir") == spec_dir, "Jupyter finds the installed spec")
        env = dict(os.environ, JUPYTER_DATA_DIR=os.path.join(d, "user"))
        r = subprocess.run([program, "install", "--user"], capture_output=True, text=True, env=env)
        check(r.returncode == 0 and os.path.exists(os.path.join(d, "user/kernels/kj/kernel.json")),
              "install --user writes into the user's data folder")
        r = subprocess.run([program, "install", "--bogus"], capture_output=True, text=True)
        check(r.returncode == 2 and "usage" in r.stderr, "a wrong switch gives the usage")


def test_notebook(notebook):
    import nbformat
    with tempfile.TemporaryDirectory() as d:
        r = subprocess.run(["jupyter", "nbconvert", "--to", "notebook", "--execute", "--output-dir", d,
                            "--ExecutePreprocessor.timeout=120", notebook], capture_output=True, text=True)
        check(r.returncode == 0, "nbconvert --execute: " + r.stderr[-2000:])
        if r.returncode != 0:
            return
        nb = nbformat.read(os.path.join(d, os.path.basename(notebook)), as_version=4)
    code_cells = [c for c in nb.cells if c.cell_type == "code"]
    check(all(c.execution_count for c in code_cells), "every code cell ran")
    outputs = [o for c in code_cells for o in c.outputs]
    check(not [o for o in outputs if o.output_type == "error"], "no cell failed")
    pictures = [o for o in outputs if o.output_type == "display_data" and "image/svg+xml" in o.data]
    check(len(pictures) >= 1, "the notebook shows its plots")
    check(any(o.output_type == "execute_result" for o in outputs), "the notebook shows results")


def main():
    group = sys.argv[1]
    if group == "install":
        test_install(sys.argv[2])
    elif group == "notebook":
        test_notebook(sys.argv[2])
    else:
        {"execute": test_execute, "graphs": test_graphs, "editor": test_editor, "interrupt": test_interrupt}[group]()
    print("%d failed" % len(failures) if failures else "ok")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
