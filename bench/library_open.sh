#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The library window over a large history: time from "brisa library" to the window's first frame
# (the first opening makes the window, the later ones show it again), and Brisa's memory with the
# window open. Brisa times itself (BRISA_TRACE_LIBRARY=1); this script drives it and sums up.
# Usage: library_open.sh BRISA MAKE_HISTORY [CLIPS] [OPENINGS]
#   (runs its own Xvfb, D-Bus and openbox through tests/support/with-display.sh)
set -eu
. "$(cd "$(dirname "$0")" && pwd)/app_session.sh" library_open 5 "$@"
"$make_history" "$clips"
start_brisa "$brisa" BRISA_TRACE_LIBRARY
rss_closed=$(rss_kb "$brisa_pid")
command_ms=""
for i in $(seq "$openings"); do
  seen=$(lines "Biblioteca: primer fotograma")
  a=$(now_ms); "$brisa" library; b=$(now_ms)
  command_ms="$command_ms $(awk -v a="$a" -v b="$b" "BEGIN { print b - a }")"
  wait_for "Biblioteca: primer fotograma" "$seen"
  sleep 1
  [ "$i" -eq 1 ] && rss_open=$(rss_kb "$brisa_pid")
  [ "$i" -lt "$openings" ] && { xdotool key Escape; sleep 0.8; }
done
echo "history: $clips clips"
grep "Biblioteca: primer fotograma" "$log" | sed "s/^\[Brisa\] /  /"
echo "  brisa library (command, wall time, ms):$command_ms"
echo "  RSS: $((rss_closed / 1024)) MB before, $((rss_open / 1024)) MB with the library open"
