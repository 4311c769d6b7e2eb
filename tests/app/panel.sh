#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The drop-down panel of a running Brisa under a window manager, used as a person would: the
# pointer opens it from the top centre and closes it by leaving, clicks pass through the closed
# panel to the window below, and the keyboard shortcut opens it to pick a clip and paste it into
# the window that had the focus; a new copy's toast keeps the pointer from opening it until the
# toast has gone. In the glass theme the open panel asks the compositor to blur what lies behind
# it. A screenshot of the open panel is kept for people to look at.
# Usage: panel.sh BRISA PASTE_TARGET XTEST_POINTER SCREENSHOT.png   (run under with-display.sh)
#
# The pointer is moved with XTest, never warped: a warp sends no raw motion, so Brisa would not
# see it. The screen is 1920x1080 with no desktop panel, so the closed panel is 220 wide at x=850
# and its handle (the middle 70 %) runs from x=883 to x=1037.
set -u
brisa="$1"; target="$2"; pointer="$3"; shot="$4"
. "$(dirname "$0")/common.sh"
count() { "$brisa" history --json | jq length; }
wait_count() { for _ in $(seq 100); do [ "$(count)" -ge "$1" ] && return 0; sleep 0.1; done; return 1; }
n=0
copy() { printf '%s' "$1" | xclip -selection clipboard; n=$((n + 1)); wait_count $n; }
field() { cat "$home/$1.txt" 2>/dev/null; }
# Waits until text field $1 holds exactly $2, at most 5 s.
wait_field() { for _ in $(seq 50); do [ "$(field "$1")" = "$2" ] && return 0; sleep 0.1; done; return 1; }

# The panel window's width, or nothing when it is not there.
panel_width() { xdotool getwindowgeometry --shell "$panel" 2>/dev/null | sed -n 's/^WIDTH=//p'; }
panel_at() { xdotool getwindowgeometry --shell "$panel" 2>/dev/null | sed -n 's/^[XY]=//p' | paste -sd,; }
# Polls until the panel is $1 wide, at most $2 tenths of a second.
wait_width() { for _ in $(seq "$2"); do [ "$(panel_width)" = "$1" ] && return 0; sleep 0.1; done; [ "$(panel_width)" = "$1" ]; }
# True when the panel stays $1 wide for $2 tenths of a second.
stays_width() { for _ in $(seq "$2"); do [ "$(panel_width)" = "$1" ] || return 1; sleep 0.1; done; return 0; }
active() { xdotool getactivewindow 2>/dev/null; }
wait_active() { for _ in $(seq 50); do [ "$(active)" = "$1" ] && return 0; sleep 0.1; done; return 1; }
now_ms() { date +%s%3N; }
move() { "$pointer" move "$1" "$2"; }
# A field window of one paste_target process, by its pid.
field_window() {
  for _ in $(seq 100); do
    w=$(xdotool search --all --onlyvisible --pid "$1" --name "^paste_target$" 2>/dev/null | head -1)
    [ -n "$w" ] && { echo "$w"; return 0; }
    sleep 0.1
  done
  return 1
}

# The glass theme: its window asks for blur behind the open panel.
mkdir -p "$XDG_CONFIG_HOME/Brisa"
echo '{"appTheme": "liquidGlass"}' >"$XDG_CONFIG_HOME/Brisa/defaults.json"
# The blur region the panel window asks for, as x,y,w,h numbers; nothing when it asks for none.
blur_region() { xprop -id "${1:-$panel}" _KDE_NET_WM_BLUR_BEHIND_REGION 2>/dev/null | sed -n 's/^.*= //p'; }
# True when the region's first rectangle is the open panel's body, below its top flares.
blur_is_body() { [ "$(blur_region | cut -d, -f1-3 | tr -d ' ')" = "62,0,724" ]; }
wait_no_blur() { for _ in $(seq 20); do [ -z "$(blur_region "$@")" ] && return 0; sleep 0.1; done; return 1; }
wait_blur() { for _ in $(seq 20); do [ -n "$(blur_region "$@")" ] && return 0; sleep 0.1; done; return 1; }

openbox --sm-disable >/dev/null 2>&1 & wm=$!
"$brisa" 2>"$home/app.log" & app=$!
field_a=; field_b=
trap 'kill $app $wm $field_a $field_b 2>/dev/null; wait 2>/dev/null; rm -rf "$home"' EXIT
wait_ready "$home/app.log"
# Start away from the top of the screen, as a mouse at rest would be.
move 960 700

# Other windows of Brisa's may carry the same title: the panel is the one at the top centre, the
# toast's the one 440 wide.
brisa_window() {
  for w in $(xdotool search --onlyvisible --name "^Brisa$" 2>/dev/null); do
    [ "$(xdotool getwindowgeometry --shell "$w" | sed -n "s/^$1=//p")" = "$2" ] && { echo "$w"; return 0; }
  done
  return 1
}
find_panel() { brisa_window X 850; }
panel=
for _ in $(seq 50); do panel=$(find_panel) && break; sleep 0.1; done
check "the panel window is there" '[ -n "$panel" ]'
check "closed at start: 220 wide" '[ "$(panel_width)" = 220 ]'
check "closed at start: at the top centre" '[ "$(panel_at)" = "850,0" ]'
check "closed, it asks for no blur" '[ -z "$(blur_region)" ]'

# Pointer.
move 940 12; move 960 10
check "the pointer over the handle opens the panel" 'wait_width 848 50'
check "the open panel hangs from the top centre, just over the edge" '[ "$(panel_at)" = "536,-2" ]'
sleep 0.8
check "open in the glass theme, it asks for blur behind its body" 'blur_is_body' || echo "blur region: $(blur_region)"
t0=$(now_ms)
move 960 500; move 960 700
check "moving away closes it again" 'wait_width 220 40'
check "closed again, it withdraws the blur" 'wait_no_blur'
echo "closed and shrunk $(( $(now_ms) - t0 )) ms after the pointer left"
move 950 10
check "the pointer opens it again" 'wait_width 848 50'
xdotool key Escape
check "Escape closes a panel the pointer opened" 'wait_width 220 40'
move 860 10
check "the left outer 15 % does not open it" 'stays_width 220 8'
move 1060 10
check "the right outer 15 % does not open it" 'stays_width 220 8'
move 960 700

# Clicks through the closed panel: one field lies under it, another has the focus.
"$target" "$home/a.txt" & field_a=$!
"$target" "$home/b.txt" & field_b=$!
win_a=$(field_window $field_a); win_b=$(field_window $field_b)
check "two separate field windows" '[ -n "$win_a" ] && [ -n "$win_b" ] && [ "$win_a" != "$win_b" ]'
xdotool windowmove --sync "$win_b" 700 0 2>/dev/null
xdotool windowactivate --sync "$win_a" 2>/dev/null
check "the other field has the focus" 'wait_active "$win_a"'
move 860 20
"$pointer" click 1
check "a click on the closed panel reaches the window below" 'wait_active "$win_b"' ||
  echo "under the pointer: $(xdotool getmouselocation --shell | sed -n 's/^WINDOW=//p'); panel $panel"
check "and does not open the panel" '[ "$(panel_width)" = 220 ]'
move 960 700

# Keyboard. Copies come only now: each one shows a toast at the top centre, and the pointer does
# not open the panel over a toast.
copy "uno"; copy "dos"; copy "tres"
check "three copies are in the history" '[ "$(count)" = 3 ]'
xdotool windowactivate --sync "$win_a" 2>/dev/null; wait_active "$win_a"
xdotool key ctrl+super+v
check "Ctrl+Super+V opens the panel" 'wait_width 848 50'
check "with the keyboard focus" 'wait_active "$panel"'
move 960 10; move 960 700
check "a keyboard-opened panel stays open when the pointer comes and goes" 'stays_width 848 8'
xdotool key Right; sleep 0.2; xdotool key Return
check "Right then Return pastes the second newest clip into the field that had the focus" 'wait_field a "dos"'
check "the panel closes after the paste" 'wait_width 220 50'
check "the focus is back on the field" 'wait_active "$win_a"'
check "pasting does not add to the history" '[ "$(count)" = 3 ]'

xdotool key ctrl+super+v
check "Ctrl+Super+V opens it again" 'wait_width 848 50 && wait_active "$panel"'
# Let the reveal finish before the picture.
sleep 0.8
import -window root "$shot"
xdotool key Escape
check "Escape closes the keyboard-opened panel" 'wait_width 220 50'
check "and gives the focus back" 'wait_active "$win_a"'
xdotool key ctrl+super+v
check "opened once more" 'wait_width 848 50 && wait_active "$panel"'
move 960 900
"$pointer" click 1
check "a click outside closes it" 'wait_width 220 50'
check "and the focus goes back to the field" 'wait_active "$win_a"'
check "nothing more was pasted" '[ "$(field a)" = "dos" ] && [ -z "$(field b)" ]'

# A new copy shows its toast at the top centre for a few seconds; the pointer does not open the
# panel over it, and does again once it has gone. The pointer keeps trying as a user would, going
# away between tries (resting on the toast would hold it up).
move 960 700
copy "cuatro"
toast=$(brisa_window WIDTH 440)
check "the copy's toast asks for blur behind its pill" '[ -n "$toast" ] && wait_blur "$toast"'
move 950 10
check "over a fresh toast the pointer does not open the panel" 'stays_width 220 5'
t0=$(now_ms)
reopened() {
  for _ in $(seq 12); do
    move 960 700; sleep 0.8; move 950 10
    wait_width 848 3 && return 0
  done
  return 1
}
check "once the toast has gone the pointer opens the panel again" 'reopened'
echo "opened again $(( $(now_ms) - t0 )) ms after the first try over the toast"
check "the toast that has gone asks for no blur" 'wait_no_blur "$toast"'
move 960 700
check "and it closes again" 'wait_width 220 40'

# The open panel follows the history: a copy made while it is open becomes its first card.
xdotool windowactivate --sync "$win_a" 2>/dev/null; wait_active "$win_a"
xdotool key ctrl+super+v
check "opened with the keyboard once more" 'wait_width 848 50 && wait_active "$panel"'
copy "cinco"
sleep 0.3
xdotool key Return
check "a copy made while the panel was open is its first card: Return pastes it" 'wait_field a "doscinco"'
# So does a clip another program stores (here the command line), within a second or so.
xdotool key ctrl+super+v
check "opened with the keyboard again" 'wait_width 848 50 && wait_active "$panel"'
"$brisa" add "seis" >/dev/null
sleep 1.5
xdotool key Return
check "a clip stored by another program while the panel was open is its first card" 'wait_field a "doscincoseis"'

[ $fail -eq 0 ] || cat "$home/app.log"
exit $fail
