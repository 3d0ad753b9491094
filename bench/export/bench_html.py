#!/usr/bin/python3
"""The web page of a large list in headless Chromium, beside the page we wrote before.

    bench_html.py BUILD [--rows 200000,1000000] [--work DIR] [--cap 120] [--shot FILE.png]

For each row count: makes a tree with bench/scan/make_tree.py (kept in WORK for the next
run), exports it with BUILD/src/app/vellora-list --export html --columns size,date, writes
the same rows as the earlier page (every row a table row, sorted by moving rows: the
baseline), and opens both in Chromium (Debian's chromium, driven through its DevTools
protocol with python3-websocket). Measured in the page: first rows drawn (from the start of
the navigation to the frame after rows are in the table), a click on "Nome File" and on
"Dimensione" (to the frame after), a keystroke in the search box (to the frame showing the
filtered rows; first and slowest of four), the renderer's peak memory and the file's size.
A step that takes longer than --cap seconds is reported "not finished" and ends that page.
--shot saves a picture of the first page (the smallest count) after a sort by size.

Targets at 1,000,000 rows: first rows < 3 s, each sort < 1.5 s, a keystroke < 300 ms,
renderer < 1.5 GB, file < 150 MB.
"""

import argparse
import base64
import html
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import urllib.request

try:
    import websocket  # Debian: python3-websocket
except ImportError:
    websocket = None

HERE = os.path.dirname(os.path.abspath(__file__))

# The page as we wrote it before: every row a table row; a click moves the rows into order.
OLD_STYLE = r"""body{font:13px/1.35 "DejaVu Sans",Verdana,sans-serif;margin:1.2em;color:#222;background:#fff}
h1{font-size:1.25em;margin:0 0 .5em}
dl{display:grid;grid-template-columns:max-content auto;gap:.1em 1.2em;margin:0 0 1em}
dt{font-weight:bold}dd{margin:0}
table{border-collapse:collapse}
th,td{border:1px solid #c8c8c8;padding:.15em .5em;text-align:left;vertical-align:top;white-space:nowrap}
th{background:#e8ecf2;position:sticky;top:0;cursor:pointer}
tbody tr:nth-child(even){background:#f6f7f9}
th[aria-sort=ascending]::after{content:" \25B2"}th[aria-sort=descending]::after{content:" \25BC"}
@media print{body{margin:0;font-size:8pt}th{position:static;background:none;cursor:auto}
thead{display:table-header-group}tr{break-inside:avoid}tbody tr:nth-child(even){background:none}
th,td{border-color:#888}}
td:nth-child(3){text-align:right}
"""
OLD_SCRIPT = r"""(function(){var t=document.getElementById("lista");if(!t||!t.tHead)return;
var b=t.tBodies[0],hs=t.tHead.rows[0].cells,co=new Intl.Collator("it",{numeric:true});
Array.prototype.forEach.call(hs,function(h,i){h.tabIndex=0;h.onkeydown=function(e){if(e.key==="Enter")h.onclick()};
h.onclick=function(){var up=h.getAttribute("aria-sort")!=="ascending",n=h.hasAttribute("data-n");
Array.prototype.forEach.call(hs,function(x){x.removeAttribute("aria-sort")});h.setAttribute("aria-sort",up?"ascending":"descending");
var rs=Array.prototype.map.call(b.rows,function(r){var c=r.cells[i],v=n?c.getAttribute("data-v"):c.textContent;return[n?(v===null?-Infinity:Number(v)):v,r]});
rs.sort(function(x,y){var o=n?(x[0]<y[0]?-1:x[0]>y[0]?1:0):co.compare(x[0],y[0]);return up?o:-o});
var f=document.createDocumentFragment();rs.forEach(function(x){f.appendChild(x[1])});b.appendChild(f)}})})();
"""


def page_data(text):
    """The setup and the columns of a page we write now."""
    setup = json.loads(re.search(r'<script type="application/json" id="vellora-pagina">(.*?)</script>', text).group(1))
    cols = [[] for _ in setup["fields"]]
    folders = []
    for block in re.finditer(r'<script type="application/json" class="vellora-righe">(.*?)</script>', text):
        data = json.loads(block.group(1))
        folders += data["folders"]
        for c, values in enumerate(data["cols"]):
            cols[c] += values
    return setup, cols, folders


def write_old_page(new_path, old_path):
    text = open(new_path, encoding="utf-8").read()
    setup, cols, folders = page_data(text)
    head = text[text.index("<body>"):text.index("</dl>") + 5] + "\n"
    headings = re.search(r"<thead>.*?</thead>", text).group(0)
    group = setup["group"]

    def size(v):
        digits = str(v)
        return re.sub(r"(\d)(?=(\d{3})+$)", r"\1" + group.replace("\\", "\\\\"), digits)

    def date(wall):
        t = time.gmtime(wall)
        return time.strftime("%d/%m/%Y %H:%M", t).replace("/", setup["dateSep"]).replace(":", setup["timeSep"])

    with open(old_path, "w", encoding="utf-8") as out:
        out.write('<!DOCTYPE html>\n<html lang="it">\n<head>\n<meta charset="utf-8">\n<style>\n' + OLD_STYLE +
                  "</style>\n</head>\n" + head + '<table id="lista">\n' + headings + "\n<tbody>\n")
        fields = setup["fields"]
        for i in range(len(cols[0])):
            cells = []
            for c, f in enumerate(fields):
                v = cols[c][i]
                if f in ("size", "date"):
                    cells.append("<td></td>" if v is None else '<td data-v="%s">%s</td>' %
                                 (v, size(v) if f == "size" else date(v)))
                else:
                    cells.append("<td>%s</td>" % html.escape(folders[v] if f == "folder" else v))
            out.write("<tr>" + "".join(cells) + "</tr>\n")
        out.write("</tbody>\n</table>\n<script>\n" + OLD_SCRIPT + "</script>\n</body>\n</html>\n")


class NotFinished(Exception):
    pass


class Browser:
    """Headless Chromium and one page of it, over the DevTools protocol."""

    def __init__(self, width=1280, height=900):
        self.profile = tempfile.mkdtemp(prefix="vellora-chromium-")
        chromium = shutil.which("chromium") or shutil.which("chromium-browser")
        self.proc = subprocess.Popen(
            [chromium, "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
             "--disable-background-networking", "--disable-component-update", "--disable-sync",
             "--user-data-dir=" + self.profile, "--remote-debugging-port=0",
             "--window-size=%d,%d" % (width, height), "about:blank"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
        port_file = os.path.join(self.profile, "DevToolsActivePort")
        for _ in range(300):
            if os.path.exists(port_file) and open(port_file).read().count("\n") >= 1:
                break
            time.sleep(0.1)
        port = open(port_file).read().split("\n")[0]
        for _ in range(100):
            pages = [t for t in json.load(urllib.request.urlopen("http://127.0.0.1:%s/json/list" % port))
                     if t["type"] == "page"]
            if pages:
                break
            time.sleep(0.1)
        self.ws = websocket.create_connection(pages[0]["webSocketDebuggerUrl"], suppress_origin=True,
                                              timeout=None)
        self.next_id = 0

    def call(self, method, params=None, cap=None):
        self.next_id += 1
        self.ws.settimeout(cap)
        self.ws.send(json.dumps({"id": self.next_id, "method": method, "params": params or {}}))
        deadline = None if cap is None else time.monotonic() + cap
        while True:
            if deadline is not None:
                left = deadline - time.monotonic()
                if left <= 0:
                    raise NotFinished()
                self.ws.settimeout(left)
            try:
                msg = json.loads(self.ws.recv())
            except websocket.WebSocketTimeoutException:
                raise NotFinished()
            if msg.get("id") == self.next_id:
                if "error" in msg:
                    raise RuntimeError("%s: %s" % (method, msg["error"]))
                return msg["result"]

    def js(self, expression, cap=None):
        result = self.call("Runtime.evaluate", {"expression": expression, "awaitPromise": True,
                                                "returnByValue": True}, cap)
        if "exceptionDetails" in result:
            raise RuntimeError(json.dumps(result["exceptionDetails"])[:500])
        return result["result"].get("value")

    def renderer_peak_kib(self):
        """The largest peak resident size among the renderers of this browser."""
        children = {}
        for pid in filter(str.isdigit, os.listdir("/proc")):
            try:
                stat = open("/proc/%s/stat" % pid).read()
                children.setdefault(int(stat.rsplit(")", 1)[1].split()[1]), []).append(int(pid))
            except OSError:
                pass
        todo, peak = [self.proc.pid], 0
        while todo:
            pid = todo.pop()
            todo += children.get(pid, [])
            try:
                if b"--type=renderer" not in open("/proc/%d/cmdline" % pid, "rb").read():
                    continue
                status = open("/proc/%d/status" % pid).read()
                peak = max(peak, int(re.search(r"VmHWM:\s+(\d+)", status).group(1)))
            except (OSError, AttributeError):
                pass
        return peak

    def close(self):
        try:
            os.killpg(self.proc.pid, signal.SIGKILL)
        except OSError:
            pass
        self.proc.wait()
        shutil.rmtree(self.profile, ignore_errors=True)


FRAMES = "new Promise(r => requestAnimationFrame(() => requestAnimationFrame(() => r(performance.now()))))"


def click_ms(browser, heading, cap):
    return browser.js("""(async () => {
        const th = Array.from(document.querySelectorAll('#lista th')).find(h => h.textContent === %s);
        const t0 = performance.now();
        th.click();
        return (await %s) - t0;
    })()""" % (json.dumps(heading), FRAMES), cap)


def keystrokes_ms(browser, text, cap):
    times = []
    browser.js("document.querySelector('#cerca input').focus()", cap)
    for ch in text:
        browser.js("""window.__typed = new Promise(r => {
            const conta = document.getElementById('conta'), before = conta.textContent;
            new MutationObserver((m, o) => { o.disconnect(); requestAnimationFrame(() =>
                requestAnimationFrame(() => r(performance.now()))); })
              .observe(conta, {childList: true, characterData: true, subtree: true});
        }); window.__t0 = performance.now()""", cap)
        browser.call("Input.insertText", {"text": ch}, cap)
        times.append(browser.js("window.__typed.then(t => t - window.__t0)", cap))
    return times


def measure(path, cap, shot=None):
    """Figures of one page; a step past the cap ends the page."""
    got = {"file MB": os.path.getsize(path) / 1e6}
    browser = Browser()
    try:
        start = time.monotonic()
        browser.call("Page.navigate", {"url": "file://" + path}, cap)
        while True:
            left = cap - (time.monotonic() - start)
            if left <= 0:
                raise NotFinished("first rows")
            try:
                if browser.js("!!document.querySelector('#lista tbody tr:not(.spazio) td')", left):
                    break
            except NotFinished:
                raise NotFinished("first rows")
            time.sleep(0.05)
        got["first rows s"] = browser.js(FRAMES, cap) / 1000
        try:
            got["load event s"] = browser.js(
                "new Promise(r => document.readyState === 'complete' ? r() : addEventListener('load', r))"
                ".then(() => performance.getEntriesByType('navigation')[0].loadEventStart)", cap) / 1000
        except NotFinished:
            raise NotFinished("load event s")
        for what, heading in (("sort by name s", "Nome File"), ("sort by size s", "Dimensione")):
            try:
                got[what] = click_ms(browser, heading, cap) / 1000
            except NotFinished:
                raise NotFinished(what)
        if browser.js("!!document.querySelector('#cerca input')", cap):
            try:
                typed = keystrokes_ms(browser, "data", cap)
            except NotFinished:
                raise NotFinished("keystroke ms")
            got["keystroke ms"] = "%.0f (first), %.0f (slowest)" % (typed[0], max(typed))
            browser.js("(() => { const i = document.querySelector('#cerca input'); i.value = '';"
                       " i.dispatchEvent(new Event('input')); })()", cap)
            time.sleep(0.3)
        if shot:
            data = browser.call("Page.captureScreenshot", {"format": "png"}, cap)["data"]
            open(shot, "wb").write(base64.b64decode(data))
    except NotFinished as e:
        got[str(e.args[0]) if e.args else "page"] = "not finished in %d s" % cap
    finally:
        got["renderer peak MB"] = browser.renderer_peak_kib() / 1024
        browser.close()
    return got


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("build")
    ap.add_argument("--rows", default="200000,1000000")
    ap.add_argument("--work", default=os.path.join(tempfile.gettempdir(), "vellora-bench-html"))
    ap.add_argument("--cap", type=int, default=120)
    ap.add_argument("--shot")
    args = ap.parse_args()
    if websocket is None or not (shutil.which("chromium") or shutil.which("chromium-browser")):
        sys.exit("bench_html.py needs chromium and python3-websocket (scripts/setup.sh installs them)")
    vellora = os.path.join(os.path.abspath(args.build), "src/app/vellora-list")
    os.makedirs(args.work, exist_ok=True)
    order = ["file MB", "first rows s", "load event s", "sort by name s", "sort by size s", "keystroke ms",
             "renderer peak MB"]
    for k, rows in enumerate(int(r) for r in args.rows.split(",")):
        tree = os.path.join(args.work, "tree-%d" % rows)
        if not os.path.isdir(tree):
            subprocess.run([sys.executable, os.path.join(HERE, "../scan/make_tree.py"), tree, "--files", str(rows),
                            "--folders", str(max(1000, rows // 20))], check=True, stdout=subprocess.DEVNULL)
        page = os.path.join(args.work, "page-%d.html" % rows)
        old = os.path.join(args.work, "page-%d-before.html" % rows)
        subprocess.run([vellora, "--export", "html", "--order", "-1", "--subfolders", "--columns", "size,date", "--output", page,
                        tree], check=True, stderr=subprocess.DEVNULL)
        write_old_page(page, old)
        print("%s rows" % format(rows, ","), flush=True)
        now = measure(page, args.cap, args.shot if k == 0 else None)
        before = measure(old, args.cap)
        print("  %-18s %-34s %s" % ("", "this page", "the page before"))
        for key in order + sorted(set(before) - set(order)):
            def show(v):
                return "-" if v is None else ("%.2f" % v if isinstance(v, float) else str(v))
            print("  %-18s %-34s %s" % (key, show(now.get(key)), show(before.get(key))), flush=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
