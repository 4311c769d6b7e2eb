#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# What the command line costs, whole process, beside the full program's start in the same run:
#   brisa --version              exec to exit (the floor: loading the program and its libraries)
#   brisa toggle                 exec to the D-Bus call seen on the bus (dbus-monitor), and to exit
#   brisa history --limit 20     exec to exit, over a CLIPS-clip store
#   brisa (the resident program) exec to "Brisa está lista", and its RSS 2 s later, empty history,
#                                with the shared objects it has mapped then (none of the image libraries)
# and how many shared objects each loads (LD_DEBUG=libs). Medians and minimums over RUNS runs; the
# machine may be loaded, so also the user and system CPU time each command takes, on average.
# Usage: client_start.sh BRISA MAKE_HISTORY [CLIPS] [RUNS]
#   (runs its own Xvfb and D-Bus through tests/support/with-display.sh)
set -eu
if [ $# -lt 2 ]; then
  echo "uso: client_start.sh BRISA MAKE_HISTORY [CLIPS] [RUNS]" >&2
  exit 2
fi
brisa=$(realpath "$1"); make_history=$(realpath "$2"); clips="${3:-100000}"; runs="${4:-20}"
here=$(cd "$(dirname "$0")" && pwd)
exec "$here/../tests/support/with-display.sh" bash -c '
  set -eu
  brisa="$1"; make_history="$2"; clips="$3"; runs="$4"
  home=$(mktemp -d); export HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data"
  pids=""
  finish() {
    for p in $pids; do kill "$p" 2>/dev/null || true; done
    for p in $pids; do wait "$p" 2>/dev/null || true; done
    rm -rf "$home"
  }
  trap finish EXIT

  # Milliseconds from two $EPOCHREALTIME readings (no process started to read the clock).
  ms() { awk -v a="$1" -v b="$2" "BEGIN { printf \"%.1f\", (b - a) * 1000 }"; }
  # "median M ms, min N ms" of the numbers given.
  summary() {
    printf "%s\n" "$@" | sort -g | awk "{ v[NR] = \$1 } END {
      m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
      printf \"median %.1f ms, min %.1f ms (%d runs)\", m, v[1], NR }"
  }
  libs() { LD_DEBUG=libs "$@" 2>&1 >/dev/null | grep -c "calling init:" || true; }
  # "user U ms, sys S ms" per run of the command, as bash accounts the time of its children.
  cpu() {
    local TIMEFORMAT="%3U %3S" t
    t=$( { time (for _ in $(seq "$runs"); do "$@" >/dev/null 2>&1 || true; done) ; } 2>&1 )
    awk -v u="${t% *}" -v s="${t#* }" -v n="$runs" "BEGIN { printf \"user %.1f ms, sys %.1f ms\", u * 1000 / n, s * 1000 / n }"
  }
  wait_log() {
    for _ in $(seq 600); do grep -q "$2" "$1" && return 0; sleep 0.02; done
    echo "client_start: no apareció «$2» en $1" >&2; tail -n 20 "$1" >&2; return 1
  }

  # The resident program first, on an empty history: start time and memory.
  starts=(); rss=()
  for i in $(seq 3); do
    rm -rf "$home/data" "$home/config"
    log="$home/start.log"
    a=$EPOCHREALTIME
    "$brisa" 2>"$log" & pid=$!; pids="$pids $pid"
    wait_log "$log" "Brisa está lista"
    b=$EPOCHREALTIME
    starts+=("$(ms "$a" "$b")")
    sleep 2
    rss+=("$(awk "/VmRSS/ {print \$2}" /proc/$pid/status)")
    mapped=$(awk "\$6 ~ /[.]so/ { print \$6 }" /proc/$pid/maps | sort -u)
    kill "$pid"; wait "$pid" 2>/dev/null || true
  done
  echo "brisa start to ready (empty history): $(summary "${starts[@]}")"
  printf "brisa RSS 2 s after start (empty history): %s\n" \
    "$(printf "%s\n" "${rss[@]}" | sort -n | awk "{ v[NR] = \$1 } END { printf \"median %.1f MB, min %.1f MB\", v[int((NR + 1) / 2)] / 1024, v[1] / 1024 }")"
  echo "brisa shared objects mapped 2 s after start: $(grep -c . <<<"$mapped")," \
       "of them image libraries (libvips, Tesseract, OpenCV, libheif): $(grep -cE "/lib(vips|tesseract|opencv_|heif)" <<<"$mapped" || true)"

  "$make_history" "$clips" >/dev/null

  version=()
  for i in $(seq "$runs"); do a=$EPOCHREALTIME; "$brisa" --version >/dev/null; b=$EPOCHREALTIME; version+=("$(ms "$a" "$b")"); done
  echo "brisa --version, exec to exit: $(summary "${version[@]}"); CPU per run: $(cpu "$brisa" --version)"

  history=()
  for i in $(seq "$runs"); do
    a=$EPOCHREALTIME; "$brisa" history --limit 20 >/dev/null; b=$EPOCHREALTIME; history+=("$(ms "$a" "$b")")
  done
  echo "brisa history --limit 20 ($clips clips), exec to exit: $(summary "${history[@]}");" \
       "CPU per run: $(cpu "$brisa" history --limit 20)"

  # toggle against a running Brisa, so that each call is answered; the monitor stamps each call
  # as the bus routes it.
  log="$home/resident.log"
  "$brisa" 2>"$log" & pid=$!; pids="$pids $pid"
  wait_log "$log" "Brisa está lista"
  dbus-monitor "type=method_call,interface=org.brisa.Brisa" >"$home/monitor" 2>/dev/null & pids="$pids $!"
  sleep 0.5
  to_call=(); to_exit=()
  for i in $(seq "$runs"); do
    seen=$(grep -c "member=Toggle" "$home/monitor" || true)
    a=$EPOCHREALTIME; "$brisa" toggle; b=$EPOCHREALTIME
    for _ in $(seq 250); do [ "$(grep -c "member=Toggle" "$home/monitor" || true)" -gt "$seen" ] && break; sleep 0.02; done
    sent=$(grep "member=Toggle" "$home/monitor" | tail -n 1 | sed -n "s/.*time=\([0-9.]*\).*/\1/p")
    to_call+=("$(ms "$a" "$sent")"); to_exit+=("$(ms "$a" "$b")")
    sleep 0.3 # let the panel finish opening or closing
  done
  echo "brisa toggle, exec to the D-Bus call: $(summary "${to_call[@]}")"
  echo "brisa toggle, exec to exit: $(summary "${to_exit[@]}")"
  # Without a running Brisa to open and close the panel: only what the client itself costs.
  kill "$pid"; wait "$pid" 2>/dev/null || true
  echo "brisa toggle CPU per run (none running, no autostart on this bus): $(cpu "$brisa" toggle)"

  echo "shared objects initialised: --version $(libs "$brisa" --version)," \
       "history $(libs "$brisa" history --limit 20), toggle $(libs "$brisa" toggle)"
' client_start "$brisa" "$make_history" "$clips" "$runs"
