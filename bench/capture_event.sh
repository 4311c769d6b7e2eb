#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Capture on the clipboard's change event against the 0.3 s poll it replaced, in the same run: the time
# from a copy (xclip) to its row in the store, median of ROUNDS copies, then the CPU ticks and wake-ups
# (context switches of all threads) of an idle Brisa with the panel closed over SECONDS.
# The poll is today's monitor unchanged, switched on with BRISA_CLIPBOARD_POLL=1.
# Usage: capture_event.sh BRISA CAPTURE_LATENCY [SECONDS] [ROUNDS]   (runs its own Xvfb)
set -eu
if [ $# -lt 2 ]; then
  echo "uso: capture_event.sh BRISA CAPTURE_LATENCY [SEGUNDOS] [RONDAS]" >&2
  exit 2
fi
brisa=$(realpath "$1"); latency=$(realpath "$2"); seconds="${3:-60}"; rounds="${4:-20}"
here=$(cd "$(dirname "$0")" && pwd)
exec "$here/../tests/support/with-display.sh" bash -c '
  set -eu
  brisa="$1"; latency="$2"; seconds="$3"; rounds="$4"
  # Wake-ups: every context switch of every thread; a timer shows up here even when it costs no tick.
  switches() {
    for t in /proc/$1/task/*; do
      echo "${t##*/} $(awk "/^(voluntary|nonvoluntary)_ctxt_switches/ { s += \$2 } END { print s }" "$t/status" 2>/dev/null)"
    done
  }
  # Wake-ups between two lists of switches, thread by thread (threads that ended or began are left out).
  woken() { awk "NR == FNR { a[\$1] = \$2; next } (\$1 in a) && \$2 != \"\" { s += \$2 - a[\$1] } END { print s + 0 }" "$1" "$2"; }
  ticks() { awk "{print \$14 + \$15}" /proc/$1/stat; }
  for mode in poll event; do
    home=$(mktemp -d); export HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data"
    if [ "$mode" = poll ]; then export BRISA_CLIPBOARD_POLL=1; else unset BRISA_CLIPBOARD_POLL; fi
    "$brisa" 2>"$home/log" & pid=$!
    for _ in $(seq 100); do grep -q "Brisa está lista" "$home/log" && break; sleep 0.1; done
    sleep 2
    echo "-- $mode: $(grep -o "ClipboardMonitor iniciado.*" "$home/log")"
    "$latency" "$XDG_DATA_HOME/Brisa/Brisa.store" "$rounds"
    sleep 8 # the toast of the last copy shows for 4 s, then slides away
    hz=$(getconf CLK_TCK); t0=$(ticks $pid); switches $pid >"$home/w0"; s0=$(date +%s.%N)
    sleep "$seconds"
    t1=$(ticks $pid); switches $pid >"$home/w1"; s1=$(date +%s.%N)
    awk -v t="$((t1 - t0))" -v w="$(woken "$home/w0" "$home/w1")" -v hz="$hz" -v s0="$s0" -v s1="$s1" "BEGIN {
      printf \"idle over %.0f s with the panel closed: %d CPU ticks (%.3f %% of one core), %d wake-ups\\n\",
             s1 - s0, t, 100 * t / hz / (s1 - s0), w }"
    # The panel looks at the store once a second while it is open, and only then.
    for state in open closed; do
      "$brisa" toggle; sleep 3
      switches $pid >"$home/w0"; sleep 5; switches $pid >"$home/w1"
      echo "panel $state, 5 s after its animation: $(woken "$home/w0" "$home/w1") wake-ups"
    done
    kill $pid; wait $pid || true; rm -rf "$home"
  done
' _ "$brisa" "$latency" "$seconds" "$rounds"
