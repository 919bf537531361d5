#!/usr/bin/env bash
# Proves the Debian package on a fresh Debian 12. In one debootstrap chroot
# (nothing installed but git) it builds the package from a clean clone; into a
# second, untouched one it installs the package with apt-get, checks the menu
# entry, starts the program the way the menu does, as a new user under Xvfb,
# and photographs its window; then it removes the package and checks that the
# user's park is unchanged.
# Usage, as root: scripts/package-check.sh [REPO] [SCREENSHOT.png]
set -euo pipefail
repo=$(readlink -f "${1:-.}")
shot=$(readlink -f "${2:-package-check.png}")
base=${FRESH_BASE:-/tmp/fresh/root}

need=()
for t in debootstrap:debootstrap Xvfb:xvfb openbox:openbox xdotool:xdotool scrot:scrot desktop-file-validate:desktop-file-utils; do
  command -v "${t%%:*}" >/dev/null || need+=("${t#*:}")
done
if ((${#need[@]})); then
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi
if [ ! -x "$base/bin/bash" ]; then
  mkdir -p "$(dirname "$base")"
  debootstrap --variant=minbase --include=git,ca-certificates bookworm "$base" http://deb.debian.org/debian >/dev/null
fi

work=$(mktemp -d /tmp/package-check.XXXXXX)
roots=()
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  for r in "${roots[@]}"; do
    for m in tmp/.X11-unix dev/pts dev proc sys; do umount -l "$r/$m" 2>/dev/null || true; done
  done
  rm -rf "$work"
}
trap cleanup EXIT

fresh_root() {
  local r=$1
  mkdir -p "$r"
  cp -a "$base/." "$r/"
  cp /etc/resolv.conf "$r/etc/resolv.conf" 2>/dev/null || true
  roots+=("$r")
  mount -t proc proc "$r/proc"; mount --rbind /sys "$r/sys"; mount --rbind /dev "$r/dev"
}
in_root() {
  local r=$1; shift
  chroot "$r" /usr/bin/env -i HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    LANG=C.UTF-8 DEBIAN_FRONTEND=noninteractive "$@"
}
fail() { echo "package-check: $*" >&2; exit 1; }

echo "1. Paket aus einem frischen Klon bauen"
bau=$work/bau
fresh_root "$bau"
git clone -q "$repo" "$bau/project"
in_root "$bau" bash -c 'cd /project && scripts/package.sh' >"$work/bau.log" 2>&1 || { tail -n 30 "$work/bau.log"; fail "Paketbau fehlgeschlagen"; }
tail -n 5 "$work/bau.log"
deb=$(ls "$bau"/project/build-deb/*.deb)

echo "2. In ein frisches Debian 12 installieren"
ziel=$work/ziel
fresh_root "$ziel"
cp "$deb" "$ziel/tmp/"
in_root "$ziel" bash -c "apt-get update -qq && apt-get install -y -qq /tmp/$(basename "$deb")" >"$work/install.log" 2>&1 \
  || { tail -n 30 "$work/install.log"; fail "Installation fehlgeschlagen"; }
desktop=$ziel/usr/share/applications/tarvos-maschinenpark.desktop
desktop-file-validate "$desktop" || fail "Menüeintrag ungültig"
for f in usr/bin/tarvos-maschinenpark usr/share/icons/hicolor/scalable/apps/tarvos-maschinenpark.svg \
         usr/share/icons/hicolor/48x48/apps/tarvos-maschinenpark.png; do
  [ -e "$ziel/$f" ] || fail "fehlt nach der Installation: /$f"
done
echo "installiert, Menüeintrag gültig"

echo "3. Als neuer Benutzer so starten, wie das Menü startet"
in_root "$ziel" useradd -m anna
display=":$(( 200 + RANDOM % 100 ))"
Xvfb "$display" -screen 0 1280x900x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
sleep 2
DISPLAY=$display openbox >/dev/null 2>&1 &
pids+=($!)
mkdir -p "$ziel/tmp/.X11-unix"
mount --bind /tmp/.X11-unix "$ziel/tmp/.X11-unix"
befehl=$(sed -n 's/^Exec=//p' "$desktop")
# Desktops start programs in the home folder.
chroot --userspec=anna:anna "$ziel" /usr/bin/env -i HOME=/home/anna USER=anna PATH=/usr/bin:/bin LANG=C.UTF-8 \
  DISPLAY="$display" bash -c "cd && exec $befehl" >"$work/programm.log" 2>&1 &
programm=$!
pids+=("$programm")
fenster=""
for _ in $(seq 60); do
  fenster=$(DISPLAY=$display xdotool search --onlyvisible --name '^TARVOS Maschinenpark$' 2>/dev/null | head -n1) && [ -n "$fenster" ] && break
  kill -0 "$programm" 2>/dev/null || { cat "$work/programm.log"; fail "Programm beendet sich beim Start"; }
  sleep 1
done
[ -n "$fenster" ] || fail "kein Hauptfenster nach 60 s"
sleep 3
DISPLAY=$display scrot --overwrite "$shot"
echo "Hauptfenster gezeigt, Bildschirmfoto: $shot"
park="$ziel/home/anna/Documents/TARVOS Maschinenpark"
[ -f "$park/Daten/Pelmora.sqlite" ] || fail "kein neuer Park in ~/Documents/TARVOS Maschinenpark"
DISPLAY=$display xdotool windowactivate --sync "$fenster" key --clearmodifiers alt+F4 2>/dev/null || true
for _ in $(seq 20); do kill -0 "$programm" 2>/dev/null || break; sleep 1; done
if kill -0 "$programm" 2>/dev/null; then kill "$programm"; wait "$programm" 2>/dev/null || true; fi

echo "4. Paket entfernen: der Park bleibt"
stand() { (cd "$ziel/home/anna" && find . -type f -print0 | sort -z | xargs -0 sha256sum); }
vorher=$(stand)
in_root "$ziel" apt-get purge -y -qq tarvos-maschinenpark >"$work/remove.log" 2>&1 || { cat "$work/remove.log"; fail "Entfernen fehlgeschlagen"; }
[ ! -e "$ziel/usr/bin/tarvos-maschinenpark" ] || fail "Programm nach dem Entfernen noch da"
[ "$vorher" = "$(stand)" ] || fail "der Park hat sich beim Entfernen verändert"
echo "$vorher" | sed 's/^/  /'
echo "package-check: bestanden"
