#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Reminders end to end: set from the command line, delivered by a real notification daemon
# (dunst), once, and after a restart only when they had not gone out yet.
set -u
brisa="$1"
. "$(dirname "$0")/common.sh"
db="$XDG_DATA_HOME/Brisa/Brisa.store"
app=""; dunst_pid=""
# A bus of our own that starts no daemon on demand: the test decides when a notification server runs.
eval "$(dbus-launch --sh-syntax --config-file="$(dirname "$0")/../support/bare-session-bus.conf")"
trap '[ -n "$app" ] && kill $app 2>/dev/null; [ -n "$dunst_pid" ] && kill $dunst_pid 2>/dev/null; kill $DBUS_SESSION_BUS_PID 2>/dev/null; wait; rm -rf "$home"' EXIT

start_app() {
  : >"$home/app.log"
  "$brisa" 2>"$home/app.log" & app=$!
  wait_ready "$home/app.log" && return
}
stop_app() { kill $app; wait $app 2>/dev/null; app=""; }
# Notifications shown so far: on screen and in the history of closed ones.
shown() { echo $(( $(dunstctl count displayed) + $(dunstctl count history) )); }
wait_shown() { for _ in $(seq 250); do [ "$(shown)" -ge "$1" ] && return 0; sleep 0.2; done; return 1; }
# The summary and body of every notification, closing those on screen first.
texts() { dunstctl close-all; dunstctl history | jq -r '.data[0][] | .summary.data + "|" + .body.data'; }

# The command line: a date to come is stored, the past and nonsense are refused.
id=$("$brisa" add "Llamar a Marta por el presupuesto")
future=$(date -d '+2 days' '+%Y-%m-%d 09:30')
"$brisa" remind "$id" "$future"; rc=$?
check "remind stores a date to come" \
  '[ $rc -eq 0 ] && [ "$("$brisa" show "$id" --json | jq .reminderDate)" = "$(date -d "$future" +%s)" ]'
"$brisa" remind "$id" "2020-01-01 10:00" 2>"$home/err"; rc=$?
check "a date in the past exits 2" '[ $rc -eq 2 ] && grep -q "ya ha pasado" "$home/err"'
"$brisa" remind "$id" "mañana" 2>/dev/null; rc=$?
check "an unparsable date exits 2" '[ $rc -eq 2 ]'
"$brisa" remind "$id" "$(date -d '+1 min' '+%Y-%m-%d %H:%M')" 2>/dev/null; rc=$?
check "the next minute is accepted" '[ $rc -eq 0 ]'
"$brisa" remind "$id" --clear; rc=$?
check "remind --clear removes it" '[ $rc -eq 0 ] && [ "$("$brisa" show "$id" --json | jq .reminderDate)" = null ]'
"$brisa" remind 00000000 "$future" 2>/dev/null; rc=$?
check "an unknown clip exits 1" '[ $rc -eq 1 ]'

# Without a notification server: one log line, and the reminder waits.
sqlite3 "$db" "update ClipItem set reminderDate = strftime('%s','now') - 120 where id = '$id'"
start_app
for _ in $(seq 50); do grep -q "Notificaciones: " "$home/app.log" && break; sleep 0.1; done
check "no notification server: one log line" '[ "$(grep -c "\[Brisa\] Notificaciones: " "$home/app.log")" = 1 ]'
stop_app

# A notification server appears: the missed reminder goes out at the next start, with its time.
dunst -print >"$home/dunst.log" 2>&1 & dunst_pid=$!
for _ in $(seq 50); do dunstctl is-paused >/dev/null 2>&1 && break; sleep 0.1; done
start_app
check "a reminder missed while Brisa was away shows once at start" 'wait_shown 1'
# For the documentation only: the notification as the daemon draws it.
[ -n "${BRISA_SCREENSHOT_DIR:-}" ] && import -window root "$BRISA_SCREENSHOT_DIR/reminder-notification.png"
got=$(texts)
check "its title, body and original time" \
  '[[ "$got" == "Recordatorio de Brisa|Llamar a Marta por el presupuesto"*"Previsto para el "* ]]'
stop_app
start_app
# Start-up delivers what is due before it reports ready.
check "a restart does not show it again" '[ "$(shown)" = 1 ]'
# One set by another program while Brisa runs is picked up from the store.
id2=$("$brisa" add "Regar las plantas")
sqlite3 "$db" "update ClipItem set reminderDate = strftime('%s','now') where id = '$id2'"
check "a reminder written by another program while running goes out" 'wait_shown 2'
check "with the clip's text" '[[ "$(texts)" == *"Recordatorio de Brisa|Regar las plantas"* ]]'
check "the running app is still fine" 'kill -0 $app'
exit $fail
