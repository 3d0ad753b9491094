#!/usr/bin/python3
"""The newer exports read back by the programs people open them with.

    outside_proofs.py VELLORA_LIST

Makes a tree of names that a spreadsheet, a page or a script could take for something else,
exports it in the four formats with checksums, and reads each file back: CSV with Python's
csv module and LibreOffice, the workbook with LibreOffice and openpyxl, the page with
Python's HTML parser and headless Chromium, JSON lines against stat and sha256sum. All of
it runs twice: in the locale the script is given, and in Italian (a decimal comma), where
the workbook's numbers must still read as numbers. A program that is not installed is
skipped and named. Exit 0: every proof that ran held; 1: one failed; 77: nothing could run.
"""

import base64
import csv
import datetime
import hashlib
import html.parser
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

NAMES = [
    "a,b.txt", "semi;colon.txt", 'quo"te.txt', "=SUM(1,2).txt", "+39 telefono.txt", "@home.txt",
    " spazi intorno .txt", "città è già.doc", "日本語.pdf", "emoji 😀.png", "README", "arch.tar.gz",
    "=1+2.txt", "-rf",
]
FORMULA = tuple("=+-@")  # what a spreadsheet runs: CSV writes such a name after an apostrophe
RAW = b"latin1-caff\xe8.bin"  # not UTF-8
SUB = "sotto cartella"
failures = []
ran = []
where = [""]  # the locale of the pass under way, for the messages


def check(what, ok, detail=""):
    if not ok:
        what = where[0] + what
        failures.append(what + (": " + detail if detail else ""))
        print("FAIL  " + what + (": " + detail if detail else ""))


def unguarded(name):
    """The name a CSV cell stands for, and whether its apostrophe was where it belongs."""
    if name[:1] == "'" and name[1:2] in FORMULA:
        return name[1:], True
    return name, not name.startswith(FORMULA)


def make_tree(root):
    files = []
    for i, name in enumerate(NAMES):
        folder = os.path.join(root, SUB) if i % 4 == 3 else root
        os.makedirs(folder, exist_ok=True)
        path = os.path.join(folder, name)
        with open(path, "wb") as f:
            f.write(os.urandom(1000 * i + 7))
        # Winter and summer times, so the offsets differ.
        stamp = 1084365000 + i * 86400 * 45
        os.utime(path, (stamp, stamp))
        files.append(os.fsencode(path))
    raw = os.fsencode(root) + b"/" + RAW
    with open(raw, "wb") as f:
        f.write(b"MZ" + os.urandom(300))
    files.append(raw)
    return files


def expected_rows(files):
    rows = {}
    for path in files:
        st = os.stat(path)
        folder, _, name = path.rpartition(b"/")
        text = name.decode("utf-8", "replace")
        base, dot, ext = text.rpartition(".")
        if not dot or not base:
            base, ext = text, ""
        rows[(folder + b"/").decode("utf-8", "replace") + text] = {
            "name": base, "ext": ext, "folder": (folder + b"/").decode("utf-8", "replace"),
            "size": st.st_size, "mtime": int(st.st_mtime),
            "sha": hashlib.sha256(open(path, "rb").read()).hexdigest(), "raw": path,
        }
    return rows


def local(secs):
    return datetime.datetime.fromtimestamp(secs)


def soffice(args, workdir):
    exe = shutil.which("soffice") or shutil.which("libreoffice")
    if not exe:
        return None
    profile = "file://" + os.path.join(workdir, "lo-profile")
    return subprocess.run([exe, "-env:UserInstallation=" + profile, "--headless", "--norestore"] + args,
                          capture_output=True, text=True, timeout=240)


def import_openpyxl():
    try:
        import openpyxl
        return openpyxl
    except ImportError:
        return None


def prove_csv(path, sep, rows, work):
    ran.append("csv " + sep)
    with open(path, newline="", encoding="utf-8-sig") as f:
        records = list(csv.reader(f, delimiter=sep))
    check("CSV %s heading" % sep, records[0][:3] == ["Nome File", "Ext", "Dimensione"], str(records[0]))
    check("CSV %s one record per file" % sep, len(records) - 1 == len(rows), str(len(records) - 1))
    for r in records[1:]:
        name, ext, size, date, folder, sha = r[0], r[1], r[2], r[3], r[6], r[7]
        name, guarded = unguarded(name)
        ext, ext_guarded = unguarded(ext)
        key = folder + name + ("." + ext if ext else "")
        check("CSV %s: %r is no formula" % (sep, key), guarded and ext_guarded, r[0])
        want = rows.get(key)
        check("CSV %s knows %r" % (sep, key), want is not None)
        if want:
            check("CSV %s size of %r" % (sep, key), size == str(want["size"]), size)
            stamp = local(want["mtime"]).strftime("%Y-%m-%d %H:%M:%S")
            check("CSV %s date of %r" % (sep, key), date == stamp, date)
            check("CSV %s checksum of %r" % (sep, key), sha == want["sha"])
    openpyxl = import_openpyxl()
    out = os.path.join(work, "lo-csv-%d" % ord(sep))
    done = soffice(["--infilter=CSV:%d,34,76" % ord(sep), "--convert-to", "xlsx", "--outdir", out, path], work)
    if done is None or openpyxl is None:
        print("skip  LibreOffice reading the CSV (%s)" % ("no LibreOffice" if done is None else "no openpyxl"))
        return
    ran.append("LibreOffice csv " + sep)
    converted = os.path.join(out, os.path.basename(path)[:-4] + ".xlsx")
    check("LibreOffice reads the CSV (%s)" % sep, done.returncode == 0 and os.path.exists(converted), done.stderr)
    if os.path.exists(converted):
        sheet = openpyxl.load_workbook(converted).active
        got = {}
        for r in sheet.iter_rows(min_row=2, values_only=True):
            name, guarded = unguarded(str(r[0] or ""))
            ext = unguarded(str(r[1] or ""))[0]
            key = (r[6] or "") + name + ("." + ext if ext else "")
            check("LibreOffice: %r stays a text" % key, guarded and isinstance(r[0], str), repr(r[0]))
            got[key] = r
        check("LibreOffice: one row per file (%s)" % sep, sorted(got) == sorted(rows), str(set(got) ^ set(rows)))
        for key, r in got.items():
            if key in rows:
                check("LibreOffice: size of %r is the number" % key, r[2] == rows[key]["size"], repr(r[2]))


def prove_xlsx(path, rows, work):
    openpyxl = import_openpyxl()
    if openpyxl is None:
        print("skip  openpyxl reading the workbook (python3-openpyxl not installed)")
    else:
        ran.append("openpyxl")
        try:
            book = openpyxl.load_workbook(path)
        except Exception as e:  # a number it cannot read, a character XML does not allow
            check("openpyxl reads the workbook", False, repr(e))
            book = None
    if openpyxl is not None and book is not None:
        check("workbook sheets", book.sheetnames == ["Lista", "Informazioni"], str(book.sheetnames))
        sheet = book["Lista"]
        check("heading bold and frozen", sheet["A1"].font.b and sheet.freeze_panes == "A2")
        check("autofilter over the list", sheet.auto_filter.ref == "A1:H%d" % (len(rows) + 1),
              sheet.auto_filter.ref)
        data = list(sheet.iter_rows(min_row=2))
        check("workbook: one row per file", len(data) == len(rows), str(len(data)))
        for cells in data:
            v = [c.value for c in cells]
            key = (v[6] or "") + v[0] + ("." + v[1] if v[1] else "")
            want = rows.get(key)
            check("workbook knows %r" % key, want is not None)
            if not want:
                continue
            check("workbook: %r is text" % key, cells[0].data_type == "s")
            check("workbook: size of %r is a number" % key, v[2] == want["size"] and cells[2].data_type == "n",
                  repr(v[2]))
            check("workbook: date of %r is a date" % key, isinstance(v[3], datetime.datetime)
                  and abs((v[3] - local(want["mtime"])).total_seconds()) < 1, repr(v[3]))
            check("workbook: checksum of %r" % key, v[7] == want["sha"])
        facts = {r[0]: r[1] for r in book["Informazioni"].iter_rows(values_only=True)}
        check("header facts", facts.get("Totale File") == len(rows) and facts.get("Ricerca in") == "Sottocartelle",
              str(facts))
        widths = [sheet.column_dimensions[c].width for c in "ABCDEFGH"]
        check("workbook column widths", all(isinstance(w, float) and 2 < w < 90 for w in widths), str(widths))
    out = os.path.join(work, "lo-xlsx")
    done = soffice(["--convert-to", "csv:Text - txt - csv (StarCalc):44,34,76", "--outdir", out, path], work)
    if done is None:
        print("skip  LibreOffice converting the workbook (not installed)")
        return
    ran.append("LibreOffice xlsx")
    converted = os.path.join(out, os.path.basename(path)[:-5] + ".csv")
    ok = done.returncode == 0 and os.path.exists(converted) and "rror" not in done.stderr
    check("LibreOffice converts the workbook", ok, done.stderr)
    if os.path.exists(converted):
        with open(converted, newline="", encoding="utf-8") as f:
            records = list(csv.reader(f))
        check("LibreOffice: one row per file", len(records) == len(rows) + 1)
        # The dates as the workbook shows them: with their time of day.
        shown = sorted(r[3] for r in records[1:])
        want = sorted(local(r["mtime"]).strftime("%d/%m/%Y %H:%M") for r in rows.values())
        check("LibreOffice: dates and times", shown == want, str(shown))


class Cells(html.parser.HTMLParser):
    def __init__(self):
        super().__init__()
        self.rows, self.cell, self.body, self.outside = [], None, False, []

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        if tag == "tbody":
            self.body = True
        elif tag == "tr" and self.body:
            self.rows.append([])
        elif tag == "td" and self.body:
            self.cell = ""
        if tag in ("script", "img", "link", "iframe") and (attrs.get("src") or attrs.get("href")):
            self.outside.append(tag)

    def handle_endtag(self, tag):
        if tag == "td" and self.cell is not None:
            self.rows[-1].append(self.cell)
            self.cell = None
        elif tag == "tbody":
            self.body = False

    def handle_data(self, data):
        if self.cell is not None:
            self.cell += data


def prove_html(path, rows, work):
    ran.append("html.parser")
    page = open(path, encoding="utf-8").read()
    parser = Cells()
    parser.feed(page)
    check("page: one table row per file", len(parser.rows) == len(rows), str(len(parser.rows)))
    check("page: nothing loaded from outside", not parser.outside and "http" not in page, str(parser.outside))
    for cells in parser.rows:
        key = cells[6] + cells[0] + ("." + cells[1] if cells[1] else "")
        check("page knows %r" % key, key in rows)
    chromium = shutil.which("chromium") or shutil.which("chromium-browser")
    if not chromium:
        print("skip  Chromium rendering the page (not installed)")
        return
    ran.append("chromium")
    shot = os.path.join(work, "page.png")
    base = [chromium, "--headless", "--no-sandbox", "--disable-gpu", "--disable-background-networking",
            "--disable-component-update", "--disable-sync", "--no-first-run",
            "--user-data-dir=" + os.path.join(work, "chromium")]
    done = subprocess.run(base + ["--window-size=1200,900", "--screenshot=" + shot, "file://" + path],
                          capture_output=True, timeout=120)
    check("Chromium renders the page", done.returncode == 0 and os.path.getsize(shot) > 10000)
    dom = subprocess.run(base + ["--dump-dom", "file://" + path], capture_output=True, text=True, timeout=120)
    check("Chromium builds one row per file", dom.stdout.count("<tr>") == len(rows) + 1)
    # A click on "Dimensione" twice: the biggest file first.
    clicked = os.path.join(work, "clicked.html")
    with open(clicked, "w", encoding="utf-8") as f:
        f.write(page.replace("</body>", "<script>var h=document.querySelectorAll('th')[2];h.click();h.click()"
                                         "</script></body>"))
    dom = subprocess.run(base + ["--dump-dom", "file://" + clicked], capture_output=True, text=True, timeout=120)
    sizes = [int(v) for v in re.findall(r'<tr><td>[^<]*</td><td>[^<]*</td><td data-v="(\d+)"', dom.stdout)]
    check("a click on a heading sorts the page", sizes == sorted((r["size"] for r in rows.values()), reverse=True),
          str(sizes))


def prove_json(path, rows, root):
    ran.append("json")
    lines = open(path, encoding="utf-8").read().splitlines()
    check("JSON: one line per file", len(lines) == len(rows), str(len(lines)))
    sums = {}
    if shutil.which("sha256sum"):
        out = subprocess.run(["sha256sum", "--"] + [r["raw"] for r in rows.values()], capture_output=True).stdout
        for line in out.splitlines():
            digest, _, name = line.partition(b"  ")
            sums[name] = digest.decode()
    for line in lines:
        obj = json.loads(line)
        raw = base64.b64decode(obj["path_bytes"]) if "path_bytes" in obj else obj["path"].encode()
        st = os.stat(raw)
        check("JSON size of %r" % obj["path"], obj["size"] == st.st_size)
        when = datetime.datetime.fromisoformat(obj["modified"]).timestamp()
        check("JSON time of %r" % obj["path"], when == int(st.st_mtime), obj["modified"])
        if sums:
            check("JSON checksum of %r equals sha256sum's" % obj["path"], obj["sha256"] == sums.get(raw), obj["sha256"])
        relative = os.path.relpath(raw, os.fsencode(root))
        check("JSON relative of %r" % obj["path"], obj["relative"] == relative.decode(errors="replace"), obj["relative"])
        members = ("number", "name", "extension", "folder", "version", "company", "description", "product")
        check("JSON members of %r" % obj["path"], all(k in obj for k in members))
    check("JSON carries the raw name", any("path_bytes" in json.loads(l) for l in lines))


def export_and_prove(vellora, work, rows, root):
    common = ["--subfolders", "--checksum", "sha256", "--columns", "size,date,version,info"]
    outputs = {}
    for kind, extra, name in (("csv", ["--csv-separator", ","], "lista.csv"),
                              ("csv", ["--csv-separator", ";"], "lista-pv.csv"), ("xlsx", [], "lista.xlsx"),
                              ("html", [], "lista.html"), ("json", [], "lista.jsonl")):
        target = os.path.join(work, name)
        done = subprocess.run([vellora, "--export", kind] + extra + common + ["--output", target, root],
                              capture_output=True, text=True)
        check("vellora-list --export %s %s" % (kind, " ".join(extra)), done.returncode == 0, done.stderr)
        outputs[name] = target
    prove_csv(outputs["lista.csv"], ",", rows, work)
    prove_csv(outputs["lista-pv.csv"], ";", rows, work)
    prove_xlsx(outputs["lista.xlsx"], rows, work)
    prove_html(outputs["lista.html"], rows, work)
    prove_json(outputs["lista.jsonl"], rows, root)


def main():
    if len(sys.argv) != 2 or not os.access(sys.argv[1], os.X_OK):
        print(__doc__)
        return 77
    vellora = os.path.abspath(sys.argv[1])
    os.environ["TZ"] = "Europe/Rome"
    time.tzset()
    installed = subprocess.run(["locale", "-a"], capture_output=True, text=True).stdout.lower().split()
    with tempfile.TemporaryDirectory(prefix="vellora-proofs-") as work:
        root = os.path.join(work, "albero")
        rows = expected_rows(make_tree(root))
        for loc in (None, "it_IT.UTF-8"):
            if loc and loc.lower().replace("utf-8", "utf8") not in installed:
                print("skip  the proofs in %s (locale not generated)" % loc)
                continue
            if loc:
                os.environ["LC_ALL"] = loc
                where[0] = loc + ": "
            out = os.path.join(work, loc or "default")
            os.makedirs(out)
            export_and_prove(vellora, out, rows, root)
    print("proofs run: " + ", ".join(ran))
    print("%d passed, %d failed" % (0 if failures else len(ran), len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
