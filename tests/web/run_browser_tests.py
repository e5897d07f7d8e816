#!/usr/bin/python3
"""The playground in a real browser, against the hvcn tool.

    run_browser_tests.py --page build/wasm/web/index.html --tool build/default/bin/hvcn
                         [--shots DIR] [--chromium PATH] CASES

Debian's chromium runs headless with a fresh profile and no network; this
script drives it over the DevTools protocol (python3-websocket). Each case of
CASES (tests/data/web_cases.txt) opens the page with its settings in the
page's address, types the input into the input field as a user would, waits
until the page shows it, and reads one panel through the DOM. The same input
and settings go to the native tool (the same commands the panel stands for,
with LANG and a TNUAL.INI of the case), and what the panel shows must be
what the tool's JSON says. The page must also keep the input in its address,
show the same case again from that address, and throw no script error. A
case with a screenshot name writes DIR/NAME.png of the whole page.
"""
import argparse
import base64
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import urllib.parse

try:
    import websocket  # python3-websocket
except ImportError:
    sys.exit("run_browser_tests.py: python3-websocket is missing (scripts/install-deps.sh wasm installs it)")

CHROMIUM_FLAGS = [
    "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
    "--disable-background-networking", "--disable-component-update", "--disable-sync",
    "--remote-debugging-port=0", "--window-size=1100,900",
]

# The address keys of the page's settings, by the names the cases use.
SETTING_KEYS = {"format": "f", "teletex": "tt", "7bit": "7bit", "lang": "lang", "source": "src",
                "gateway": "gw", "mapping": "map", "amhs": "amhs", "to": "to", "orig": "orig"}


# ---- The browser --------------------------------------------------------------

class Browser:
    """Chromium with one page, spoken to over the DevTools protocol."""

    def __init__(self, chromium):
        self.profile = tempfile.mkdtemp(prefix="hvcn-chromium-")
        self.process = subprocess.Popen(
            [chromium, *CHROMIUM_FLAGS, f"--user-data-dir={self.profile}", "about:blank"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        port_file = os.path.join(self.profile, "DevToolsActivePort")
        deadline = time.monotonic() + 30
        while not os.path.exists(port_file) or len(open(port_file).read().split("\n")) < 2:
            if time.monotonic() > deadline or self.process.poll() is not None:
                self.close()
                raise RuntimeError("chromium did not open its DevTools port")
            time.sleep(0.05)
        port, path = open(port_file).read().split("\n")[:2]
        self.socket = websocket.create_connection(f"ws://127.0.0.1:{port}{path}", timeout=60)
        self.next_id = 0
        self.errors = []
        pages = [t for t in self.call("Target.getTargets")["targetInfos"] if t["type"] == "page"]
        self.session = self.call("Target.attachToTarget", targetId=pages[0]["targetId"], flatten=True)["sessionId"]
        for domain in ("Page", "Runtime"):
            self.call(f"{domain}.enable", session=True)

    def call(self, method, session=False, **params):
        self.next_id += 1
        message = {"id": self.next_id, "method": method, "params": params}
        if session:
            message["sessionId"] = self.session
        self.socket.send(json.dumps(message))
        while True:
            reply = json.loads(self.socket.recv())
            if reply.get("method") == "Runtime.exceptionThrown":
                details = reply["params"]["exceptionDetails"]
                self.errors.append(details.get("exception", {}).get("description") or details.get("text"))
            if reply.get("id") == self.next_id:
                if "error" in reply:
                    raise RuntimeError(f"{method}: {reply['error']}")
                return reply["result"]

    def evaluate(self, expression):
        result = self.call("Runtime.evaluate", session=True, expression=expression, awaitPromise=True,
                           returnByValue=True)
        if "exceptionDetails" in result:
            raise RuntimeError(f"{expression[:60]}...: {result['exceptionDetails']}")
        return result["result"].get("value")

    def wait_for(self, condition, what):
        deadline = time.monotonic() + 30
        while not self.evaluate(condition):
            if time.monotonic() > deadline:
                raise RuntimeError(f"timed out: {what}")
            time.sleep(0.02)

    def open(self, url):
        """Loads the page afresh (through an empty one) and waits until it
        shows what its address holds."""
        self.call("Page.navigate", session=True, url="about:blank")
        self.wait_for("location.href === 'about:blank' && document.readyState === 'complete'", "about:blank")
        self.call("Page.navigate", session=True, url=url)
        self.wait_for("document.readyState === 'complete' && !!window.hvcnPlayground", f"loading {url}")
        self.settle()

    def settle(self):
        self.evaluate("window.hvcnPlayground.settled()")

    def type_into(self, selector, text):
        """Replaces the field's text as a user would: select all, type."""
        self.evaluate(f"(() => {{ const e = document.querySelector({json.dumps(selector)}); "
                      "e.focus(); e.select(); })()")
        if text:
            self.call("Input.insertText", session=True, text=text)
        else:
            self.call("Input.dispatchKeyEvent", session=True, type="keyDown", key="Delete", code="Delete",
                      windowsVirtualKeyCode=46)
            self.call("Input.dispatchKeyEvent", session=True, type="keyUp", key="Delete", code="Delete",
                      windowsVirtualKeyCode=46)
        self.settle()

    def screenshot(self, path):
        metrics = self.call("Page.getLayoutMetrics", session=True)["cssContentSize"]
        shot = self.call("Page.captureScreenshot", session=True, format="png", captureBeyondViewport=True,
                         clip={"x": 0, "y": 0, "width": metrics["width"], "height": metrics["height"], "scale": 1})
        with open(path, "wb") as f:
            f.write(base64.b64decode(shot["data"]))

    def close(self):
        if getattr(self, "socket", None):
            self.socket.close()
        self.process.terminate()
        try:
            self.process.wait(10)
        except subprocess.TimeoutExpired:
            self.process.kill()
        shutil.rmtree(self.profile, ignore_errors=True)


# What a panel shows, read from the DOM as text, in the shape expected()
# builds from the tool's JSON.
READ_PANEL = r"""
(() => {
  const text = (e) => e ? e.textContent : null;
  const all = (root, selector) => Array.from(root.querySelectorAll(selector));
  const attributes = (root) => all(root, 'table.attributes tbody tr').map((row) => all(row, 'td').map(text));
  const refusal = (box) => {
    const marked = box.querySelector('.marked');
    return {status: text(box.querySelector('.status')), error: text(box.querySelector('.error')),
            detail: text(box.querySelector('.detail')), explanation: text(box.querySelector('.explanation')),
            column: marked ? marked.dataset.column : null, mark: text(box.querySelector('.marked mark'))};
  };
  const unavailable = (root) => {
    const message = text(root.querySelector('.unavailable .message'));
    return message === null ? null : message.replace(/^hvcn: [a-z]+: /, '');
  };
  const shown = (root) => {
    const box = root.querySelector('.refusal');
    if (box) return {refusal: refusal(box)};
    const missing = unavailable(root);
    if (missing !== null) return {unavailable: missing};
    return null;
  };
  const panel = (id) => document.getElementById(id);
  const typed = all(panel('typed'), '.body > *').map((e) => e.classList.contains('refusal') ? {refusal: refusal(e)}
      : e.classList.contains('unavailable') ? {unavailable: text(e.querySelector('.message')).replace(/^hvcn: [a-z]+: /, '')}
      : {heading: text(e.querySelector('h3')), shape: text(e.querySelector('.shape')),
         context: text(e.querySelector('.context')), attributes: attributes(e)});
  const orname = shown(panel('orname')) ||
      {output: text(panel('orname').querySelector('code.output')), attributes: attributes(panel('orname'))};
  const verdict = panel('internet').querySelector('.verdict');
  const internet = shown(panel('internet')) ||
      {internet: verdict.dataset.internet, normalised: text(verdict.querySelector('code'))};
  let forms = {};
  for (const row of all(panel('forms'), '#form-rows tr')) {
    if (!row.dataset.form) {
      forms = shown(row);
      break;
    }
    const cell = row.querySelector('td');
    forms[row.dataset.form] = row.dataset.form === 'refusal' ? shown(cell).refusal
        : shown(cell) || (cell.classList.contains('pending') ? {pending: true}
                          : cell.classList.contains('none') ? {none: true} : {text: text(cell.querySelector('code'))});
  }
  const amhsPanel = panel('amhs');
  const amhs = shown(amhsPanel) || (amhsPanel.querySelector('.pending') ? {pending: true} : {
      output: text(amhsPanel.querySelector('dd.output')), scheme: text(amhsPanel.querySelector('dd.scheme')),
      consistent: amhsPanel.querySelector('dd.consistent') ? amhsPanel.querySelector('dd.consistent').dataset.consistent : null,
      reverse: text(amhsPanel.querySelector('dd.reverse')), attributes: attributes(amhsPanel)});
  const kind = {};
  for (const row of all(panel('kind'), '#kind-rows tr')) kind[row.dataset.kind] = text(row.querySelector('td'));
  const params = new URLSearchParams(location.hash.slice(1));
  return {typed, orname, internet, forms, amhs, kind, input: document.getElementById('text').value,
          addressInput: params.get('t'), language: document.getElementById('language').value};
})()
"""


# ---- The tool -----------------------------------------------------------------

class Tool:
    """The native hvcn tool with a case's language, profile and files."""

    def __init__(self, path):
        self.path = os.path.abspath(path)
        self.work = tempfile.mkdtemp(prefix="hvcn-web-tool-")

    def run(self, settings, args):
        os.makedirs(os.path.join(self.work, "profile"), exist_ok=True)
        with open(os.path.join(self.work, "profile", "TNUAL.INI"), "w") as f:
            f.write(f"[NameParsing]\nSevenBitOnly={'Yes' if settings.get('7bit') == '1' else 'No'}\n")
        with open(os.path.join(self.work, "mapping.txt"), "w") as f:
            f.write(settings.get("mapping", ""))
        with open(os.path.join(self.work, "amhs.tsv"), "w") as f:
            f.write(settings.get("amhs", ""))
        env = {k: v for k, v in os.environ.items() if k not in ("LC_ALL", "LC_MESSAGES", "HVCN_REGISTRY")}
        env.update(LANG="it_IT.UTF-8" if settings.get("lang") == "it" else "C.UTF-8",
                   HVCN_PROFILE_DIR=os.path.join(self.work, "profile"), HVCN_LOG_DIR=os.path.join(self.work, "log"),
                   HOME=self.work)
        done = subprocess.run([self.path, *args], cwd=self.work, env=env, capture_output=True, timeout=60)
        out = done.stdout.decode("utf-8")
        return {"status": done.returncode, "err": done.stderr.decode("utf-8"),
                "objects": [json.loads(line) for line in out.splitlines() if line.startswith("{")]}

    def close(self):
        shutil.rmtree(self.work, ignore_errors=True)


# ---- What the page must show, from the tool's objects ---------------------------

def visible(text):
    """Control characters as their pictures (U+2400 + code, U+2421 for DEL)."""
    return "".join(chr(0x2421) if c == "\x7f" else chr(0x2400 + ord(c)) if ord(c) < 0x20 else c for c in text)


def refusal(o, text):
    column = o.get("column")
    characters = list(text)
    mark = None
    if column:
        mark = visible(characters[column - 1]) if column <= len(characters) else " "
    return {"refusal": {"status": str(o["status"]), "error": f"{o['status']} {o.get('error', '')}".rstrip(),
                        "detail": o.get("detail") or None, "explanation": o.get("explanation") or None,
                        "column": str(column) if column else None, "mark": mark}}


def unavailable(result):
    """A usage error, without the "hvcn: COMMAND: " the page's commands name
    otherwise."""
    return {"unavailable": re.sub(r"^hvcn: [a-z]+: ", "", result["err"].strip()) or f"exit status {result['status']}"}


def attribute_rows(attributes):
    return [[str(a["id"]), a["name"], a["tag"], visible(a["value"]), "yes" if a["teletex"] else "no"]
            for a in attributes]


def shown_object(result, text, show):
    """A panel of one object: the refusal, the tool's usage error, or `show`."""
    if not result["objects"]:
        return unavailable(result)
    o = result["objects"][0]
    return refusal(o, text) if o.get("status", 0) != 0 else show(o)


def mapping_args(settings):
    args = []
    if settings.get("gateway"):
        args += ["--gateway", settings["gateway"]]
    if settings.get("mapping", "").strip():
        args += ["--table", "mapping.txt"]
    return args


def format_args(settings):
    return ["--format", settings["format"]] if settings.get("format") else []


# The forms of the forms panel the tool writes too: (id, orname arguments).
TOOL_FORMS = [
    ("stdor-short", ["--to", "stdor", "--labels", "short"]),
    ("stdor-long", ["--to", "stdor", "--labels", "long"]),
    ("annexf-short", ["--to", "annexf", "--labels", "short"]),
    ("annexf-long", ["--to", "annexf", "--labels", "long"]),
    ("typed", ["--to", "typed"]),
    ("rfc822", ["--to", "rfc822"]),
    ("der", ["--to", "der"]),
]


def expected(panel, settings, text, tool):
    """What `panel` must show for the input, from the tool's own output."""
    def run(*args):
        return tool.run(settings, [*args, "--", text])

    typed_args = ["parse", "--json", "--all", *format_args(settings)]
    if settings.get("teletex") == "1":
        typed_args.append("--prefer-teletex")
    orname_args = ["orname", "--json", *format_args(settings), *mapping_args(settings)]
    amhs_args = ["amhs", "--json", "--table", "amhs.tsv"]
    if settings.get("to"):
        amhs_args += ["--to", settings["to"]]
    if settings.get("orig") == "1":
        amhs_args.append("--originator")

    if panel == "typed":
        result = run(*typed_args)
        if not result["objects"]:
            return [unavailable(result)]
        return [refusal(o, text) if o["status"] != 0 else
                {"heading": f"Reading {o['reading']}" + (f": {o['words']}" if o["words"] else ""),
                 "shape": f"shape {o['shape']:#x}", "context": f"context {o['context']:#x}",
                 "attributes": attribute_rows(o["attributes"])} for o in result["objects"]]
    if panel == "orname":
        return shown_object(run(*orname_args), text,
                            lambda o: {"output": visible(o["output"]), "attributes": attribute_rows(o["attributes"])})
    if panel == "internet":
        return shown_object(run("internet", "--json"), text,
                            lambda o: {"internet": "true" if o["internet"] else "false",
                                       "normalised": visible(o["normalised"]) if o["internet"] else None})
    if panel == "forms":
        # The held address in every form. The tool reads the text as the
        # page does (DER in hex, an O/R address in a standard form or
        # through the gateway, else a typed name) and writes each form; the
        # internal forms are those `hvcn parse --internal` writes for a typed
        # name, and for an O/R address each converts to the others with
        # `hvcn translate`.
        # An AF-Address the AMHS tables convert: the O/R address they give.
        read = run(*orname_args)["objects"]
        der = run("orname", "--json", "--from", "der")["objects"]
        aftn = run("amhs", "--json", "--table", "amhs.tsv", "--to", "amhs")["objects"] if settings.get("amhs") else []
        source = settings.get("source", "auto")
        start = ("typed" if source == "typed" else "der" if source == "auto" and der and der[0]["status"] == 0
                 else "stdor" if source == "auto" and aftn and aftn[0]["status"] == 0
                 else "typed" if source == "auto" and not (read and read[0]["status"] == 0) else "auto")
        if start == "stdor":
            text = aftn[0]["output"]
        forms = {}
        for name, args in TOOL_FORMS:
            if name == "rfc822" and not mapping_args(settings):
                forms[name] = {"pending": True}
                continue
            teletex = ["--prefer-teletex"] if start == "typed" and settings.get("teletex") == "1" else []
            result = run("orname", "--json", "--from", start, *teletex, *format_args(settings), *mapping_args(settings),
                         *args)
            o = result["objects"][0] if result["objects"] else None
            if o is None:
                return unavailable(result)
            if o["status"] != 0 and name != "rfc822":
                return {"refusal": refusal(o, text)["refusal"]}
            forms[name] = {"text": visible(o["output"])} if o["status"] == 0 else {"none": True}
        if start == "typed":
            for t in (1, 2, 3):
                o = tool.run(settings, [*typed_args, "--internal", str(t), "--", text])["objects"][0]
                forms[f"internal-{t}"] = {"text": visible(o["internal"])}
        return forms
    if panel == "amhs":
        # The conversion, its scheme, the way back and the attributes of
        # an address converted to AMHS, as `hvcn amhs --json` gives them.
        def conversion(o):
            shown = {"output": visible(o["output"]), "scheme": o["scheme"] or "", "consistent": None, "reverse": None,
                     "attributes": attribute_rows(o.get("attributes") or [])}
            if "consistent" in o:
                shown["consistent"] = "true" if o["consistent"] else "false"
                shown["reverse"] = "no address" if o["reverse"] is None else visible(o["reverse"])
            return shown
        return shown_object(run(*amhs_args), text, conversion)
    if panel == "kind":
        # The kind the case gives; "error N" a refusal with the tool's text.
        kinds = {"kind": settings.get("expect")}
        if kinds["kind"].startswith("error "):
            code = kinds["kind"].split(" ")[1]
            kinds["kind"] = f"refused: {code} " + tool.run(settings, ["error", "--json", code])["objects"][0]["text"]

        def failure(o):
            return f"refused: {o['status']} {o.get('error', '')}".rstrip()
        typed = run(*typed_args)["objects"]
        good = [o for o in typed if o["status"] == 0]
        bad = [o for o in typed if o["status"] != 0]
        kinds["typed"] = (f"{len(good)} reading{'s' if len(good) > 1 else ''}" if good
                          else failure(bad[0]) if bad else "")
        read = run(*orname_args)["objects"]
        kinds["orname"] = "" if not read else "read" if read[0]["status"] == 0 else failure(read[0])
        mailbox = run("internet", "--json")["objects"]
        kinds["internet"] = "" if not mailbox else "yes" if mailbox[0]["internet"] else "no"
        return kinds
    raise ValueError(f"unknown panel {panel}")


# ---- The cases ------------------------------------------------------------------

def unescape(text):
    return text.replace("\\t", "\t").replace("\\n", "\n").replace("\\\\", "\\")


def read_cases(path, samples):
    cases = []
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            line = line.rstrip("\n")
            if not line or line.startswith("#"):
                continue
            fields = line.split("\t")
            if len(fields) != 3:
                sys.exit(f"{path}:{number}: expected PANEL<TAB>SETTINGS<TAB>INPUT")
            panel, setting_text, text = fields
            settings, shot, switch = {}, None, None
            for item in ([] if setting_text == "-" else setting_text.split(" | ")):
                key, _, value = item.partition("=")
                value = unescape(value)
                if key == "shot":
                    shot = value
                elif key == "switch":
                    switch = value
                elif key in SETTING_KEYS or key == "expect":
                    settings[key] = samples.get(value, value) if value.startswith("@") else value
                else:
                    sys.exit(f"{path}:{number}: unknown setting {key}")
            cases.append({"where": f"{path}:{number}", "panel": panel, "settings": settings, "text": unescape(text),
                          "shot": shot, "switch": switch})
    if not cases:
        sys.exit(f"{path}: no cases")
    return cases


def page_address(page, settings):
    params = urllib.parse.urlencode({SETTING_KEYS[k]: v for k, v in settings.items() if k in SETTING_KEYS},
                                    quote_via=urllib.parse.quote)
    return f"file://{os.path.abspath(page)}#{params}"


def run_case(browser, tool, page, case, shots):
    problems = []
    settings = dict(case["settings"])
    browser.open(page_address(page, settings))
    browser.type_into("#text", case["text"])
    if case["switch"]:
        # The language changed with the control, after the input.
        browser.evaluate(f"(() => {{ const s = document.getElementById('language'); s.focus(); "
                         f"s.value = {json.dumps(case['switch'])}; s.dispatchEvent(new Event('change')); }})()")
        browser.settle()
        settings["lang"] = case["switch"]
    shown = browser.evaluate(READ_PANEL)
    want = expected(case["panel"], settings, case["text"], tool)
    got = json.loads(json.dumps(shown[case["panel"]]))  # a copy: shown is compared again below
    if case["panel"] == "kind":
        # The AMHS panel has cases of its own.
        got = {k: v for k, v in got.items() if k != "amhs"}
    if case["panel"] == "forms" and not {"internal-1", "refusal", "unavailable"} & set(want):
        # An O/R address: each internal form is what the tool converts the
        # first into.
        for t in (2, 3):
            if got.get("internal-1", {}).get("text") is None:
                break
            source = got["internal-1"]["text"].translate({0x2400 + c: c for c in range(32)})
            o = tool.run(settings, ["translate", "--json", "--skip-empty", "--from", "1", "--to", str(t), "--", source])["objects"][0]
            want[f"internal-{t}"] = {"text": visible(o["output"])}
        want["internal-1"] = got.get("internal-1")
    if got != want:
        problems.append(f"the {case['panel']} panel shows\n    {json.dumps(got, ensure_ascii=False)}\n"
                        f"  the tool says\n    {json.dumps(want, ensure_ascii=False)}")
    if shown["addressInput"] != (case["text"] or None) or shown["input"] != case["text"]:
        problems.append(f"the page's address keeps {shown['addressInput']!r}, not the input")
    if shown["language"] != settings.get("lang", "en"):
        problems.append(f"the language control shows {shown['language']!r}")
    if case["shot"] and shots:
        browser.screenshot(os.path.join(shots, f"{case['shot']}.png"))
    # The page's own address shows the same case.
    browser.open(browser.evaluate("location.href"))
    again = browser.evaluate(READ_PANEL)
    if again != shown:
        problems.append("the page's address does not show the same case again: " + ", ".join(
            k for k in shown if shown[k] != again[k]))
    if browser.errors:
        problems.append(f"script errors: {browser.errors}")
        browser.errors.clear()
    return problems


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--page", required=True)
    parser.add_argument("--tool", required=True)
    parser.add_argument("--shots")
    parser.add_argument("--chromium", default="/usr/bin/chromium")
    parser.add_argument("--sample", action="append", default=[], metavar="NAME=FILE",
                        help="a text the cases name as @NAME")
    parser.add_argument("cases")
    args = parser.parse_args()
    for path, what in ((args.page, "the page (cmake --build --preset wasm)"),
                       (args.tool, "the tool (cmake --build --preset default)"), (args.chromium, "chromium")):
        if not os.path.exists(path):
            sys.exit(f"run_browser_tests.py: {path} is missing: {what}")
    samples = {}
    for item in args.sample:
        name, _, path = item.partition("=")
        with open(path, encoding="utf-8") as f:
            samples["@" + name] = f.read()
    cases = read_cases(args.cases, samples)
    if args.shots:
        os.makedirs(args.shots, exist_ok=True)
    started = time.monotonic()
    browser, tool = Browser(args.chromium), Tool(args.tool)
    failures = 0
    try:
        for case in cases:
            problems = run_case(browser, tool, args.page, case, args.shots)
            if problems:
                failures += 1
                print(f"FAIL {case['where']}: {case['panel']} {case['text']!r}")
                for problem in problems:
                    print(f"  {problem}")
    finally:
        browser.close()
        tool.close()
    print(f"{len(cases) - failures} of {len(cases)} browser cases passed in {time.monotonic() - started:.1f} s")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
