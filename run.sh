#!/usr/bin/env bash
# Builds the program and starts it on the demo park in demo/ (made on first start).
set -euo pipefail
cd "$(dirname "$(readlink -f "$0")")"
scripts/deps.sh
scripts/build.sh
if [ ! -f demo/Daten/Pelmora.sqlite ]; then
  build/tools/tarvos-demopark --machines 60 --years 4 demo
fi
cd demo
# Without a display the program still runs, on the offscreen platform.
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  export QT_QPA_PLATFORM=offscreen
fi
exec ../build/src/app/tarvos "$@"
