#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a command inside its own Wayland session of a compositor that lets no client watch the
# clipboard (weston: no data-control protocol, no virtual keyboard), with XWayland and a D-Bus session
# bus of its own, as with-sway.sh does for sway. Weston runs as a window filling an X display (run
# this under with-display.sh): keys typed there with XTest reach weston's focused window as a user's
# would, which a session without input devices could not give.
# Usage: with-display.sh with-weston.sh COMMAND [ARGS...]
set -u
weston_pid=""
cleanup() {
  [ -n "${DBUS_SESSION_BUS_PID:-}" ] && kill "$DBUS_SESSION_BUS_PID" 2>/dev/null
  [ -n "$weston_pid" ] && kill "$weston_pid" 2>/dev/null && wait "$weston_pid" 2>/dev/null
  [ -n "${session_dir:-}" ] && rm -rf "$session_dir"
  [ -n "${runtime_dir:-}" ] && rm -rf "$runtime_dir"
}
trap cleanup EXIT

if ! command -v weston >/dev/null; then echo "with-weston: weston is not installed" >&2; exit 1; fi
if [ -z "${DISPLAY:-}" ]; then echo "with-weston: run it under with-display.sh" >&2; exit 1; fi
outer_display="$DISPLAY"

session_dir=$(mktemp -d)
chmod 700 "$session_dir"
# No on-screen keyboard and no panel: nothing of weston's own to take the focus or the screen.
cat >"$session_dir/weston.ini" <<INI
[core]
xwayland=true
[shell]
panel-position=none
[input-method]
path=/bin/true
INI
env -i PATH="$PATH" HOME="$session_dir" XDG_RUNTIME_DIR="$session_dir" DISPLAY="$outer_display" \
  weston --backend=x11-backend.so --use-pixman --width=1920 --height=1080 --socket=wayland-test \
  --config="$session_dir/weston.ini" --log="$session_dir/weston.log" >/dev/null 2>&1 &
weston_pid=$!
# weston opens XWayland's display itself and says which in its log once it listens.
x_display=""
for _ in $(seq 1 200); do
  x_display=$(sed -n 's/.*xserver listening on display \(:[0-9]*\).*/\1/p' "$session_dir/weston.log" 2>/dev/null | head -n 1)
  [ -n "$x_display" ] && [ -S "$session_dir/wayland-test" ] && break
  kill -0 "$weston_pid" 2>/dev/null || break
  sleep 0.1
done
if [ -z "$x_display" ] || [ ! -S "$session_dir/wayland-test" ]; then
  echo "with-weston: weston did not start" >&2
  cat "$session_dir/weston.log" >&2
  exit 1
fi
export WAYLAND_DISPLAY="$session_dir/wayland-test"
export DISPLAY="$x_display"
# Where the test types, as the user would at weston's keyboard.
export BRISA_TEST_KEYBOARD_DISPLAY="$outer_display"
unset QT_QPA_PLATFORM
export XDG_SESSION_TYPE=wayland
export BRISA_TEST_WAYLAND=1
export BRISA_TEST_DISPLAY=1 # a session of its own: tests may use it

runtime_dir=$(mktemp -d); chmod 700 "$runtime_dir"
export XDG_RUNTIME_DIR="$runtime_dir"
# A bus that starts nothing on demand, as in with-display.sh.
eval "$(dbus-launch --sh-syntax --config-file="$(dirname "$0")/bare-session-bus.conf")"

"$@"
