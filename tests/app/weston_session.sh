#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A running Brisa under a compositor that lets no client watch the clipboard (weston): it says so
# once, in the log and in a toast, and the command line, the quick note and pasting from the history
# still work (through XWayland, whose clipboard Brisa still sees).
# Usage: weston_session.sh BRISA PASTE_TARGET   (run under with-display.sh with-weston.sh)
set -u
brisa="$1"; target="$2"
. "$(dirname "$0")/common.sh"
mkdir -p "$XDG_CONFIG_HOME/Brisa"
echo '{"historyLimit": 0}' >"$XDG_CONFIG_HOME/Brisa/defaults.json"
# Keys typed at weston's keyboard, as a user would.
keys() { DISPLAY="$BRISA_TEST_KEYBOARD_DISPLAY" xdotool "$@"; }
texts() { "$brisa" history --json | jq -r '.[].textContent' | paste -sd,; }
wait_texts() { for _ in $(seq 50); do [ "$(texts)" = "$1" ] && return 0; sleep 0.1; done; return 1; }
shown() { for _ in $(seq 50); do xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 && return 0; sleep 0.1; done; return 1; }
# Waits until the X window named $1 holds the keyboard focus.
wait_focus() {
  for _ in $(seq 50); do
    w=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1)
    [ -n "$w" ] && [ "$(xdotool getwindowfocus 2>/dev/null)" = "$w" ] && return 0
    sleep 0.1
  done
  return 1
}
field() { cat "$home/field.txt" 2>/dev/null; }
wait_field() { for _ in $(seq 50); do [ "$(field)" = "$1" ] && return 0; sleep 0.1; done; return 1; }

(unset QT_QPA_PLATFORM; exec "$brisa") 2>"$home/app.log" & app=$!
trap 'kill $app ${field_pid:-} 2>/dev/null; wait 2>/dev/null; rm -rf "$home"' EXIT
check "Brisa starts" 'wait_ready "$home/app.log"'
check "the log says once that the clipboard cannot be watched" \
  '[ "$(grep -c "El compositor no deja vigilar el portapapeles" "$home/app.log")" = 1 ]'
check "so does one toast" '[ "$(grep -c "Aviso en pantalla: Sin acceso al portapapeles" "$home/app.log")" = 1 ]'

"$brisa" add "desde la línea de órdenes"
check "the command line stores a clip" 'wait_texts "desde la línea de órdenes"'

"$brisa" quick-note
# (weston's window manager leaves the X focus on another of Brisa's windows; Qt hands the keys to the note)
check "the quick note opens" 'shown "^Quick Note$"'
keys type --delay 20 "nota en weston"
keys key ctrl+Return
check "the quick note stores what was typed" 'wait_texts "nota en weston,desde la línea de órdenes"'

QT_QPA_PLATFORM=xcb "$target" "$home/field.txt" & field_pid=$!
check "a text field has the focus" 'wait_focus "^paste_target$"'
"$brisa" paste-slot 1
check "brisa paste-slot 1 pastes the second newest clip into it" 'wait_field "desde la línea de órdenes"'
check "the warning was not said again" '[ "$(grep -c "Sin acceso al portapapeles" "$home/app.log")" = 1 ]'

[ $fail -eq 0 ] || cat "$home/app.log"
exit $fail
