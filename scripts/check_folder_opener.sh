#!/usr/bin/env bash
# check_folder_opener.sh: installs Vellora File's desktop entry in a scratch XDG tree, with and
# without a file manager's entry beside it, and checks that Vellora File never becomes the
# desktop's folder opener: `xdg-mime query default inode/directory` must not name it, and
# xdg-open on a folder must start the file manager (or nothing), never Vellora File.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

check() { # check WITH_FILE_MANAGER EXPECTED_DEFAULT
  local home=$scratch/$1
  mkdir -p "$home/data/applications" "$home/config" "$home/bin" "$home/system"
  # The system's MIME database tells a folder from a file; its applications stay out.
  ln -s /usr/share/mime "$home/system/mime"
  cp "$root/data/it.vellora.file.desktop" "$home/data/applications/"
  # Both programs stand in as scripts that say who was started.
  printf '#!/bin/sh\necho vellora >> %s/started\n' "$home" > "$home/bin/vellora"
  printf '#!/bin/sh\necho gestore >> %s/started\n' "$home" > "$home/bin/gestore-file"
  chmod +x "$home/bin/vellora" "$home/bin/gestore-file"
  if [ "$1" = with ]; then
    printf '%s\n' '[Desktop Entry]' 'Type=Application' 'Name=PCManFM (stand-in)' 'Exec=gestore-file %U' \
      'MimeType=inode/directory;' > "$home/data/applications/pcmanfm.desktop"
  fi
  update-desktop-database "$home/data/applications" 2>/dev/null || true
  # A display, so that xdg-open goes by the desktop entries (the programs are stand-ins).
  local env=(env -i DISPLAY=:99 HOME="$home" PATH="$home/bin:/usr/bin:/bin" XDG_DATA_HOME="$home/data"
             XDG_DATA_DIRS="$home/data:$home/system" XDG_CONFIG_HOME="$home/config" XDG_CONFIG_DIRS="$home/config")
  local default
  default=$("${env[@]}" xdg-mime query default inode/directory)
  "${env[@]}" xdg-open "$scratch" >/dev/null 2>&1 || true
  sleep 0.5
  local started
  started=$(cat "$home/started" 2>/dev/null || true)
  echo "folder opener, $1 a file manager: default '${default}', xdg-open started '${started}'"
  if [ "$default" != "$2" ] || [ "$started" = vellora ]; then
    echo "Vellora File must not become the folder opener" >&2
    exit 1
  fi
}
check without ""
check with pcmanfm.desktop
