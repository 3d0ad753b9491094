#!/usr/bin/env bash
# Sets everything up, builds and runs all tests: once as a normal build and once under
# AddressSanitizer and UndefinedBehaviorSanitizer; checks the desktop files and the package.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
export QT_QPA_PLATFORM=offscreen
echo "== Build"
"$root/scripts/build.sh" "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
echo "== Tests"
ctest --test-dir "$root/build" --output-on-failure -j "$(nproc)"
echo "== Desktop entry, metadata, manual pages, package"
"$root/scripts/validate.sh"
echo "== Build (ASan + UBSan)"
"$root/scripts/build.sh" "$root/build-asan" -DCMAKE_BUILD_TYPE=Debug -DVELLORA_SANITIZE=ON -DVELLORA_BUILD_BENCH=OFF
echo "== Tests (ASan + UBSan)"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir "$root/build-asan" --output-on-failure -j "$(nproc)"
