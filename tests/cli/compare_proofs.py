#!/usr/bin/python3
"""vellora-list --compare and --verify held against readings made without it.

    compare_proofs.py VELLORA_LIST

States: a tree is listed with checksums, then files are added, removed, moved, edited (same
size, new content, old time; same content, new time) and renamed in case only; every row of
the comparison (JSON lines) must have the state this script expects, and the workbook's
"Informazioni" the count of each. Checksum lists: sha256sum -c must accept --export sha256 on
names with spaces, backslashes, line breaks and bytes that are not UTF-8; after edits,
--verify must report failing exactly the files sha256sum -c reports. All of it in C and in
Italian (and German when generated). Exit 0: every proof held; 1: one failed; 77: nothing ran
(sha256sum missing).
"""

import json
import os
import shutil
import subprocess
import sys
import tempfile

failures = []
where = [""]
HOSTILE = [b"with space.txt", b"back\\slash.txt", b"new\nline.txt", b"raw\xe8\xff.bin", b"-dash",
           b"cr\rname.txt", b"semi;colon,comma.txt"]


def check(what, ok, detail=""):
    if not ok:
        failures.append(where[0] + what + (": " + detail if detail else ""))
        print("FAIL  " + where[0] + what + (": " + detail if detail else ""))


def put(path, data, stamp=1273047600):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)
    os.utime(path, (stamp, stamp))


def run(prog, args, env, cwd=None):
    return subprocess.run([prog] + args, capture_output=True, env=env, cwd=cwd)


def prove_states(prog, work, env):
    tree = os.path.join(work, "tree")
    put(tree + "/same.txt", b"unchanged")
    put(tree + "/edit.txt", b"aaaa")
    put(tree + "/touch.txt", b"touched")
    put(tree + "/gone.txt", b"removed")
    put(tree + "/old/move.bin", b"travelling content")
    put(tree + "/Case.TXT", b"case only")
    listing = os.path.join(work, "before.jsonl")
    r = run(prog, ["--subfolders", "--export", "json", "--checksum", "sha256", "--output", listing, tree], env)
    check("listing saved", r.returncode == 0, r.stderr.decode(errors="replace"))

    put(tree + "/edit.txt", b"bbbb")  # same size, same time, new content
    put(tree + "/touch.txt", b"touched", 1304583600)  # same content, new time
    os.remove(tree + "/gone.txt")
    os.makedirs(tree + "/new")
    os.rename(tree + "/old/move.bin", tree + "/new/move.bin")
    os.rename(tree + "/Case.TXT", tree + "/case.txt")
    put(tree + "/added.txt", b"new file")
    expected = {"same.txt": "invariato", "edit.txt": "modificato", "touch.txt": "invariato",
                "gone.txt": "rimosso", "new/move.bin": "spostato", "case.txt": "spostato",
                "added.txt": "aggiunto"}

    out = os.path.join(work, "cmp.jsonl")
    r = run(prog, ["--compare", listing, "--subfolders", "--all", "--export", "json", "--output", out], env)
    check("compare exit status 1", r.returncode == 1, str(r.returncode) + r.stderr.decode(errors="replace"))
    with open(out, encoding="utf-8") as f:
        rows = [json.loads(line) for line in f]
    got = {row["relative"]: row["state"] for row in rows}
    check("every row's state", got == expected, str(got))
    moved = {row["relative"]: row.get("previous") for row in rows if row["state"] == "spostato"}
    check("moved files' old paths", moved == {"new/move.bin": "old/move.bin", "case.txt": "Case.TXT"}, str(moved))
    edited = [row["changed"] for row in rows if row["relative"] == "edit.txt"]
    check("an edit of the same size is a new checksum", edited == [["sha256"]], str(edited))

    try:
        import openpyxl
    except ImportError:
        print("skip  the workbook (openpyxl not installed)")
        return
    book = os.path.join(work, "cmp.xlsx")
    r = run(prog, ["--compare", listing, "--subfolders", "--all", "--export", "xlsx", "--output", book], env)
    info = {row[0]: row[1] for row in openpyxl.load_workbook(book)["Informazioni"].iter_rows(values_only=True)}
    counts = {s: list(expected.values()).count(s)
              for s in ("aggiunto", "rimosso", "spostato", "modificato", "invariato")}
    check("the workbook's counts per state", all(info.get(s) == n for s, n in counts.items()), str(info))


def unescape(line):
    """A name as sha256sum -c and --verify print it, back to its bytes."""
    if not line.startswith(b"\\"):
        return line
    out, i, line = bytearray(), 0, line[1:]
    while i < len(line):
        if line[i:i + 1] == b"\\" and i + 1 < len(line):
            out += {b"n": b"\n", b"r": b"\r", b"\\": b"\\"}.get(line[i + 1:i + 2], line[i:i + 2])
            i += 2
        else:
            out.append(line[i])
            i += 1
    return bytes(out)


def failing(output, ok_word):
    names = set()
    for line in output.split(b"\n"):
        name, sep, state = line.rpartition(b": ")
        if sep and not state.startswith(ok_word):
            names.add(unescape(name))
    return names


def prove_lists(prog, work, env):
    tree = os.path.join(work, "names").encode()
    for i, name in enumerate(HOSTILE):
        put(tree + b"/" + name, os.urandom(100 + i))
        put(tree + b"/sub dir/" + name, os.urandom(200 + i))
    manifest = os.path.join(work, "names.sha256").encode()
    r = run(prog, ["--subfolders", "--export", "sha256", "--output", manifest, tree], env)
    check("--export sha256", r.returncode == 0, r.stderr.decode(errors="replace"))
    r = subprocess.run(["sha256sum", "--quiet", "-c", manifest], cwd=tree, capture_output=True)
    check("sha256sum -c accepts the list", r.returncode == 0, (r.stdout + r.stderr).decode(errors="replace"))
    with open(manifest, "rb") as f:
        count = f.read().count(b"\n")
    check("a line per file", count == 2 * len(HOSTILE), str(count))

    put(tree + b"/" + HOSTILE[1], b"changed")
    put(tree + b"/sub dir/" + HOSTILE[2], b"changed")
    os.remove(tree + b"/" + HOSTILE[3])
    theirs = subprocess.run(["sha256sum", "-c", manifest], cwd=tree, capture_output=True)
    ours = run(prog, ["--verify", manifest], env, cwd=tree)
    check("--verify exit status 1", ours.returncode == 1, str(ours.returncode))
    check("--verify fails the files sha256sum -c fails",
          failing(ours.stdout, b"ok") == failing(theirs.stdout, b"OK") and len(failing(ours.stdout, b"ok")) == 3,
          repr(failing(ours.stdout, b"ok")) + " / " + repr(failing(theirs.stdout, b"OK")))


def main():
    if len(sys.argv) != 2 or not shutil.which("sha256sum"):
        print("skip  compare_proofs.py VELLORA_LIST needs the program and sha256sum")
        return 77
    installed = subprocess.run(["locale", "-a"], capture_output=True, text=True).stdout.lower().split()
    for loc in ("C.UTF-8", "it_IT.UTF-8", "de_DE.UTF-8"):
        if loc != "C.UTF-8" and loc.lower().replace("-", "") not in installed:
            print("skip  the proofs in %s (locale not generated)" % loc)
            continue
        where[0] = "[%s] " % loc
        env = dict(os.environ, LC_ALL=loc)
        with tempfile.TemporaryDirectory() as work:
            prove_states(os.path.abspath(sys.argv[1]), work, env)
            prove_lists(os.path.abspath(sys.argv[1]), work, env)
    print("%d proofs failed" % len(failures) if failures else "every proof held")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
