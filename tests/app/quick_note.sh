#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The quick note of a running Brisa under a window manager, typed into with real key events from
# the X server (XTest through xdotool): Ctrl+Return and Super+Return store the note, Escape gives
# it up; the hint names the keys as this desktop does.   (run under with-display.sh)
# Usage: quick_note.sh BRISA
set -u
brisa="$1"
. "$(dirname "$0")/common.sh"
openbox --sm-disable >/dev/null 2>&1 & wm=$!
"$brisa" 2>"$home/app.log" & app=$!
trap 'kill $app $wm 2>/dev/null; wait 2>/dev/null; rm -rf "$home"' EXIT
wait_ready "$home/app.log"

note_window() { xdotool search --onlyvisible --name "^Quick Note$" 2>/dev/null | head -1; }
# Opens the note and waits until it holds the keyboard focus.
open_note() {
  "$brisa" quick-note
  for _ in $(seq 50); do
    w=$(note_window); [ -n "$w" ] && [ "$(xdotool getwindowfocus 2>/dev/null)" = "$w" ] && return 0
    sleep 0.1
  done
  return 1
}
wait_gone() { for _ in $(seq 50); do [ -z "$(note_window)" ] && return 0; sleep 0.1; done; return 1; }
texts() { "$brisa" history --json | jq -r '.[].textContent'; }
wait_texts() { for _ in $(seq 50); do [ "$(texts | paste -sd,)" = "$1" ] && return 0; sleep 0.1; done; return 1; }

# Each row: the keys that end the note, what it was, the history afterwards (newest first).
while IFS='|' read -r keys typed history; do
  check "$keys: the note opens with the focus" open_note || continue
  xdotool type --delay 20 "$typed"
  xdotool key "$keys"
  check "$keys: the window goes" wait_gone
  check "$keys: history is now '$history'" "wait_texts '$history'"
done <<'ROWS'
ctrl+Return|primera nota|primera nota
super+Return|segunda nota|segunda nota,primera nota
Escape|borrador|segunda nota,primera nota
ctrl+KP_Enter|tercera|tercera,segunda nota,primera nota
ROWS

# A blank note ignores Ctrl+Return: the window stays and what is typed next is still in it.
open_note
xdotool type "   "; xdotool key ctrl+Return
xdotool type --delay 20 "fin"; xdotool key ctrl+Return
check "a blank note is not stored and stays open" "wait_texts 'fin,tercera,segunda nota,primera nota'"
[ $fail -eq 0 ] || cat "$home/app.log"
exit $fail
