#!/usr/bin/env bash
# Checks what Vellora File gives the desktop: the menu entry, the AppStream metadata, both
# manual pages and the Debian package (built here by package.sh). Each check runs where its
# tool is installed; scripts/setup.sh installs them all.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
have() { command -v "$1" >/dev/null 2>&1; }

if have desktop-file-validate; then
  desktop-file-validate "$root/data/it.vellora.file.desktop"
  echo "desktop-file-validate: it.vellora.file.desktop passed"
fi
if have xdg-mime && have xdg-open && have update-desktop-database; then
  "$root/scripts/check_folder_opener.sh"
fi
if have appstreamcli; then
  appstreamcli validate --no-net "$root/data/it.vellora.file.metainfo.xml"
fi
if have man; then
  for page in "$root"/data/man/*.1; do
    # man prints the formatter's warnings on the standard error; any of them fails.
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null)
    if [ -n "$warnings" ]; then
      echo "$warnings"
      exit 1
    fi
    echo "man -l --warnings: $(basename "$page") renders without a warning"
  done
fi
if have lintian && have dpkg-deb; then
  deb=$("$root/scripts/package.sh" | tail -n 1)
  # Errors fail; every warning left is listed and justified in README.md.
  lintian --fail-on error --info "$deb"
  echo "lintian: $(basename "$deb") passed"
fi
