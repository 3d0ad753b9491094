#!/usr/bin/env python3
"""make_tree.py DEST [--files N] [--folders M] [--seed S]

Builds a deterministic folder tree for bench_scan.sh: by default 200,000 files in about
10,000 folders, depth up to 8, mixed and upper-case extensions, dotfiles, names with blanks
and UTF-8 letters, sparse files of various sizes, symbolic-link loops, dangling links,
links to folders and links named like matching files ("x.txt" -> a file). DEST must not
exist yet.
"""
import argparse
import os
import random
import sys

EXTENSIONS = ["txt", "TXT", "Txt", "c", "h", "cpp", "py", "md", "json", "png", "jpg", "exe",
              "DLL", "tar.gz", "log", "", "txt.bak", "xtxt"]
WORDS = ["report", "data", "Notes", "main", "build", "cache", "readme", "IMG", "setup", "lib",
         "config", "photo", "draft", "index", "archive", "module", "test", "util"]
FANCY = ["café", "naïve", "日本語", "Ærø", "žluťoučký", "déjà vu", "Ελληνικά", "smörgås"]
MAX_DEPTH = 8


def file_name(rng, i):
    roll = rng.random()
    ext = rng.choice(EXTENSIONS)
    if roll < 0.05:
        base = "." + rng.choice(WORDS).lower() + str(i)          # dotfile
    elif roll < 0.12:
        base = rng.choice(WORDS) + " copy " + str(i)             # blanks inside
    elif roll < 0.18:
        base = rng.choice(FANCY) + str(i)                        # UTF-8 letters
    elif roll < 0.20:
        base = " " + rng.choice(WORDS) + str(i) + " "            # blanks at both ends
    else:
        base = rng.choice(WORDS) + "_" + str(i)
    return base + ("." + ext if ext else "")


def folder_name(rng, i):
    roll = rng.random()
    if roll < 0.05:
        return "." + rng.choice(WORDS).lower() + str(i)
    if roll < 0.12:
        return rng.choice(WORDS) + " dir " + str(i)
    if roll < 0.18:
        return rng.choice(FANCY) + " " + str(i)
    return rng.choice(WORDS) + str(i)


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("dest")
    ap.add_argument("--files", type=int, default=200_000)
    ap.add_argument("--folders", type=int, default=10_000)
    ap.add_argument("--seed", type=int, default=20260101)
    args = ap.parse_args()
    if os.path.lexists(args.dest):
        sys.exit(f"make_tree.py: {args.dest} exists already")
    rng = random.Random(args.seed)

    os.makedirs(args.dest)
    root = os.path.abspath(args.dest)
    folders = [(root, 0)]
    # Half of the new folders hang below a recent one, so the tree gets deep as well as wide.
    for i in range(1, args.folders):
        if rng.random() < 0.5:
            parent, depth = folders[max(0, len(folders) - 1 - rng.randrange(20))]
        else:
            parent, depth = rng.choice(folders)
        if depth >= MAX_DEPTH:
            parent, depth = rng.choice(folders[: max(1, len(folders) // 4)])
            if depth >= MAX_DEPTH:
                parent, depth = root, 0
        path = os.path.join(parent, folder_name(rng, i))
        os.mkdir(path)
        folders.append((path, depth + 1))

    files_by_folder = {}
    for i in range(args.files):
        folder, _ = rng.choice(folders)
        path = os.path.join(folder, file_name(rng, i))
        with open(path, "wb"):
            pass
        roll = rng.random()
        if roll < 0.6:
            size = 0 if roll < 0.1 else rng.randrange(1, 65536)
        elif roll < 0.999:
            size = rng.randrange(65536, 50 * 1024 * 1024)
        else:
            size = rng.randrange(2**31, 6 * 2**30)   # beyond 32 bits, sparse
        if size:
            os.truncate(path, size)
        files_by_folder.setdefault(folder, []).append(os.path.basename(path))

    links = max(1, args.folders // 20)
    for i in range(links):
        folder, depth = rng.choice(folders)
        kind = i % 5
        if kind == 0:
            os.symlink("..", os.path.join(folder, f"loop{i}"))             # loop to the parent
        elif kind == 1:
            os.symlink(root, os.path.join(folder, f"to root {i}"))         # loop to the top
        elif kind == 2:
            os.symlink(f"missing{i}.txt", os.path.join(folder, f"dangling{i}.txt"))
        elif kind == 3 and files_by_folder.get(folder):
            target = rng.choice(files_by_folder[folder])
            os.symlink(target, os.path.join(folder, f"x{i}.txt"))          # looks like a match
        else:
            other, _ = rng.choice(folders)
            os.symlink(other, os.path.join(folder, f"dirlink{i}"))
    print(f"{root}: {args.files} files, {len(folders)} folders, {links} links")


if __name__ == "__main__":
    main()
