#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Brisa's overlay windows (the panel, closed and open, and the toast) look right with and without a
# compositor: wherever they draw nothing, a screenshot shows the desktop behind them, not black.
# Without a compositor the windows are cut to their outline; a compositor that starts or stops
# while Brisa runs is followed. The pixels are read from screenshots of a flat #336699 desktop.
# Usage: compositor.sh BRISA   (run under with-display.sh)
#
# The screen is 1920x1080 with no desktop panel. The open panel's window is 848x252 at 536,-2 and
# draws its outline 780x218 at 570,-2: flares 28 at the top corners, bottom corners of radius 42.
# The toast's window is 440x130 at 740,0; its pill hangs from the top centre.
set -u
brisa="$1"
. "$(dirname "$0")/common.sh"
mkdir -p "$XDG_CONFIG_HOME/Brisa"
echo '{"appTheme": "dark"}' >"$XDG_CONFIG_HOME/Brisa/defaults.json"
desktop=336699

# The colours (rrggbb) of the pixels "x,y ..." in a fresh screenshot, one a line.
pixels() {
  local format=""
  for p in "$@"; do format="$format%[hex:p{$p}]\n"; done
  import -window root "$home/shot.png" 2>/dev/null &&
    convert "$home/shot.png" -format "$format" info: 2>/dev/null | cut -c1-6
}
# True when every pixel given shows the desktop.
all_desktop() { [ -z "$(pixels "$@" | grep -v "^$desktop$")" ]; }
# True when no pixel given shows the desktop.
none_desktop() { [ -z "$(pixels "$@" | grep "^$desktop$")" ]; }
# Retries a condition for up to 5 s: a window draws its next frame a moment after it changes.
soon() { for _ in $(seq 25); do "$@" && return 0; sleep 0.2; done; return 1; }
# Says what the pixels show, after a failure.
show() { echo "  pixels $*: $(pixels "$@" | paste -sd' ')"; }

brisa_window() {
  for w in $(xdotool search --onlyvisible --name "^Brisa$" 2>/dev/null); do
    [ "$(xdotool getwindowgeometry --shell "$w" | sed -n "s/^$1=//p")" = "$2" ] && { echo "$w"; return 0; }
  done
  return 1
}
panel_width() { xdotool getwindowgeometry --shell "$panel" 2>/dev/null | sed -n 's/^WIDTH=//p'; }
wait_width() { for _ in $(seq 50); do [ "$(panel_width)" = "$1" ] && return 0; sleep 0.1; done; return 1; }
# Waits until the log has $2 lines (default 1) that say $1.
wait_log() { for _ in $(seq 50); do [ "$(grep -c "$1" "$home/app.log")" -ge "${2:-1}" ] && return 0; sleep 0.1; done; return 1; }

hsetroot -solid "#$desktop" >/dev/null 2>&1
openbox --sm-disable >/dev/null 2>&1 & wm=$!
"$brisa" 2>"$home/app.log" & app=$!
compositor=
trap 'kill $app $wm $compositor 2>/dev/null; wait 2>/dev/null; rm -rf "$home"' EXIT
wait_ready "$home/app.log"
panel=
for _ in $(seq 50); do panel=$(brisa_window X 850) && break; sleep 0.1; done
check "the panel window is there" '[ -n "$panel" ]'
closed_h=$(xdotool getwindowgeometry --shell "$panel" | sed -n 's/^HEIGHT=//p')
handle_y=$((closed_h - 4))

# Points of the closed panel's window around its handle, of the toast's window around its pill, and
# of the open panel's window outside its outline: beside it, below it, beside each flare, and just
# outside each rounded bottom corner, where the ends of the card strip fade out.
closed_out=(852,1 900,$((closed_h / 2)) 1060,$((closed_h - 2)) 930,$handle_y 990,$handle_y)
handle_in=(960,$handle_y)
toast_out=(742,2 760,60 960,125 1178,2 1150,110)
pill_in=(960,40)
open_out=(540,100 1375,100 960,240 585,10 1335,10 600,203 1320,203 610,212 1310,212)
# Inside, down to near its bottom corners: the reveal has finished when these are drawn.
open_in=(960,100 620,100 1300,100 960,205 640,214 1280,214)

state() {
  local where="$1"
  check "closed panel $where: the desktop shows around the handle" 'soon all_desktop "${closed_out[@]}"' ||
    show "${closed_out[@]}"
  check "closed panel $where: the handle is drawn" 'soon none_desktop "${handle_in[@]}"' || show "${handle_in[@]}"
  check "no toast $where: the toast's window shows nothing" 'soon all_desktop "${toast_out[@]}" "${pill_in[@]}"' ||
    show "${toast_out[@]}" "${pill_in[@]}"

  printf 'copiado %s' "$where" | xclip -selection clipboard
  check "toast $where: the pill is drawn" 'soon none_desktop "${pill_in[@]}"' || show "${pill_in[@]}"
  check "toast $where: the desktop shows around the pill" 'soon all_desktop "${toast_out[@]}"' || show "${toast_out[@]}"
  "$brisa" toggle # the panel opened from the keyboard sends the toast away
  check "open panel $where: the window is open" 'wait_width 848'
  check "open panel $where: the panel is drawn" 'soon none_desktop "${open_in[@]}"' || show "${open_in[@]}"
  check "open panel $where: the desktop shows outside its outline" 'soon all_desktop "${open_out[@]}"' ||
    show "${open_out[@]}"
  "$brisa" toggle
  check "closed again $where" 'wait_width 220'
}

check "Brisa starts without a compositor" 'wait_log "Sin compositor"'
state "without a compositor"

xcompmgr >/dev/null 2>&1 & compositor=$!
check "Brisa sees the compositor start" 'wait_log "Compositor activo"'
state "with a compositor"

kill $compositor; wait $compositor 2>/dev/null; compositor=
# Once at start, once now.
check "Brisa sees the compositor stop" 'wait_log "Sin compositor" 2'
state "after the compositor stopped"

[ $fail -eq 0 ] || cat "$home/app.log"
exit $fail
