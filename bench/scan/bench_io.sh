#!/usr/bin/env bash
# bench_io.sh BUILD_DIR [TREE] [SHARE_TREE]
#
# Where users wait: vellora-list against find, side by side in one run, on
#   - a warm cache (TREE: 200,000 files by make_tree.py unless given), sizes only and every column;
#   - a cold cache (page cache dropped before each run; skipped, saying so, without the rights);
#   - a latency mount: bench/latencyfs mirrors SHARE_TREE (20,000 files in 1,000 folders by
#     make_tree.py unless given) and answers every request after LATENCY_US (500) microseconds,
#     on many threads, as a network share does; also how long a Ctrl+C takes to stop a scan there.
# Prints seconds and the ratio to the baseline. RUNS=n (default 3) runs per warm case.
set -euo pipefail
build=$(cd "${1:?usage: bench_io.sh BUILD_DIR [TREE] [SHARE_TREE]}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
tree=${2:-${TMPDIR:-/tmp}/vellora-bench-tree}
share=${3:-${TMPDIR:-/tmp}/vellora-bench-share}
runs=${RUNS:-3}
latency=${LATENCY_US:-500}
list="$build/src/app/vellora-list"
latencyfs="$build/bench/latencyfs/latencyfs"
all=(--columns number,size,date,version,info)
export LC_ALL=C.UTF-8

[ -d "$tree" ] || python3 "$here/make_tree.py" "$tree" --files 200000 >/dev/null
[ -d "$share" ] || python3 "$here/make_tree.py" "$share" --files 20000 --folders 1000 >/dev/null

secs() { # CMD...: wall seconds of one run, output discarded
  local t0 t1
  t0=$(date +%s%N)
  "$@" >/dev/null 2>&1 || true
  t1=$(date +%s%N)
  awk -v ns=$((t1 - t0)) 'BEGIN { printf "%.3f", ns / 1e9 }'
}
min() { awk -v a="$1" -v b="$2" 'BEGIN { print (b == "" || a < b) ? a : b }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
row() { printf "%-40s %8s s   %-28s %8s s   %sx\n" "$1" "$2" "$3" "$4" "$(ratio "$2" "$4")"; }

# race CAPTION BASELINE_CAPTION PREP -- BASELINE... -- CMD...: alternate runs, best of each.
race() {
  local caption=$1 bcaption=$2 prep=$3; shift 3
  local base=() cmd=()
  shift # --
  while [ "$1" != "--" ]; do base+=("$1"); shift; done
  shift
  cmd=("$@")
  local bb= bc= n=$runs
  [ "$prep" = cold ] && n=1
  for ((i = 0; i < n; i++)); do
    [ "$prep" = cold ] && drop
    bb=$(min "$(secs "${base[@]}")" "$bb")
    [ "$prep" = cold ] && drop
    bc=$(min "$(secs "${cmd[@]}")" "$bc")
  done
  row "$caption" "$bc" "$bcaption" "$bb"
}

drop() { sync; echo 3 > /proc/sys/vm/drop_caches; }

echo "files: $(find "$tree" -type f | wc -l) warm tree, $(find "$share" -type f | wc -l) on the latency mount"
find "$tree" -type f -printf '%s %T@ %p\n' >/dev/null
echo "== warm cache"
race "warm, sizes only" "find %s %p" warm -- find "$tree" -type f -printf '%s %p\n' -- \
  "$list" --subfolders --order -1 "$tree"
race "warm, every column" "find %s %T@ %p" warm -- find "$tree" -type f -printf '%s %T@ %p\n' -- \
  "$list" --subfolders --order -1 "${all[@]}" "$tree"

echo "== cold cache"
if ( drop ) 2>/dev/null; then
  race "cold, sizes only" "find %s %p" cold -- find "$tree" -type f -printf '%s %p\n' -- \
    "$list" --subfolders --order -1 "$tree"
  race "cold, every column" "find %s %T@ %p" cold -- find "$tree" -type f -printf '%s %T@ %p\n' -- \
    "$list" --subfolders --order -1 "${all[@]}" "$tree"
else
  echo "skipped: the page cache cannot be dropped here (needs root)"
fi

echo "== latency mount (${latency} us a request)"
if [ ! -x "$latencyfs" ] || ! command -v fusermount3 >/dev/null; then
  echo "skipped: latencyfs or fusermount3 missing (libfuse3-dev, fuse3)"
  exit 0
fi
mnt=$(mktemp -d)
trap 'fusermount3 -u "$mnt" 2>/dev/null || true; rmdir "$mnt"' EXIT
"$latencyfs" "$share" "$mnt" --latency-us "$latency"
runs=1
race "latency, sizes only" "find %s %p" warm -- find "$mnt" -type f -printf '%s %p\n' -- \
  "$list" --subfolders --order -1 "$mnt"
race "latency, every column" "find %s %T@ %p" warm -- find "$mnt" -type f -printf '%s %T@ %p\n' -- \
  "$list" --subfolders --order -1 "${all[@]}" "$mnt"
# Ctrl+C one second into a scan: time from the signal to the end of the program.
"$list" --subfolders --order -1 "${all[@]}" "$mnt" >/dev/null 2>&1 &
pid=$!
sleep 1
t0=$(date +%s%N)
kill -INT "$pid"
wait "$pid" || true
t1=$(date +%s%N)
echo "interrupt over the latency mount: stopped $(( (t1 - t0) / 1000000 )) ms after Ctrl+C"
