#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The drop-down panel over a large history: time from "brisa toggle" (the shortcut's path) to the
# first frame of the open panel, Brisa's memory with the panel open, and frame times while the
# card strip scrolls. Brisa times itself (BRISA_TRACE_PANEL=1); this script drives it and sums up.
# Usage: panel_open.sh BRISA MAKE_HISTORY [CLIPS] [OPENINGS]   (PANEL_OPEN_LOG=FILE keeps Brisa's log)
#   (runs its own Xvfb, D-Bus and openbox through tests/support/with-display.sh)
set -eu
. "$(cd "$(dirname "$0")" && pwd)/app_session.sh" panel_open 10 "$@"
keep_log="${PANEL_OPEN_LOG:-}"

t0=$(now_ms)
"$make_history" "$clips"
t1=$(now_ms)
awk -v a="$t0" -v b="$t1" "BEGIN { printf \"history written in %.1f s\\n\", (b - a) / 1000 }"

start_brisa "$brisa" BRISA_TRACE_PANEL
rss_closed=$(rss_kb "$brisa_pid")

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
rss_open=$(rss_kb "$brisa_pid")

# Scrolling: the open panel has the keyboard, so Right moves the selection and the strip
# follows it; 200 presses, 30 ms apart, as a held key repeats.
before=$(lines "Panel: fotograma en")
keys=$(for _ in $(seq 200); do printf "Right "; done)
# shellcheck disable=SC2086
xdotool key --delay 30 $keys
sleep 1
rss_scrolled=$(rss_kb "$brisa_pid")

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
