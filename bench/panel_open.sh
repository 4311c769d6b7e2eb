#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The drop-down panel over a large history: time from "brisa toggle" (the shortcut's path) to the
# first frame of the open panel, Brisa's memory with the panel open, and frame times while the
# card strip scrolls. Brisa times itself (BRISA_TRACE_PANEL=1); this script drives it and sums up.
# Usage: panel_open.sh BRISA MAKE_HISTORY [CLIPS] [OPENINGS]   (PANEL_OPEN_LOG=FILE keeps Brisa's log)
#   (runs its own Xvfb, D-Bus and openbox through tests/support/with-display.sh)
set -eu
if [ $# -lt 2 ]; then
  echo "uso: panel_open.sh BRISA MAKE_HISTORY [CLIPS] [APERTURAS]" >&2
  exit 2
fi
brisa=$(realpath "$1"); make_history=$(realpath "$2"); clips="${3:-100000}"; openings="${4:-10}"
here=$(cd "$(dirname "$0")" && pwd)
exec "$here/../tests/support/with-display.sh" bash -c '
  set -eu
  brisa="$1"; make_history="$2"; clips="$3"; openings="$4"
  home=$(mktemp -d); export HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data"
  log="$home/log"; pids=""
  finish() {
    for p in $pids; do kill "$p" 2>/dev/null || true; done
    for p in $pids; do wait "$p" 2>/dev/null || true; done
    [ -n "${PANEL_OPEN_LOG:-}" ] && cp "$log" "$PANEL_OPEN_LOG"
    rm -rf "$home"
  }
  trap finish EXIT

  # Waits until the log holds more than N lines matching PATTERN (10 s at most).
  wait_for() {
    local pattern="$1" count="$2"
    for _ in $(seq 200); do
      [ "$(grep -c "$pattern" "$log" || true)" -gt "$count" ] && return 0
      sleep 0.05
    done
    echo "panel_open: no apareció «$pattern» en el registro" >&2
    tail -n 20 "$log" >&2
    return 1
  }
  lines() { grep -c "$1" "$log" || true; }
  now_ms() { date +%s%N | awk "{ printf \"%.1f\", \$1 / 1e6 }"; }

  openbox >/dev/null 2>&1 & pids="$pids $!"
  sleep 0.5

  t0=$(now_ms)
  "$make_history" "$clips"
  t1=$(now_ms)
  awk -v a="$t0" -v b="$t1" "BEGIN { printf \"history written in %.1f s\\n\", (b - a) / 1000 }"

  BRISA_TRACE_PANEL=1 "$brisa" 2>"$log" & brisa_pid=$!; pids="$pids $brisa_pid"
  wait_for "Brisa está lista" 0
  sleep 2
  rss_closed=$(awk "/VmRSS/ {print \$2}" /proc/$brisa_pid/status)

  # Each opening as the shortcut does it, then closed again the same way; the pauses let the
  # reveal and the thumbnails finish so that one opening does not overlap the next.
  toggle_ms=""
  for i in $(seq "$openings"); do
    opened=$(lines "Panel abierto:")
    a=$(now_ms); "$brisa" toggle; b=$(now_ms)
    toggle_ms="$toggle_ms $(awk -v a="$a" -v b="$b" "BEGIN { print b - a }")"
    wait_for "Panel abierto:" "$opened"
    sleep 1
    if [ "$i" -lt "$openings" ]; then
      closed=$(lines "Panel cerrado")
      "$brisa" toggle
      wait_for "Panel cerrado" "$closed"
      sleep 0.8
    fi
  done
  rss_open=$(awk "/VmRSS/ {print \$2}" /proc/$brisa_pid/status)

  # Scrolling: the open panel has the keyboard, so Right moves the selection and the strip
  # follows it; 200 presses, 30 ms apart, as a held key repeats.
  before=$(lines "Panel: fotograma en")
  keys=$(for _ in $(seq 200); do printf "Right "; done)
  # shellcheck disable=SC2086
  xdotool key --delay 30 $keys
  sleep 1
  rss_scrolled=$(awk "/VmRSS/ {print \$2}" /proc/$brisa_pid/status)

  echo "== panel over a history of $clips clips, $openings openings with brisa toggle"
  grep "Panel abierto:" "$log" | sed -E "s/.*primer fotograma a los ([0-9.]+) ms.*/\\1/" | sort -n | awk "
    { v[NR] = \$1 }
    END {
      if (NR == 0) { print \"no opening was timed\"; exit 1 }
      m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
      printf \"time to the first frame of the open panel: median %.1f ms, max %.1f ms (target < 100 ms)\\n\", m, v[NR] }"
  echo "$toggle_ms" | tr " " "\\n" | grep . | sort -n | awk "
    { v[NR] = \$1 }
    END { printf \"brisa toggle command (process start and D-Bus call): median %.1f ms\\n\", NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }"
  awk -v c="$rss_closed" -v o="$rss_open" -v s="$rss_scrolled" "BEGIN {
    printf \"RSS closed after start-up: %.1f MB\\n\", c / 1024
    printf \"RSS with the panel open: %.1f MB (target < 200 MB); after scrolling: %.1f MB\\n\", o / 1024, s / 1024 }"
  grep "Panel: fotograma en" "$log" | tail -n +$((before + 1)) | sed -E "s/.*fotograma en ([0-9.]+) ms.*/\\1/" | sort -n | awk "
    { v[NR] = \$1; sum += \$1 }
    END {
      if (NR == 0) { print \"frame time while scrolling: no frames (did the keys reach the panel?)\"; exit 1 }
      i = int(0.95 * NR); if (i < 0.95 * NR) i++; p95 = v[i]
      m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
      printf \"frame time while scrolling (%d frames): median %.1f ms, p95 %.1f ms, max %.1f ms, mean %.1f ms\\n\", NR, m, p95, v[NR], sum / NR }"
' _ "$brisa" "$make_history" "$clips" "$openings"
