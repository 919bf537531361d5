#!/usr/bin/env bash
# Builds the program and starts it on the demo park in demo/ (made on first start).
# Without a display it runs under Xvfb, saves a screenshot of the main window
# and ends.
set -euo pipefail
cd "$(dirname "$(readlink -f "$0")")"
scripts/deps.sh
scripts/build.sh
if [ ! -f demo/Daten/Pelmora.sqlite ]; then
  build/tools/tarvos-demopark --machines 60 --years 4 demo
fi
cd demo
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec ../build/src/app/tarvos "$@"
fi

display=":$(( 90 + RANDOM % 100 ))"
Xvfb "$display" -screen 0 1280x900x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
prog=""
trap 'kill $prog "$xvfb" 2>/dev/null || true' EXIT
sleep 2
DISPLAY="$display" ../build/src/app/tarvos "$@" &
prog=$!
sleep 6
shot="$PWD/tarvos-hauptfenster.png"
DISPLAY="$display" scrot --overwrite "$shot"
echo "Kein Bildschirm: das Programm lief unter Xvfb. Bildschirmfoto des Hauptfensters: $shot"
