#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Brisa's CPU use while idle with the clipboard monitor and the text expander running, and its
# memory after start-up.
# Usage: idle_cpu.sh BRISA [SECONDS]   (runs its own Xvfb through tests/support/with-display.sh)
set -eu
brisa="$1"; seconds="${2:-60}"
here=$(cd "$(dirname "$0")" && pwd)
exec "$here/../tests/support/with-display.sh" bash -c '
  brisa="$1"; seconds="$2"
  home=$(mktemp -d); export HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data"
  "$brisa" 2>"$home/log" & pid=$!
  for _ in $(seq 100); do grep -q "Brisa está lista" "$home/log" && break; sleep 0.1; done
  sleep 2
  grep -q "TextExpander activo" "$home/log" && expander=on || expander=off
  ticks() { awk "{print \$14 + \$15}" /proc/$pid/stat; }
  rss=$(awk "/VmRSS/ {print \$2}" /proc/$pid/status)
  hz=$(getconf CLK_TCK); t0=$(ticks); s0=$(date +%s.%N)
  sleep "$seconds"
  t1=$(ticks); s1=$(date +%s.%N)
  kill $pid; wait $pid || true; rm -rf "$home"
  awk -v t="$((t1 - t0))" -v hz="$hz" -v s0="$s0" -v s1="$s1" -v rss="$rss" -v expander="$expander" "BEGIN {
    printf \"idle CPU over %.0f s (text expander %s): %.3f %% of one core (%d ticks)\\n\", s1 - s0, expander, 100 * t / hz / (s1 - s0), t
    printf \"RSS after start-up with an empty history: %.1f MB\\n\", rss / 1024 }"
' _ "$brisa" "$seconds"
