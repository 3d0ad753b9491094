#!/usr/bin/env bash
# Builds the Debian package build/vellora-file_<version>_<arch>.deb: the two programs with
# Debian's hardening flags (in build-deb/, without tests and benchmarks), then CPack.
# Install it with: sudo apt-get install ./build/vellora-file_*.deb
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
dir="$root/build-deb"
if [ ! -f "$dir/build.ninja" ]; then
  # CMake takes CXXFLAGS and LDFLAGS from the environment; the preprocessor flags
  # (_FORTIFY_SOURCE) have no variable of their own there.
  eval "$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --export=sh)"
  export CXXFLAGS="$CXXFLAGS $CPPFLAGS"
  cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVELLORA_BUILD_TESTS=OFF -DVELLORA_BUILD_BENCH=OFF >/dev/null
fi
cmake --build "$dir" -j "$(nproc)"
(cd "$dir" && cpack -G DEB >/dev/null)
mkdir -p "$root/build"
for deb in "$dir"/vellora-file_*.deb; do
  mv -f "$deb" "$root/build/"
  echo "$root/build/$(basename "$deb")"
done
