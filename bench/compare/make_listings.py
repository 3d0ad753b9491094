#!/usr/bin/env python3
"""make_listings.py BEFORE AFTER [--files N] [--changed P] [--moved P] [--no-sha256] [--old]

Writes two saved listings (JSON lines, as the export writes them) of an imaginary folder of N
files (default 1,000,000) for bench_compare: AFTER is BEFORE with P percent of the files changed
(default 5: new content, size and time, a new version for some programs) and P percent moved to
another folder (default 1), the rest as they were. No file is read or made. --no-sha256 leaves
out the checksums (the comparison goes by size and time); --old leaves out "relative", as
listings written before it existed. The rows are shuffled within each listing, as the orders
of the window put them. Deterministic for given arguments.
"""
import argparse
import hashlib
import random

ROOT = "/home/utente/Archivio/"
WORDS = ["report", "data", "Notes", "main", "build", "cache", "readme", "IMG", "setup", "lib",
         "config", "photo", "draft", "index", "archive", "module", "test", "util", "città"]
EXTENSIONS = ["txt", "dll", "exe", "png", "jpg", "pdf", "log", "c", "h", "xml", ""]


def json_text(text):
    return '"' + text.replace("\\", "\\\\").replace('"', '\\"') + '"'


def make_files(n, rng):
    files = []
    for i in range(n):
        folder = "%s/%s%03d/" % (rng.choice(WORDS), rng.choice(WORDS), (i // 100) % 1000)
        ext = rng.choice(EXTENSIONS)
        base = "%s_%07d" % (rng.choice(WORDS), i)
        program = ext in ("dll", "exe")
        files.append({
            "folder": folder, "name": base, "ext": ext,
            "size": rng.randrange(0, 50_000_000), "mtime": 1_500_000_000 + rng.randrange(200_000_000),
            "sha": hashlib.sha256(b"%d" % i).hexdigest(),
            "version": "%d.%d.%d.%d" % (rng.randrange(10), rng.randrange(10), rng.randrange(100), i % 7)
            if program else "",
            "company": "Acme S.p.A." if program else "",
            "description": "Libreria %s" % base[:4] if program else "",
            "product": "Acme Suite" if program else "",
        })
    return files


def stamp(secs):
    # The zone of the listings is a fixed +01:00: the reader takes the offset as written.
    import datetime
    t = datetime.datetime.fromtimestamp(secs, datetime.timezone(datetime.timedelta(hours=1)))
    return t.strftime("%Y-%m-%dT%H:%M:%S+01:00")


def write(path, files, sha, old):
    with open(path, "w", encoding="utf-8") as out:
        for number, f in enumerate(files, 1):
            file_name = f["name"] + ("." + f["ext"] if f["ext"] else "")
            folder = ROOT + f["folder"]
            line = ['{"number":%d' % number, '"name":' + json_text(f["name"]),
                    '"extension":' + json_text(f["ext"]), '"folder":' + json_text(folder),
                    '"path":' + json_text(folder + file_name)]
            if not old:
                line.append('"relative":' + json_text(f["folder"] + file_name))
            line += ['"size":%d' % f["size"], '"modified":"%s"' % stamp(f["mtime"]),
                     '"version":' + json_text(f["version"]), '"company":' + json_text(f["company"]),
                     '"description":' + json_text(f["description"]),
                     '"product":' + json_text(f["product"])]
            if sha:
                line.append('"sha256":"%s"' % f["sha"])
            out.write(",".join(line) + "}\n")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("before")
    parser.add_argument("after")
    parser.add_argument("--files", type=int, default=1_000_000)
    parser.add_argument("--changed", type=float, default=5.0)
    parser.add_argument("--moved", type=float, default=1.0)
    parser.add_argument("--no-sha256", action="store_true")
    parser.add_argument("--old", action="store_true")
    parser.add_argument("--seed", type=int, default=22)
    args = parser.parse_args()
    rng = random.Random(args.seed)
    before = make_files(args.files, rng)
    after = [dict(f) for f in before]
    picks = list(range(args.files))
    rng.shuffle(picks)
    changed = int(args.files * args.changed / 100)
    moved = int(args.files * args.moved / 100)
    for i in picks[:changed]:
        f = after[i]
        f["size"] += 1 + rng.randrange(1000)
        f["mtime"] += 86400
        f["sha"] = hashlib.sha256(b"new %d" % i).hexdigest()
        if f["version"]:
            f["version"] = f["version"][:-1] + "9"
    for i in picks[changed:changed + moved]:
        after[i]["folder"] = "spostati/" + after[i]["folder"]
    rng.shuffle(before)
    rng.shuffle(after)
    write(args.before, before, not args.no_sha256, args.old)
    write(args.after, after, not args.no_sha256, args.old)
    print("%d files: %d changed, %d moved" % (args.files, changed, moved))


if __name__ == "__main__":
    main()
