#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests and the program need, when missing.
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins qt6-translations-l10n qt6-gtk-platformtheme
  qt6-svg-dev
  libgl-dev fonts-liberation2 fonts-dejavu-core fonts-noto-cjk fonts-noto-color-emoji
  xvfb xauth poppler-utils
  desktop-file-utils appstream lintian man-db
  dbus-daemon xdg-utils
  libxlsxwriter-dev libssl-dev libglib2.0-dev libsimdjson-dev
  libfuse3-dev fuse3
  python3-openpyxl libreoffice-calc-nogui chromium unzip
  python3-websocket
  locales
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "== Installing: ${missing[*]}"
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  $sudo_cmd apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq "${missing[@]}"
fi

# The tests also run in Italian and in German (a decimal comma), with the C library's locales too.
want=()
for l in it_IT.UTF-8 de_DE.UTF-8; do
  locale -a 2>/dev/null | grep -qix "${l/UTF-8/utf8}" || want+=("$l")
done
if [ ${#want[@]} -gt 0 ]; then
  echo "== Generating locales: ${want[*]}"
  sudo_cmd=""
  [ "$(id -u)" -eq 0 ] || sudo_cmd="sudo"
  for l in "${want[@]}"; do
    $sudo_cmd sed -i "s/^# *\(${l} UTF-8\)/\1/" /etc/locale.gen
    grep -q "^${l} UTF-8" /etc/locale.gen || echo "${l} UTF-8" | $sudo_cmd tee -a /etc/locale.gen >/dev/null
  done
  $sudo_cmd locale-gen >/dev/null
fi
