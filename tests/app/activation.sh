#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# brisa toggle with no Brisa running, on a bus that can start one (a D-Bus service file, as the
# package installs): the bus starts Brisa and the command waits for it, even when the start takes
# longer than a running Brisa is given to answer; a service that cannot start fails clearly.
# (run under with-display.sh)
set -u
brisa="$1"
. "$(dirname "$0")/common.sh"
services="$home/services"; mkdir -p "$services"
sed "s|@SERVICEDIR@|$services|" "$(dirname "$0")/../support/activation-bus.conf.in" >"$home/bus.conf"
pid=""
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$home"' EXIT

# Runs `brisa toggle` on a fresh bus whose service starts PROGRAM; leaves its exit code, its
# standard error, the log of what the bus started and that process's id in $home.
toggle_on_bus() {
  printf '[D-BUS Service]\nName=org.brisa.Brisa\nExec=%s\n' "$1" >"$services/org.brisa.Brisa.service"
  : >"$home/brisa.pid"
  dbus-run-session --config-file="$home/bus.conf" -- bash -c '
    "$1" toggle 2>"$2/toggle.err"; echo $? >"$2/toggle.rc"
    dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
      org.freedesktop.DBus.GetConnectionUnixProcessID string:org.brisa.Brisa 2>/dev/null |
      sed -n "s/^ *uint32 //p" >"$2/brisa.pid"
    p=$(cat "$2/brisa.pid"); [ -n "$p" ] || exit 0
    kill "$p"; for _ in $(seq 100); do kill -0 "$p" 2>/dev/null || break; sleep 0.1; done
  ' toggle "$brisa" "$home" 2>"$home/bus.log"
  pid=$(cat "$home/brisa.pid")
}

# Five seconds before Brisa even starts: past what a running Brisa is given to answer.
printf '#!/bin/sh\nsleep 5\nexec "%s"\n' "$brisa" >"$home/slow-brisa"; chmod +x "$home/slow-brisa"
toggle_on_bus "$home/slow-brisa"
check "toggle with none running waits for the Brisa the bus starts" '[ "$(cat "$home/toggle.rc")" = 0 ]' ||
  cat "$home/toggle.err"
check "which takes the toggle" 'grep -q "Orden recibida: toggle" "$home/bus.log"' || tail -n 20 "$home/bus.log"
check "and quits on SIGTERM" '[ -n "$pid" ] && ! kill -0 "$pid" 2>/dev/null'; pid=""

toggle_on_bus "$home/missing-brisa"
check "a service that cannot start: exit 4 and the bus's reason" \
  '[ "$(cat "$home/toggle.rc")" = 4 ] && grep -q "el bus no pudo arrancarlo" "$home/toggle.err"' || cat "$home/toggle.err"
exit $fail
