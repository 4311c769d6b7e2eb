#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Brisa's CPU use with the panel closed while a media player plays (mpv with its MPRIS plugin,
# sound off): the now-playing service asks the players every 3 s and advances the position itself
# in between. Also the CPU time one poll costs, counted as all of Brisa's CPU time over the run
# (less what it uses idle without a player, measured first for as long) divided by the polls made.
# Usage: idle_player.sh BRISA [SECONDS]   (runs its own Xvfb and bus through tests/support/with-display.sh)
set -eu
brisa="$1"; seconds="${2:-60}"
here=$(cd "$(dirname "$0")" && pwd)
exec "$here/../tests/support/with-display.sh" bash -c '
  brisa="$1"; seconds="$2"
  home=$(mktemp -d); export HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data"
  mpv --no-config "av://lavfi:sine=frequency=440:duration=30" --o="$home/track.ogg" \
    --oset-metadata=title=Bench,artist=Brisa >/dev/null 2>&1
  "$brisa" 2>"$home/log" & pid=$!
  for _ in $(seq 100); do grep -q "Brisa está lista" "$home/log" && break; sleep 0.1; done
  sleep 2
  # CPU time of every thread of Brisa in ns, finer than the clock ticks of /proc/PID/stat.
  cpu_ns() { cat /proc/$pid/task/*/schedstat 2>/dev/null | awk "{s += \$1} END {printf \"%d\", s}"; }
  # measure: the CPU time Brisa takes over $seconds seconds, in ns.
  measure() { local t0 t1; t0=$(cpu_ns); sleep "$seconds"; t1=$(cpu_ns); echo $((t1 - t0)); }
  idle=$(measure)
  mpv --no-config --script=/usr/lib/mpv-mpris/mpris.so --ao=null --no-video --loop-file=inf "$home/track.ogg" \
    >/dev/null 2>&1 & player=$!
  for _ in $(seq 50); do [ "$(playerctl -p mpv status 2>/dev/null)" = Playing ] && break; sleep 0.1; done
  sleep 4 # the first answers and the cover are in
  playing=$(measure)
  kill $player $pid; wait $player $pid 2>/dev/null || true; rm -rf "$home"
  awk -v idle="$idle" -v playing="$playing" -v s="$seconds" "BEGIN {
    polls = s / 3
    printf \"idle CPU with no player: %.3f %% of one core (%.1f ms over %d s)\\n\", 100 * idle / 1e9 / s, idle / 1e6, s
    printf \"idle CPU with a player playing, panel closed: %.3f %% of one core (%.1f ms over %d s)\\n\", 100 * playing / 1e9 / s, playing / 1e6, s
    printf \"one poll of the players: about %.2f ms of CPU (%d polls)\\n\", (playing - idle) / 1e6 / polls, polls }"
' _ "$brisa" "$seconds"
