#!/usr/bin/env bash
# bench_app.sh BUILD_DIR [TREE]: makes the 200,000-file tree (unless TREE is given) and runs
# app_bench offscreen on it, after the folder tree's case (a parent folder that keeps changing).
set -euo pipefail
build=${1:?usage: bench_app.sh BUILD_DIR [TREE]}
here=$(cd "$(dirname "$0")" && pwd)
tree=${2:-}
if [ -z "$tree" ]; then
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  tree=$work/tree
  python3 "$here/../scan/make_tree.py" "$tree" --files 200000
fi
QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8 "$build/bench/app/app_bench" --churn 10
QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8 "$build/bench/app/app_bench" "$tree"
