#!/usr/bin/env bash
# Two saved listings of a million files compared (5% changed, 1% moved; with checksums, and
# again without, which pairs moves by name, size and time), read side by side on two threads:
# the time of each step, and the whole run's time, processor time and peak memory by
# /usr/bin/time, best of three. The baseline is Qt's own
# JSON reader over the same listing. Listings are generated once into DIR (no files are made).
#
#   bench/compare/bench_compare.sh BUILD_DIR [DIR] [FILES]   (defaults: /tmp/vcmp, 1000000)
set -euo pipefail
build=$1
dir=${2:-/tmp/vcmp}
files=${3:-1000000}
bench="$build/bench/compare/bench_compare"
here=$(dirname "$0")
mkdir -p "$dir"
for kind in sha plain; do
  extra=(); [ "$kind" = plain ] && extra=(--no-sha256)
  if [ ! -f "$dir/after-$kind.jsonl" ]; then
    /usr/bin/python3 "$here/make_listings.py" "$dir/before-$kind.jsonl" "$dir/after-$kind.jsonl" \
      --files "$files" "${extra[@]}"
  fi
done
cat "$dir"/*.jsonl > /dev/null # warm the page cache for every run

for kind in sha plain; do
  for mode in "" --all; do
    for i in 1 2 3; do # "seconds kilobytes cpu-seconds" of each run, its own report beside
      /usr/bin/time -o "$dir/time-$i.txt" -f "%e %M %U %S" \
        "$bench" "$dir/before-$kind.jsonl" "$dir/after-$kind.jsonl" $mode > "$dir/report-$i.txt"
    done
    best=$(for i in 1 2 3; do echo "$(tail -1 "$dir/time-$i.txt") $i"; done | sort -n | head -1)
    read -r secs kb user sys i <<< "$best"
    cpu=$(echo "$user $sys" | awk '{printf "%.2f", $1 + $2}')
    echo "== $files files, $kind, ${mode:-changes only}: $secs s ($cpu s of processor), $((kb / 1024)) MB peak" \
      "(best of 3; target 3 s, 500 MB)"
    sed 's/^/   /' "$dir/report-$i.txt"
  done
done
rm -f "$dir"/time-*.txt "$dir"/report-*.txt
echo "== baseline: Qt's JSON reader, one listing"
"$bench" --qt "$dir/before-sha.jsonl" | sed 's/^/   /'
