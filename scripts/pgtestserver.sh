#!/usr/bin/env bash
# A throwaway PostgreSQL cluster for the tests, in a temporary folder on a
# free loopback port; nothing outside that folder is touched.
#   scripts/pgtestserver.sh start STATEDIR   writes STATEDIR/conninfo
#   scripts/pgtestserver.sh stop STATEDIR
# The server refuses to run as root: as root it runs as "nobody".
set -euo pipefail
cmd=${1:-}; state=${2:-}
if [ -z "$cmd" ] || [ -z "$state" ]; then
  echo "Aufruf: $0 start|stop STATUSVERZEICHNIS" >&2; exit 2
fi
bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1 || true)
run=()
if [ "$(id -u)" -eq 0 ]; then run=(runuser -u nobody --); fi

case $cmd in
start)
  mkdir -p "$state"
  rm -f "$state/conninfo" "$state/cluster"
  if [ -z "$bin" ] || [ ! -x "$bin/initdb" ]; then
    echo "PostgreSQL ist nicht installiert (scripts/deps.sh): die Tests gegen den Server werden übersprungen."
    exit 0
  fi
  tmp=$(mktemp -d "${TMPDIR:-/tmp}/tarvos-pg.XXXXXX")
  echo "$tmp" > "$state/cluster"
  [ "$(id -u)" -eq 0 ] && chown nobody: "$tmp"
  "${run[@]}" "$bin/initdb" -D "$tmp/data" -U postgres --auth=trust -E UTF8 --locale=C.UTF-8 >"$tmp/initdb.log" 2>&1 \
    || { cat "$tmp/initdb.log" >&2; exit 1; }
  for attempt in 1 2 3 4 5 6 7 8; do
    port=$((20000 + (RANDOM * 32768 + RANDOM) % 40000))
    if "${run[@]}" "$bin/pg_ctl" -D "$tmp/data" -l "$tmp/server.log" -w -t 30 start \
         -o "-p $port -k $tmp -c listen_addresses=127.0.0.1 -c fsync=off -c full_page_writes=off" >/dev/null 2>&1; then
      echo "host=127.0.0.1 port=$port user=postgres dbname=postgres" > "$state/conninfo"
      echo "PostgreSQL-Testserver auf Port $port ($tmp)"
      exit 0
    fi
  done
  cat "$tmp/server.log" >&2 || true
  echo "Der PostgreSQL-Testserver startet nicht." >&2
  exit 1
  ;;
stop)
  [ -f "$state/cluster" ] || exit 0
  tmp=$(cat "$state/cluster")
  rm -f "$state/conninfo" "$state/cluster"
  case $tmp in */tarvos-pg.*) ;; *) echo "Unerwarteter Ordner: $tmp" >&2; exit 1 ;; esac
  if [ -d "$tmp/data" ]; then
    "${run[@]}" "$bin/pg_ctl" -D "$tmp/data" -m fast -w stop >/dev/null 2>&1 || true
  fi
  rm -rf "$tmp"
  ;;
*)
  echo "Unbekannter Befehl: $cmd" >&2; exit 2 ;;
esac
