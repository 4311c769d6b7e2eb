#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The library window of a running Brisa under a window manager, driven like a user: `brisa library`
# shows it with the focus, typed words (XTest keys) narrow the clips, a double click on a card and a
# single click on a list row paste that clip into the text field that had the focus before.
# Usage: library.sh BRISA PASTE_TARGET XTEST_POINTER   (run under with-display.sh)
set -u
brisa="$1"; target="$2"; pointer="$3"
. "$(dirname "$0")/common.sh"
field() { cat "$home/field.txt" 2>/dev/null; }
wait_field() { for _ in $(seq 50); do [ "$(field)" = "$1" ] && return 0; sleep 0.1; done; return 1; }
library_window() { xdotool search --onlyvisible --name "^Brisa — Biblioteca$" 2>/dev/null | head -1; }
# Shows the library and waits until it holds the keyboard focus.
open_library() {
  "$brisa" library || return 1
  for _ in $(seq 100); do
    w=$(library_window); [ -n "$w" ] && [ "$(xdotool getwindowfocus 2>/dev/null)" = "$w" ] && return 0
    sleep 0.1
  done
  return 1
}
# click_at X Y [COUNT]: a left click (COUNT of them, a double click for 2) at window position X,Y.
click_at() {
  # xwininfo gives the client area's place on the screen, whatever frame the window manager adds.
  local info x y
  info=$(xwininfo -id "$(library_window)")
  x=$(awk '/Absolute upper-left X/ {print $4}' <<<"$info")
  y=$(awk '/Absolute upper-left Y/ {print $4}' <<<"$info")
  "$pointer" move $((x + $1)) $((y + $2))
  for _ in $(seq "${3:-1}"); do "$pointer" click 1; done
}

openbox --sm-disable >/dev/null 2>&1 & wm=$!
"$brisa" 2>"$home/app.log" & app=$!
field_pid=
trap 'kill $app $wm $field_pid 2>/dev/null; wait 2>/dev/null; rm -rf "$home"' EXIT
wait_ready "$home/app.log"
for text in "manzana roja" "pera verde" "plátano amarillo"; do "$brisa" add "$text" >/dev/null; done

"$target" "$home/field.txt" & field_pid=$!
for _ in $(seq 100); do xdotool search --onlyvisible --name "^paste_target$" >/dev/null && break; sleep 0.1; done
xdotool windowactivate --sync "$(xdotool search --onlyvisible --name "^paste_target$" | head -1)" 2>/dev/null
sleep 0.3

check "brisa library shows the window with the focus" open_library || { cat "$home/app.log"; exit 1; }
eval "$(xdotool getwindowgeometry --shell "$(library_window)")"
check "the window is 880 × 560" '[ "$WIDTH" = 880 ] && [ "$HEIGHT" = 560 ]'
# Typing goes to the search field; of three clips only one matches, and it is the first card.
xdotool type --delay 30 "pera"
sleep 0.5
# The first card of the grid: 20 in, centred in a cell of 256 (three cells in 840), below the toolbar.
click_at 148 160 2
check "a double click on the first card pastes the one clip that matches" 'wait_field "pera verde"'

check "shown again, the library takes the focus back" open_library
xdotool key Escape   # clears the search
xdotool key ctrl+2   # the list
sleep 0.5
click_at 300 90
check "a single click on the first row pastes the newest clip" 'wait_field "pera verdeplátano amarillo"'

check "shown again" open_library
xdotool key Escape   # nothing to clear: the window goes
check "Escape with an empty search hides the window" 'for _ in $(seq 30); do [ -z "$(library_window)" ] && break; sleep 0.1; done; [ -z "$(library_window)" ]'
[ $fail -eq 0 ] || cat "$home/app.log"
exit $fail
