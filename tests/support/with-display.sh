#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a command inside its own Xvfb server and D-Bus session bus, so display tests need nothing
# from the machine they run on and never touch the user's own session.
# Usage: with-display.sh COMMAND [ARGS...]
set -u
xvfb_pid=""
cleanup() {
  [ -n "${DBUS_SESSION_BUS_PID:-}" ] && kill "$DBUS_SESSION_BUS_PID" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  [ -n "${runtime_dir:-}" ] && rm -rf "$runtime_dir"
}
trap cleanup EXIT

# -displayfd lets Xvfb pick a free display number itself: tests may run in parallel.
fifo=$(mktemp -u); mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp -noreset 3>"$fifo" >/dev/null 2>&1 &
xvfb_pid=$!
read -r -t 20 display <"$fifo"; rm -f "$fifo"
if [ -z "${display:-}" ]; then echo "with-display: Xvfb did not start" >&2; exit 1; fi
export DISPLAY=":$display"
unset WAYLAND_DISPLAY
export QT_QPA_PLATFORM=xcb
export BRISA_TEST_DISPLAY=1

runtime_dir=$(mktemp -d); chmod 700 "$runtime_dir"
export XDG_RUNTIME_DIR="$runtime_dir"
# A bus that starts nothing on demand: an installed Brisa (or notification daemon) never stands in
# for the one under test.
eval "$(dbus-launch --sh-syntax --config-file="$(dirname "$0")/bare-session-bus.conf")"

"$@"
