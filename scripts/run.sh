#!/usr/bin/env bash
# Sets everything up, builds and starts Vellora File.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh" "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
if [ -x "$root/build/src/app/vellora" ]; then
  exec "$root/build/src/app/vellora" "$@"
fi
exec "$root/build/src/app/vellora-list" --subfolders "$HOME"
