#!/usr/bin/env bash
# bench_filters.sh [TREE] [GIT_TREE]
#
# What the filters cost, or save, on a warm cache: each pair run alternately in one run, best
# of RUNS (default 5) wall times each, with scan_bench (the scanner alone; $SCAN_BENCH or the
# usual build folder).
#   - TREE (200,000 files by make_tree.py unless given): five masks against one mask that lists
#     the same files, '*.ocx;*.sys;*.vxd;*.drv;*.txt' against '*.txt' (every name not listed
#     is tried against all five). Target: within 1.1x. Then a size range and a day range
#     against no range, for the record.
#   - GIT_TREE (made unless given): 8 projects of 5,000 files, each with a .git folder of
#     20,000 files, so that 80% of the files lie under .git: --exclude .git against no
#     exclusion. Target: at most 0.3x.
# Each pair is checked to list what it should. With BASE_SCAN_BENCH set to the scan_bench of
# an earlier build, the scans without filters are also timed against it (target: within 1.05x).
# With VELLORA_LIST set to a vellora-list, the pairs run through it instead, with the same
# options: the whole listing as a user runs it (scan, fill and name order of the table, printed
# without optional columns).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
tree=${1:-${TMPDIR:-/tmp}/vellora-bench-tree}
gittree=${2:-${TMPDIR:-/tmp}/vellora-bench-git-tree}
runs=${RUNS:-5}
scan_bench=${SCAN_BENCH:-$here/../../build/bench/scan/scan_bench}
[ -n "${VELLORA_LIST:-}" ] || [ -x "$scan_bench" ] || { echo "bench_filters.sh: no scan_bench at $scan_bench (set SCAN_BENCH)" >&2; exit 2; }
export LC_ALL=C.UTF-8

[ -d "$tree" ] || python3 "$here/make_tree.py" "$tree" --files 200000 >/dev/null
if [ ! -d "$gittree" ]; then
  mkdir -p "$gittree"
  for i in 1 2 3 4 5 6 7 8; do
    python3 "$here/make_tree.py" "$gittree/project$i" --files 5000 --folders 250 --seed "$i" >/dev/null
    python3 "$here/make_tree.py" "$gittree/project$i/.git" --files 20000 --folders 1000 --seed "$((100 + i))" >/dev/null
  done
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
if [ -n "${VELLORA_LIST:-}" ]; then
  [ -x "$VELLORA_LIST" ] || { echo "bench_filters.sh: no vellora-list at $VELLORA_LIST" >&2; exit 2; }
  scan_bench=$work/vellora-list
  printf '#!/bin/sh\nexec "%s" --columns= "$@"\n' "$VELLORA_LIST" > "$scan_bench"
  chmod +x "$scan_bench"
fi

secs() { # CMD...: wall seconds of one run, output discarded
  local t0 t1
  t0=$(date +%s%N)
  "$@" >/dev/null 2>&1 || true
  t1=$(date +%s%N)
  awk -v ns=$((t1 - t0)) 'BEGIN { printf "%.3f", ns / 1e9 }'
}
min() { awk -v a="$1" -v b="$2" 'BEGIN { print (b == "" || a < b) ? a : b }'; }

# pair CAPTION BASE_CAPTION TARGET -- BASE_ARGS... -- ARGS...: scan_bench with each set of
# arguments (the base ones run by $base_bench), alternately after a warm-up run of each;
# prints both best times and the ratio.
base_bench=$scan_bench
pair() {
  local caption=$1 bcaption=$2 target=$3; shift 4
  local base=() args=()
  while [ "$1" != "--" ]; do base+=("$1"); shift; done
  shift
  args=("$@")
  "$base_bench" "${base[@]}" >/dev/null 2>&1 || true
  "$scan_bench" "${args[@]}" >/dev/null 2>&1 || true
  local bb= bc=
  for ((i = 0; i < runs; i++)); do
    bb=$(min "$(secs "$base_bench" "${base[@]}")" "$bb")
    bc=$(min "$(secs "$scan_bench" "${args[@]}")" "$bc")
  done
  printf "%-34s %7s s   %-22s %7s s   %5sx  (target %s)\n" "$caption" "$bc" "$bcaption" "$bb" \
    "$(awk -v a="$bc" -v b="$bb" 'BEGIN { printf "%.2f", a / b }')" "$target"
}

listed() { "$scan_bench" "$@" 2>/dev/null | LC_ALL=C sort; }
check() { # CAPTION FILE_A FILE_B
  if cmp -s "$2" "$3"; then
    echo "  $1: same $(wc -l < "$2") files"
  else
    echo "  $1: DIFFERS ($(wc -l < "$2") against $(wc -l < "$3") files)"
    status=1
  fi
}
status=0

echo "== $(find "$tree" -type f | wc -l) files in $tree"
if [ -n "${BASE_SCAN_BENCH:-}" ]; then
  base_bench=$BASE_SCAN_BENCH
  for p in '*' '*.txt'; do
    pair "no filter, '$p'" "earlier build" "<= 1.05" -- --subfolders --pattern "$p" "$tree" -- \
      --subfolders --pattern "$p" "$tree"
  done
  base_bench=$scan_bench
fi
five='*.ocx;*.sys;*.vxd;*.drv;*.txt'
pair "5 masks" "1 mask" "<= 1.10" -- --subfolders --pattern '*.txt' "$tree" -- \
  --subfolders --pattern "$five" "$tree"
listed --subfolders --pattern '*.txt' "$tree" > "$work/one"
listed --subfolders --pattern "$five" "$tree" > "$work/five"
check "5 masks and 1 mask" "$work/five" "$work/one"
pair "sizes 64K to 1M" "no range" "record" -- --subfolders "$tree" -- \
  --subfolders --min-size 64K --max-size 1M "$tree"
pair "modified today or later" "no range" "record" -- --subfolders "$tree" -- \
  --subfolders --modified-from "$(date +%F)" "$tree"

echo "== $(find "$gittree" -type f | wc -l) files in $gittree, $(find "$gittree" -path '*/.git/*' -type f | wc -l) under .git"
pair "--exclude .git" "no exclusion" "<= 0.30" -- --subfolders "$gittree" -- \
  --subfolders --exclude .git "$gittree"
listed --subfolders --exclude .git "$gittree" > "$work/excluded"
listed --subfolders "$gittree" | grep -v '/\.git/' > "$work/kept" || true
check "--exclude .git and the full list without .git" "$work/excluded" "$work/kept"
exit $status
