#!/usr/bin/env python3
"""Drives kj-lsp, the language server, over JSON-RPC on its standard input and output.

Usage: check_lsp.py KJ_LSP

One session in a fresh workspace: initialize, open a file with an error and
read the diagnostic's range, complete a built-in name, hover over invert, go
to a function defined in an included file and to one defined in another file
of the workspace, list the document's symbols, complete members, survive
malformed messages, shut down and exit with status 0.
"""
import json
import os
import subprocess
import sys
import tempfile
import threading
import queue

HELPERS = """\
// Helpers shared by the programs of this folder.

twice(x)
{
    return 2 * x;
}
"""

OTHER = """\
elsewhere(a)
{
    return a + 1;
}
"""

MAIN = """\
#include <kjstd.kjh>
#include "helpers.kj"

elsewhere(a);

class Account {
    decl balance;
    deposit(amount);
};

Account::deposit(amount) { balance += amount; }

main()
{
    decl m = <2, 1; 1, 3>;
    println("é", twice(m), undefined_thing);
    println(invert(m), elsewhere(1));
}
"""


class Server:
    def __init__(self, program, root):
        self.proc = subprocess.Popen([program], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     stderr=subprocess.PIPE, cwd=root)
        self.messages = queue.Queue()
        self.next_id = 0
        threading.Thread(target=self._reader, daemon=True).start()

    def _reader(self):
        out = self.proc.stdout
        while True:
            headers = {}
            while True:
                line = out.readline()
                if not line:
                    self.messages.put(None)
                    return
                line = line.decode("ascii").strip()
                if not line:
                    break
                name, _, value = line.partition(":")
                headers[name.strip().lower()] = value.strip()
            body = out.read(int(headers["content-length"]))
            self.messages.put(json.loads(body.decode("utf-8")))

    def send_raw(self, body):
        self.proc.stdin.write(b"Content-Length: %d\r\n\r\n" % len(body) + body)
        self.proc.stdin.flush()

    def send(self, message):
        self.send_raw(json.dumps(dict(message, jsonrpc="2.0")).encode("utf-8"))

    def notify(self, method, params):
        self.send({"method": method, "params": params})

    def receive(self, match, what):
        """The next message that match accepts; the others are dropped."""
        while True:
            try:
                message = self.messages.get(timeout=30)
            except queue.Empty:
                raise AssertionError(f"no answer: {what}")
            if message is None:
                raise AssertionError(f"the server ended while waiting for {what}")
            if match(message):
                return message

    def request(self, method, params):
        self.next_id += 1
        ident = self.next_id
        self.send({"id": ident, "method": method, "params": params})
        reply = self.receive(lambda m: m.get("id") == ident, method)
        return reply

    def change(self, uri, version, text):
        """The document's whole new text; returns the diagnostics it gets."""
        self.notify("textDocument/didChange", {"textDocument": {"uri": uri, "version": version},
                                               "contentChanges": [{"text": text}]})
        return self.diagnostics(uri)

    def complete(self, uri, position):
        return self.request("textDocument/completion", {"textDocument": {"uri": uri}, "position": position})["result"]

    def diagnostics(self, uri):
        message = self.receive(lambda m: m.get("method") == "textDocument/publishDiagnostics"
                               and m["params"]["uri"] == uri, "diagnostics")
        return message["params"]["diagnostics"]


failures = 0


def check(condition, what):
    global failures
    if not condition:
        failures += 1
        print(f"failed: {what}")


def position_of(text, needle, offset=0):
    """LSP position (UTF-16 columns) of needle in text, offset characters into it."""
    before = text[:text.index(needle) + offset]
    line = before.count("\n")
    column = before[before.rfind("\n") + 1:]
    return {"line": line, "character": len(column.encode("utf-16-le")) // 2}


def main():
    program = os.path.abspath(sys.argv[1])
    with tempfile.TemporaryDirectory() as root:
        for name, text in (("helpers.kj", HELPERS), ("other.kj", OTHER)):
            with open(os.path.join(root, name), "w", encoding="utf-8") as f:
                f.write(text)
        main_path = os.path.join(root, "main.kj")
        uri = "file://" + main_path
        with open(main_path, "w", encoding="utf-8") as f:
            f.write(MAIN)
        server = Server(program, root)
        reply = server.request("initialize", {"processId": None, "rootUri": "file://" + root, "capabilities": {}})
        caps = reply["result"]["capabilities"]
        check(caps.get("hoverProvider") and caps.get("definitionProvider") and caps.get("documentSymbolProvider")
              and "completionProvider" in caps, f"capabilities {caps}")
        server.notify("initialized", {})

        # The error: an undeclared name after a two-byte character; the range
        # counts UTF-16 units.
        server.notify("textDocument/didOpen",
                      {"textDocument": {"uri": uri, "languageId": "kj", "version": 1, "text": MAIN}})
        diagnostics = server.diagnostics(uri)
        check(len(diagnostics) == 1, f"one diagnostic: {diagnostics}")
        if diagnostics:
            d = diagnostics[0]
            start = position_of(MAIN, "undefined_thing")
            check(d["message"] == "'undefined_thing' undeclared identifier", f"message {d['message']}")
            check(d["severity"] == 1, "an error")
            check(d["range"] == {"start": start, "end": dict(start, character=start["character"] + 15)},
                  f"range {d['range']}, expected from {start}")

        # A fixed file clears them; a warning is reported as one.
        fixed = MAIN.replace(", undefined_thing", "").replace("    decl m =", "    if (1) ;\n    decl m =")
        diagnostics = server.change(uri, 2, fixed)
        check([d["severity"] for d in diagnostics] == [2], f"one warning: {diagnostics}")

        # Completion of a built-in name being typed.
        typing = fixed.replace("    println(invert", "    decl r = sqr;\n    println(invert")
        server.change(uri, 3, typing)
        items = {item["label"]: item for item in server.complete(uri, position_of(typing, "sqr;", 3))["items"]}
        check("sqrt" in items and "sqr" in items, f"sqrt and sqr offered: {sorted(items)[:20]}")
        check(all(label.startswith("sqr") for label in items), "only names that begin with sqr")
        check(items.get("sqrt", {}).get("kind") == 3, "sqrt is a function")
        check("sqrt(" in items.get("sqrt", {}).get("detail", ""), f"sqrt's declaration: {items.get('sqrt')}")

        # Keywords and the document's own names; members of a class.
        labels = {item["label"] for item in server.complete(uri, position_of(typing, "twice(m)", 2))["items"]}
        check("twice" in labels, "a function of the included file")
        member_text = typing.replace("decl r = sqr;", "decl r = Account.dep;")
        server.change(uri, 4, member_text)
        items = server.complete(uri, position_of(member_text, "Account.dep", 11))["items"]
        labels = {item["label"]: item["kind"] for item in items}
        check(labels == {"deposit": 2}, f"the member function: {labels}")
        items = server.complete(uri, position_of(member_text, "decl m", 2))["items"]
        keywords = {i["label"] for i in items if i["kind"] == 14}
        check(keywords == {"decl", "default", "delete"}, f"keywords that begin with de: {keywords}")

        # Hover over invert: its declaration.
        reply = server.request("textDocument/hover",
                               {"textDocument": {"uri": uri}, "position": position_of(member_text, "invert", 2)})
        hover = reply["result"]["contents"]["value"] if reply.get("result") else ""
        check("invert(" in hover, f"invert's declaration in the hover: {hover!r}")
        start = position_of(member_text, "invert")
        check(reply.get("result", {}).get("range", {}).get("start") == start, "hover range at the name")

        # Go to definition: in the included file, then in another file of the workspace.
        reply = server.request("textDocument/definition",
                               {"textDocument": {"uri": uri}, "position": position_of(member_text, "twice(m)", 1)})
        found = reply["result"] or []
        check(len(found) == 1 and found[0]["uri"] == "file://" + os.path.join(root, "helpers.kj")
              and found[0]["range"]["start"] == {"line": 2, "character": 0}
              and found[0]["range"]["end"] == {"line": 2, "character": 5}, f"twice in helpers.kj: {found}")
        reply = server.request("textDocument/definition",
                               {"textDocument": {"uri": uri}, "position": position_of(member_text, "elsewhere(1)", 0)})
        found = reply["result"] or []
        check(len(found) == 1 and found[0]["uri"] == "file://" + os.path.join(root, "other.kj")
              and found[0]["range"]["start"]["line"] == 0, f"elsewhere in other.kj: {found}")
        reply = server.request("textDocument/definition",
                               {"textDocument": {"uri": uri}, "position": position_of(member_text, "deposit(amount) {", 0)})
        found = reply["result"] or []
        check(len(found) == 1 and found[0]["range"]["start"]["line"] == position_of(member_text, "Account::deposit")["line"],
              f"the member function's body: {found}")

        # The document's symbols: the class with its members, the functions.
        reply = server.request("textDocument/documentSymbol", {"textDocument": {"uri": uri}})
        symbols = {s["name"]: s for s in reply["result"]}
        check({"Account", "Account::deposit", "elsewhere", "main"} <= set(symbols), f"symbols {sorted(symbols)}")
        check(symbols.get("Account", {}).get("kind") == 5
              and [c["name"] for c in symbols["Account"].get("children", [])] == ["balance", "deposit"],
              f"the class and its members: {symbols.get('Account')}")
        check("twice" not in symbols, "names of the included file are not the document's")
        check(symbols.get("main", {}).get("detail") == "main()", "main's declaration")

        # Malformed input and unknown methods are answered, not fatal.
        server.send_raw(b"{not json")
        reply = server.receive(lambda m: "error" in m and m.get("id") is None, "parse error")
        check(reply["error"]["code"] == -32700, "parse error code")
        reply = server.request("no/such/method", {})
        check(reply.get("error", {}).get("code") == -32601, "unknown method")
        reply = server.request("textDocument/hover", {"textDocument": {"uri": "file:///not/open.kj"},
                                                      "position": {"line": 0, "character": 0}})
        check(reply.get("result") is None and "error" not in reply, "hover in a document that is not open")

        reply = server.request("shutdown", None)
        check("result" in reply and reply["result"] is None, "shutdown")
        server.notify("exit", None)
        try:
            status = server.proc.wait(timeout=30)
        except subprocess.TimeoutExpired:
            server.proc.kill()
            status = None
        check(status == 0, f"exit status {status}")
        err = server.proc.stderr.read().decode("utf-8", "replace")
        if failures and err:
            print("standard error:", err)
    print("kj-lsp:", "all checks passed" if not failures else f"{failures} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
