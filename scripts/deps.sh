#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need, when missing;
# further packages a script needs beside them come as arguments.
set -euo pipefail
PKGS=(build-essential cmake ninja-build pkg-config
      qt6-base-dev qt6-charts-dev libqt6opengl6-dev qt6-svg-dev libqt6svg6 libqt6sql6-sqlite qt6-pdf-dev
      libqt6sql6-psql libpq-dev postgresql
      qt6-translations-l10n libsqlite3-dev sqlite3 pxlib-dev fonts-dejavu-core xvfb xauth scrot "$@")
missing=()
for p in "${PKGS[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installiere: ${missing[*]}"
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi
