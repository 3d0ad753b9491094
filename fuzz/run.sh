#!/usr/bin/env bash
# fuzz/run.sh [SECONDS] [extra libFuzzer options...]: builds the version reader fuzzer with
# clang, seeds fuzz/corpus/ with well-formed executables and fuzzes for SECONDS (default 60).
# Crashes land in fuzz/crash-*. Builds go to $FUZZ_BUILD_DIR (default: a folder in /tmp).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
seconds=${1:-60}
shift || true
build=${FUZZ_BUILD_DIR:-${TMPDIR:-/tmp}/vellora-fuzz-build}
mkdir -p "$build" "$here/corpus"

if pkg-config --exists Qt6Core; then
  qt_flags=$(pkg-config --cflags --libs Qt6Core)
else
  qt=/usr/include/x86_64-linux-gnu/qt6
  qt_flags="-I$qt -I$qt/QtCore -lQt6Core"
fi
cxx=${CXX_FUZZ:-clang++}
common=(-std=c++20 -fPIC -g -O1 -I"$root/src" -I"$root/tests/fileinfo")

# shellcheck disable=SC2086
"$cxx" "${common[@]}" -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  "$here/fuzz_version.cpp" "$root"/src/fileinfo/*.cpp "$root"/src/fileinfo/linux/*.cpp \
  $qt_flags -o "$build/fuzz_version"
# shellcheck disable=SC2086
"$cxx" "${common[@]}" "$here/seed_gen.cpp" "$root/tests/fileinfo/PeBuilder.cpp" $qt_flags -o "$build/seed_gen"

"$build/seed_gen" "$here/corpus"
cd "$root"
exec nice -n 10 "$build/fuzz_version" -max_len=65536 -max_total_time="$seconds" -print_final_stats=1 \
  -artifact_prefix="$here/" "$@" "$here/corpus"
