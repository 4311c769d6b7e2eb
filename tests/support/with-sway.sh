#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a command inside its own headless Wayland session (sway, with XWayland) and D-Bus session bus,
# so Wayland tests need nothing from the machine they run on and never touch the user's own session.
# Usage: with-sway.sh COMMAND [ARGS...]
set -u
sway_pid=""
cleanup() {
  [ -n "${DBUS_SESSION_BUS_PID:-}" ] && kill "$DBUS_SESSION_BUS_PID" 2>/dev/null
  [ -n "$sway_pid" ] && kill "$sway_pid" 2>/dev/null && wait "$sway_pid" 2>/dev/null
  [ -n "${session_dir:-}" ] && rm -rf "$session_dir"
  [ -n "${runtime_dir:-}" ] && rm -rf "$runtime_dir"
}
trap cleanup EXIT

if ! command -v sway >/dev/null; then echo "with-sway: sway is not installed" >&2; exit 1; fi

# The compositor's own runtime folder. Sway refuses to run as root: there it runs as nobody, and the
# command (still root) reaches its socket by its full path.
session_dir=$(mktemp -d)
run_as=()
if [ "$(id -u)" = 0 ]; then
  chown nobody "$session_dir"
  run_as=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
fi
chmod 711 "$session_dir"
# sway tells which sockets it opened (XWayland's display included) through a file once it runs;
# XWayland lets only its own user in unless told, so the command's user is let in first.
me=$(id -un)
cat >"$session_dir/config" <<CONFIG
xwayland enable
output * resolution 1920x1080
exec sh -c 'xhost +si:localuser:$me >/dev/null 2>&1; echo "\$WAYLAND_DISPLAY \$DISPLAY" > $session_dir/sockets.new && mv $session_dir/sockets.new $session_dir/sockets'
CONFIG
env -i PATH="$PATH" HOME="$session_dir" XDG_RUNTIME_DIR="$session_dir" WLR_BACKENDS=headless \
  WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman "${run_as[@]}" sway -c "$session_dir/config" \
  >"$session_dir/sway.log" 2>&1 &
sway_pid=$!
for _ in $(seq 1 200); do
  [ -s "$session_dir/sockets" ] && break
  kill -0 "$sway_pid" 2>/dev/null || break
  sleep 0.1
done
if [ ! -s "$session_dir/sockets" ]; then
  echo "with-sway: sway did not start" >&2
  cat "$session_dir/sway.log" >&2
  exit 1
fi
read -r wayland_socket x_display <"$session_dir/sockets"
export WAYLAND_DISPLAY="$session_dir/$wayland_socket"
export DISPLAY="$x_display"
export XDG_SESSION_TYPE=wayland
export BRISA_TEST_WAYLAND=1
export BRISA_TEST_DISPLAY=1 # a session of its own: tests may use it
export BRISA_TEST_SWAY_PID="$sway_pid"
export SWAYSOCK=$(ls "$session_dir"/sway-ipc.*.sock 2>/dev/null | head -n 1)

runtime_dir=$(mktemp -d); chmod 700 "$runtime_dir"
export XDG_RUNTIME_DIR="$runtime_dir"
# A bus that starts nothing on demand, as in with-display.sh.
eval "$(dbus-launch --sh-syntax --config-file="$(dirname "$0")/bare-session-bus.conf")"

"$@"
