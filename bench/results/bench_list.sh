#!/usr/bin/env bash
# bench_list.sh BUILD_DIR [TREE]: vellora-list against find on the same tree, warm cache,
# best of 3 runs each, printing the ratios. TREE defaults to a 200,000-file tree made by
# bench/scan/make_tree.py in the temporary folder.
set -euo pipefail
build=$1
tree=${2:-${TMPDIR:-/tmp}/vellora-bench-tree}
here=$(cd "$(dirname "$0")" && pwd)
list="$build/src/app/vellora-list"
if [ ! -d "$tree" ]; then
  python3 "$here/../scan/make_tree.py" "$tree" --files 200000
fi
# best of 3 runs of "$@" (output discarded): "wall cpu" in seconds, cpu = user + sys. On a
# shared machine the CPU time is the steadier of the two.
best() {
  local bw=999999 bc=999999 TIMEFORMAT='%R %U %S' t
  for _ in 1 2 3; do
    t=$( { time "$@" >/dev/null 2>&1; } 2>&1 ) || true
    read -r w u s <<<"$t"
    bw=$(awk -v a="$w" -v b="$bw" 'BEGIN { print (a < b) ? a : b }')
    bc=$(awk -v a="$u" -v c="$s" -v b="$bc" 'BEGIN { x = a + c; print (x < b) ? x : b }')
  done
  echo "$bw $bc"
}
find "$tree" -type f -printf '%s %T@ %p\n' >/dev/null # warm the cache
f1=$(best find "$tree" -type f -printf '%s %p\n')
f2=$(best find "$tree" -type f -printf '%s %T@ %p\n')
l0=$(best "$list" --subfolders --order -1 "$tree")
l1=$(best "$list" --subfolders "$tree")
l2=$(best "$list" --subfolders --order -1 --columns number,size,date,version,info "$tree")
l3=$(best "$list" --subfolders --columns number,size,date,version,info "$tree")
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
row() { # caption, measured pair, baseline pair
  read -r w c <<<"$2"; read -r bw bc <<<"$3"
  printf "%-34s wall %6.3f s (%sx)   cpu %6.3f s (%sx)\n" "$1" "$w" "$(ratio "$w" "$bw")" "$c" "$(ratio "$c" "$bc")"
}
echo "files: $(find "$tree" -type f | wc -l)"
row "find %s %p" "$f1" "$f1"
row "find %s %T@ %p" "$f2" "$f2"
row "list default, scan order" "$l0" "$f1"
row "list default, name order" "$l1" "$f1"
row "list all columns, scan order" "$l2" "$f2"
row "list all columns, name order" "$l3" "$f2"
