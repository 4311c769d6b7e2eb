#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copy to record in a Wayland session (headless sway, copies by wl-copy) side by side with X11 (Xvfb,
# copies by xclip), in the same run: the time from starting the copying program to the line a running
# Brisa logs when it has stored the clip, median of ROUNDS copies of a short text and of a 4K PNG; then Brisa's CPU
# use while idle in each session over SECONDS. Both sides are timed alike from the shell (the log
# read every 2 ms), so the figures include a few milliseconds of that; compare them, not absolutes.
# Usage: wayland_capture.sh BRISA [SECONDS] [ROUNDS]
set -eu
if [ $# -lt 1 ]; then
  echo "uso: wayland_capture.sh BRISA [SEGUNDOS] [RONDAS]" >&2
  exit 2
fi
brisa=$(realpath "$1"); seconds="${2:-60}"; rounds="${3:-15}"
here=$(cd "$(dirname "$0")" && pwd)
png=$(mktemp --suffix=.png)
trap 'rm -f "$png"' EXIT
convert -size 3840x2160 plasma:fractal -depth 8 "$png" 2>/dev/null || convert -size 3840x2160 gradient:orange-purple "$png"
echo "4K PNG: $(stat -c %s "$png") bytes"

measure='
  set -eu
  brisa="$1"; seconds="$2"; rounds="$3"; png="$4"; session="$5"
  home=$(mktemp -d); export HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data"
  mkdir -p "$XDG_CONFIG_HOME/Brisa"; echo "{\"historyLimit\": 0}" >"$XDG_CONFIG_HOME/Brisa/defaults.json"
  if [ "$session" = wayland ]; then
    copy_text() { printf "%s" "$1" | wl-copy >/dev/null 2>&1; }
    copy_png() { wl-copy --type image/png <"$png" >/dev/null 2>&1; }
  else
    copy_text() { printf "%s" "$1" | xclip -selection clipboard >/dev/null 2>&1; }
    copy_png() { xclip -selection clipboard -t image/png -i "$png" >/dev/null 2>&1; }
  fi
  # (The copying programs stay on to serve their copy: their output must not hold the pipes below open.)
  (unset QT_QPA_PLATFORM; exec "$brisa") 2>"$home/log" & pid=$!
  for _ in $(seq 600); do grep -q "Brisa está lista" "$home/log" && break; sleep 0.1; done
  sleep 2
  # Brisa logs each clip it stores: counting those lines costs the measured program nothing.
  rows() { grep -c "Guardado " "$home/log" || true; }
  now() { date +%s%N; }
  # copy KIND ROUND: milliseconds from starting the copy to one more row in the store
  copy() {
    local before; before=$(rows)
    local t0; t0=$(now)
    # In the background: the clock runs from when the copying program starts, whatever it does after.
    if [ "$1" = text ]; then copy_text "medida $2 $RANDOM" & else copy_png & fi
    for _ in $(seq 5000); do [ "$(rows)" -gt "$before" ] && break; sleep 0.002; done
    echo $(( ($(now) - t0) / 1000000 ))
  }
  median() { sort -n | awk "{ a[NR] = \$1 } END { m = NR % 2 ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2; printf \"median %s ms (min %s, max %s)\", m, a[1], a[NR] }"; }
  for kind in text png; do
    for i in $(seq "$rounds"); do
      copy "$kind" "$i"
      # The next copy of the same PNG would only refresh the clip: make it a new one first.
      [ "$kind" = png ] && copy_text "entre $i" && sleep 0.3
      sleep 0.$((RANDOM % 4 + 3))
    done | median | sed "s/^/$session, $kind: copy to record over $rounds copies: /"
    echo
  done
  sleep 6 # the last toast goes away
  ticks() { awk "{print \$14 + \$15}" /proc/$pid/stat; }
  hz=$(getconf CLK_TCK); t0=$(ticks); s0=$(date +%s.%N)
  sleep "$seconds"
  t1=$(ticks); s1=$(date +%s.%N)
  awk -v t="$((t1 - t0))" -v hz="$hz" -v s0="$s0" -v s1="$s1" -v s="$session" "BEGIN {
    printf \"%s: idle CPU over %.0f s: %.3f %% of one core (%d ticks)\\n\", s, s1 - s0, 100 * t / hz / (s1 - s0), t }"
  kill $pid; wait $pid || true; rm -rf "$home"
'
"$here/../tests/support/with-display.sh" bash -c "$measure" _ "$brisa" "$seconds" "$rounds" "$png" x11
"$here/../tests/support/with-sway.sh" bash -c "$measure" _ "$brisa" "$seconds" "$rounds" "$png" wayland
