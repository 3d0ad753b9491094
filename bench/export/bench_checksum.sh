#!/usr/bin/env bash
# SHA-256 over about 2 GB of files: vellora-list's checksums beside sha256sum run over the
# same files (find -exec sha256sum {} +), both from a warm page cache, best of three runs
# each, and every checksum compared with sha256sum's.
#
#   bench/export/bench_checksum.sh BUILD_DIR [DATA_DIR] [MEGABYTES]   (defaults: /tmp/vsha, 2048)
set -euo pipefail
build=$1
dir=${2:-/tmp/vsha}
mb=${3:-2048}
list="$build/src/app/vellora-list"
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

if [ ! -d "$dir" ]; then
  # Half the bytes in a few large files, half in many small ones, as in a real folder tree.
  /usr/bin/python3 - "$dir" "$mb" <<'PY'
import os, sys
root, mb = sys.argv[1], int(sys.argv[2])
big, small = mb // 2 // 128, (mb - mb // 2) * 1024 // 256
for sub, count, size in (("grandi", big, 128 << 20), ("piccoli", small, 256 << 10)):
    for i in range(count):
        folder = os.path.join(root, sub, "%03d" % (i // 500))
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "f%05d.bin" % i), "wb") as f:
            f.write(os.urandom(size))
PY
fi
files=$(find "$dir" -type f | wc -l)
bytes=$(du -sb "$dir" | cut -f1)
cat $(find "$dir" -type f) > /dev/null # warm the cache for both

# "wall cpu" of a run: elapsed seconds, then user and system seconds of all its processes.
seconds() { /usr/bin/time -f "%e %U %S" "$@" 2>&1 >/dev/null | tail -1 | awk '{print $1, $2 + $3}'; }
best() { sort -n | head -1; }
ours=() theirs=()
for _ in 1 2 3; do
  theirs+=("$(seconds sh -c "find '$dir' -type f -exec sha256sum {} + > '$out/sums.txt'")")
  ours+=("$(seconds "$list" --export csv --checksum sha256 --csv-separator , --subfolders --columns "" \
    --output "$out/lista.csv" "$dir")")
done
read -r t_sum c_sum <<<"$(printf '%s\n' "${theirs[@]}" | best)"
read -r t_ours c_ours <<<"$(printf '%s\n' "${ours[@]}" | best)"

/usr/bin/python3 - "$out/lista.csv" "$out/sums.txt" <<'PY'
import csv, sys
with open(sys.argv[1], newline="", encoding="utf-8-sig") as f:
    rows = list(csv.DictReader(f))
ours = {r["Directory"] + r["Nome File"] + ("." + r["Ext"] if r["Ext"] else ""): r["SHA-256"] for r in rows}
theirs = {}
for line in open(sys.argv[2], encoding="utf-8"):
    digest, path = line.rstrip("\n").split("  ", 1)
    theirs[path] = digest
assert ours == theirs, "the checksums differ from sha256sum's"
print("checksums: %d files, all equal to sha256sum's" % len(ours))
PY
echo "data: $files files, $((bytes >> 20)) MiB, $(nproc) cores"
awk -v a="$t_sum" -v b="$t_ours" -v ca="$c_sum" -v cb="$c_ours" -v n="$bytes" 'BEGIN {
  printf "sha256sum (find -exec):   %6.2f s  %7.1f MB/s   CPU %6.2f s\n", a, n / a / 1e6, ca
  printf "vellora-list --checksum:  %6.2f s  %7.1f MB/s   CPU %6.2f s  (%.0f%% of sha256sum)\n", b, n / b / 1e6, cb,
         100 * a / b
}'
