#!/usr/bin/env bash
# Files checked against a sha256sum list: the engine of --verify beside sha256sum -c on the
# same list and the same 2 GB of files (the tree bench/export/bench_checksum.sh makes, shared
# with it), from a warm page cache, best of three each.
#
#   bench/compare/bench_verify.sh BUILD_DIR [DATA_DIR]   (default /tmp/vsha, made when missing)
set -euo pipefail
build=$1
dir=${2:-/tmp/vsha}
bench="$build/bench/compare/bench_compare"
if [ ! -d "$dir" ]; then
  "$(dirname "$0")/../export/bench_checksum.sh" "$build" "$dir" > /dev/null
fi
list=$(mktemp)
trap 'rm -f "$list"' EXIT
(cd "$dir" && find . -type f -exec sha256sum {} + > "$list")
cat $(find "$dir" -type f) > /dev/null
seconds() { /usr/bin/time -f "%e" "$@" 2>&1 >/dev/null | tail -1; }
best() { sort -n | head -1; }
theirs=$(for _ in 1 2 3; do seconds sh -c "cd '$dir' && sha256sum --quiet -c '$list'"; done | best)
ours=$(for _ in 1 2 3; do seconds "$bench" --verify "$list" "$dir/"; done | best)
echo "files: $(wc -l < "$list"), bytes: $(du -sb "$dir" | cut -f1)"
echo "sha256sum -c: $theirs s, verify: $ours s: $(echo "$theirs $ours" | awk '{printf "%.0f", 100 * $1 / $2}')% of sha256sum -c's speed (target: at least 90%)"
