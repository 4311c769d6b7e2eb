# SPDX-License-Identifier: GPL-3.0-or-later
# What the app-level measurements over a large history share. Sourced first thing by a script
# that takes BRISA MAKE_HISTORY [CLIPS] [OPENINGS]: it runs that script again inside a display of
# its own (tests/support/with-display.sh: Xvfb and D-Bus), where it sets brisa, make_history,
# clips and openings, a fresh HOME with its XDG folders, and Brisa's log in $log; at the end every
# process in $pids is stopped and the folder removed (the log first copied to $keep_log when set).
# Usage: . app_session.sh NAME DEFAULT_OPENINGS "$@"
bench_name="$1"; default_openings="$2"; shift 2
if [ -z "${BRISA_BENCH_DISPLAY:-}" ]; then
  if [ $# -lt 2 ]; then
    echo "uso: $bench_name.sh BRISA MAKE_HISTORY [CLIPS] [APERTURAS]" >&2
    exit 2
  fi
  exec "$(dirname "${BASH_SOURCE[0]}")/../tests/support/with-display.sh" env BRISA_BENCH_DISPLAY=1 \
    bash "$(realpath "$0")" "$(realpath "$1")" "$(realpath "$2")" "${3:-100000}" "${4:-$default_openings}"
fi
brisa="$1"; make_history="$2"; clips="$3"; openings="$4"

home=$(mktemp -d); export HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data"
log="$home/log"; pids=""; keep_log=""
finish() {
  for p in $pids; do kill "$p" 2>/dev/null || true; done
  for p in $pids; do wait "$p" 2>/dev/null || true; done
  if [ -n "$keep_log" ]; then cp "$log" "$keep_log"; fi
  rm -rf "$home"
}
trap finish EXIT

# Waits until the log holds more than N lines matching PATTERN (20 s at most).
wait_for() {
  local pattern="$1" count="$2"
  for _ in $(seq 400); do
    [ "$(grep -c "$pattern" "$log" || true)" -gt "$count" ] && return 0
    sleep 0.05
  done
  echo "$bench_name: no apareció «$pattern» en el registro" >&2
  tail -n 20 "$log" >&2
  return 1
}
lines() { grep -c "$1" "$log" || true; }
now_ms() { date +%s%N | awk '{ printf "%.1f", $1 / 1e6 }'; }
# Resident memory of a process, in kB.
rss_kb() { awk '/VmRSS/ {print $2}' "/proc/$1/status"; }

# A window manager, then Brisa with VARIABLE=1 (its own timing) until it is ready and settled;
# its process id in brisa_pid.
start_brisa() { # BRISA VARIABLE
  openbox >/dev/null 2>&1 & pids="$pids $!"
  sleep 0.5
  env "$2=1" "$1" 2>"$log" & brisa_pid=$!; pids="$pids $brisa_pid"
  wait_for "Brisa está lista" 0
  sleep 2
}
