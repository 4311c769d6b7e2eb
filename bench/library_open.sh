#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The library window over a large history: time from "brisa library" to the window's first frame
# (the first opening makes the window, the later ones show it again), and Brisa's memory with the
# window open. Brisa times itself (BRISA_TRACE_LIBRARY=1); this script drives it and sums up.
# Usage: library_open.sh BRISA MAKE_HISTORY [CLIPS] [OPENINGS]
#   (runs its own Xvfb, D-Bus and openbox through tests/support/with-display.sh)
set -eu
if [ $# -lt 2 ]; then
  echo "uso: library_open.sh BRISA MAKE_HISTORY [CLIPS] [APERTURAS]" >&2
  exit 2
fi
brisa=$(realpath "$1"); make_history=$(realpath "$2"); clips="${3:-100000}"; openings="${4:-5}"
here=$(cd "$(dirname "$0")" && pwd)
exec "$here/../tests/support/with-display.sh" bash -c '
  set -eu
  brisa="$1"; make_history="$2"; clips="$3"; openings="$4"
  home=$(mktemp -d); export HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data"
  log="$home/log"; pids=""
  finish() {
    for p in $pids; do kill "$p" 2>/dev/null || true; done
    for p in $pids; do wait "$p" 2>/dev/null || true; done
    rm -rf "$home"
  }
  trap finish EXIT
  wait_for() { # PATTERN N: until the log holds more than N lines matching PATTERN (20 s at most)
    for _ in $(seq 400); do
      [ "$(grep -c "$1" "$log" || true)" -gt "$2" ] && return 0
      sleep 0.05
    done
    echo "library_open: no apareció «$1» en el registro" >&2; tail -n 20 "$log" >&2; return 1
  }
  lines() { grep -c "$1" "$log" || true; }
  now_ms() { date +%s%N | awk "{ printf \"%.1f\", \$1 / 1e6 }"; }

  openbox >/dev/null 2>&1 & pids="$pids $!"
  sleep 0.5
  "$make_history" "$clips"
  BRISA_TRACE_LIBRARY=1 "$brisa" 2>"$log" & brisa_pid=$!; pids="$pids $brisa_pid"
  wait_for "Brisa está lista" 0
  sleep 2
  rss_closed=$(awk "/VmRSS/ {print \$2}" /proc/$brisa_pid/status)
  command_ms=""
  for i in $(seq "$openings"); do
    seen=$(lines "Biblioteca: primer fotograma")
    a=$(now_ms); "$brisa" library; b=$(now_ms)
    command_ms="$command_ms $(awk -v a="$a" -v b="$b" "BEGIN { print b - a }")"
    wait_for "Biblioteca: primer fotograma" "$seen"
    sleep 1
    [ "$i" -eq 1 ] && rss_open=$(awk "/VmRSS/ {print \$2}" /proc/$brisa_pid/status)
    [ "$i" -lt "$openings" ] && { xdotool key Escape; sleep 0.8; }
  done
  echo "history: $clips clips"
  grep "Biblioteca: primer fotograma" "$log" | sed "s/^\[Brisa\] /  /"
  echo "  brisa library (command, wall time, ms):$command_ms"
  echo "  RSS: $((rss_closed / 1024)) MB before, $((rss_open / 1024)) MB with the library open"
' library_open "$brisa" "$make_history" "$clips" "$openings"
