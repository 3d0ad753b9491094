#!/usr/bin/env bash
# bench_scan.sh TREE [VELLORA_LIST]
#
# Times the scanner against find on a warm cache: every file, then '*.txt' (case ignored),
# best of 5 wall times each (RUNS=n to change), run alternately with find, peak memory
# from /usr/bin/time. Checks that the scanner lists the same files as find. Scanners timed:
#   - scan_bench (the scanner alone), from $SCAN_BENCH or next to the usual build folders;
#   - vellora-list, when given as the second argument (or $VELLORA_LIST) and it runs.
# Memory target: 30 MB + 100 bytes per recorded file. Time target: at most 0.8 x find.
set -euo pipefail

tree=${1:?usage: bench_scan.sh TREE [VELLORA_LIST]}
tree=${tree%/}
vlist=${2:-${VELLORA_LIST:-}}
runs=${RUNS:-5}
here=$(cd "$(dirname "$0")" && pwd)

scan_bench=${SCAN_BENCH:-}
if [ -z "$scan_bench" ]; then
  for c in "$here/../../build/bench/scan/scan_bench"; do
    if [ -x "$c" ]; then scan_bench=$c; break; fi
  done
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export LC_ALL=C.UTF-8

# once CMD...: one run, output to /dev/null; sets t_us (wall, microseconds) and kb (peak RSS).
once() {
  local t0 t1
  t0=$(date +%s%N)
  /usr/bin/time -f '%M' -o "$work/rss" "$@" >/dev/null 2>/dev/null || true
  t1=$(date +%s%N)
  t_us=$(( (t1 - t0) / 1000 ))
  kb=$(tail -n 1 "$work/rss")
}

# race NAME CMD... : runs find_cmd and CMD alternately (after one warm-up run of each), so a
# machine shared with other work loads both alike; keeps each one's best time and peak memory.
race() {
  local name=$1; shift
  "${find_cmd[@]}" >/dev/null 2>&1 || true
  "$@" >/dev/null 2>&1 || true
  local fbest= best_us= fpeak=0
  peak=0
  for ((i = 0; i < runs; i++)); do
    once "${find_cmd[@]}"
    if [ -z "$fbest" ] || [ "$t_us" -lt "$fbest" ]; then fbest=$t_us; fi
    if [ "$kb" -gt "$fpeak" ]; then fpeak=$kb; fi
    once "$@"
    if [ -z "$best_us" ] || [ "$t_us" -lt "$best_us" ]; then best_us=$t_us; fi
    if [ "$kb" -gt "$peak" ]; then peak=$kb; fi
  done
  find_t=$(awk -v us="$fbest" 'BEGIN { printf "%.3f", us / 1e6 }')
  best=$(awk -v us="$best_us" 'BEGIN { printf "%.3f", us / 1e6 }')
  printf '  %-14s %8ss  %7d KiB\n' "find" "$find_t" "$fpeak"
  printf '  %-14s %8ss  %7d KiB\n' "$name" "$best" "$peak"
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }'; }

# vellora-list: a heading row, then Nr. \t Nome File \t Ext \t Dimensione \t Data \t Versione
# \t Info \t Directory (Nr. is empty with --columns "").
vlist_paths() {
  awk -F '\t' 'NR > 1 && NF >= 8 { p = $8 $2; if ($3 != "") p = p "." $3; print p }'
}

check_same() { # NAME FILE_A FILE_B
  if cmp -s "$2" "$3"; then
    echo "  $1: same $(wc -l < "$2") entries as find"
  else
    echo "  $1: DIFFERS from find ($(wc -l < "$2") vs $(wc -l < "$3")); first differences:"
    diff "$2" "$3" | head -n 10 | sed 's/^/    /'
    status=1
  fi
}

status=0
have_vlist=0
if [ -n "$vlist" ] && "$vlist" --subfolders --order -1 --columns "" "$tree" >/dev/null 2>&1; then
  have_vlist=1
elif [ -n "$vlist" ]; then
  echo "note: $vlist does not run here; timing scan_bench only"
fi
if [ -z "$scan_bench" ] && [ "$have_vlist" = 0 ]; then
  echo "bench_scan.sh: no scanner to time (set SCAN_BENCH or give VELLORA_LIST)" >&2
  exit 2
fi

for pattern in '*' '*.txt'; do
  echo "pattern $pattern:"
  if [ "$pattern" = '*' ]; then
    find_cmd=(find "$tree" -type f -printf '%s %p\n')
    vl_args=()
  else
    find_cmd=(find "$tree" -type f -iname "$pattern" -printf '%s %p\n')
    vl_args=(--pattern "$pattern")
  fi
  "${find_cmd[@]}" | LC_ALL=C sort > "$work/find"
  sed 's/^[0-9]* //' "$work/find" | LC_ALL=C sort > "$work/find.paths"

  if [ -n "$scan_bench" ]; then
    "$scan_bench" --subfolders --pattern "$pattern" "$tree" 2>/dev/null | LC_ALL=C sort > "$work/sb"
    race "scan_bench" "$scan_bench" --subfolders --pattern "$pattern" "$tree"
    files=$(wc -l < "$work/sb")
    budget=$(( 30 * 1024 + files * 100 / 1024 ))
    echo "    ratio to find $(ratio "$best" "$find_t")  memory $peak KiB of $budget KiB budget"
    check_same "scan_bench (sizes and paths)" "$work/sb" "$work/find"
  fi
  if [ "$have_vlist" = 1 ]; then
    "$vlist" --subfolders --order -1 --columns "" "${vl_args[@]}" "$tree" | vlist_paths \
      | LC_ALL=C sort > "$work/vl"
    race "vellora-list" "$vlist" --subfolders --order -1 --columns "" "${vl_args[@]}" "$tree"
    files=$(wc -l < "$work/vl")
    budget=$(( 30 * 1024 + files * 100 / 1024 ))
    echo "    ratio to find $(ratio "$best" "$find_t")  memory $peak KiB of $budget KiB budget"
    check_same "vellora-list (paths)" "$work/vl" "$work/find.paths"
  fi
done
exit $status
