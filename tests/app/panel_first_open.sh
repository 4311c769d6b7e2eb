#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The panel's first opening after a start shows what was copied since: a history already on disk,
# copies made while the panel had never been open, then the shortcut's path (brisa toggle). The
# first card on screen is the newest copy, selected, and a click on it pastes it.
# Usage: panel_first_open.sh BRISA PASTE_TARGET XTEST_POINTER   (run under with-display.sh)
#
# The screen is 1920x1080: the open panel is 848 wide at x=536 and its first card spans x=616 to
# 828 and y=58 to 196; the second starts at x=844.
set -u
brisa="$1"; target="$2"; pointer="$3"
. "$(dirname "$0")/common.sh"
count() { "$brisa" history --json | jq length; }
wait_count() { for _ in $(seq 100); do [ "$(count)" -ge "$1" ] && return 0; sleep 0.1; done; return 1; }
field() { cat "$home/$1.txt" 2>/dev/null; }
wait_field() { for _ in $(seq 50); do [ "$(field "$1")" = "$2" ] && return 0; sleep 0.1; done; return 1; }
panel_width() { xdotool getwindowgeometry --shell "$panel" 2>/dev/null | sed -n 's/^WIDTH=//p'; }
wait_width() { for _ in $(seq "$2"); do [ "$(panel_width)" = "$1" ] && return 0; sleep 0.1; done; [ "$(panel_width)" = "$1" ]; }
active() { xdotool getactivewindow 2>/dev/null; }
wait_active() { for _ in $(seq 50); do [ "$(active)" = "$1" ] && return 0; sleep 0.1; done; return 1; }
# In the glass theme the blur region is the panel's body once the reveal has finished growing.
blur_is_body() { [ "$(xprop -id "$panel" _KDE_NET_WM_BLUR_BEHIND_REGION 2>/dev/null | sed -n 's/^.*= //p' | cut -d, -f1-3 | tr -d ' ')" = "62,0,724" ]; }
wait_revealed() { for _ in $(seq 50); do blur_is_body && return 0; sleep 0.1; done; return 1; }

# A history on disk before the start: older than anything copied below, and no limit to trim it.
mkdir -p "$XDG_CONFIG_HOME/Brisa"
echo '{"appTheme": "liquidGlass", "historyLimit": 0}' >"$XDG_CONFIG_HOME/Brisa/defaults.json"
seq 1 500 | sed 's/^/viejo /' | "$brisa" add --lines --type text >/dev/null
check "a history of 500 clips is on disk" '[ "$(count)" = 500 ]'

openbox --sm-disable >/dev/null 2>&1 & wm=$!
"$brisa" 2>"$home/app.log" & app=$!
field_a=
trap 'kill $app $wm $field_a 2>/dev/null; wait 2>/dev/null; rm -rf "$home"' EXIT
wait_ready "$home/app.log"
"$pointer" move 960 700

panel=
for _ in $(seq 50); do
  for w in $(xdotool search --onlyvisible --name "^Brisa$" 2>/dev/null); do
    [ "$(xdotool getwindowgeometry --shell "$w" | sed -n 's/^X=//p')" = 850 ] && panel=$w
  done
  [ -n "$panel" ] && break
  sleep 0.1
done
check "the closed panel is there" '[ -n "$panel" ] && [ "$(panel_width)" = 220 ]'

"$target" "$home/a.txt" & field_a=$!
win_a=
for _ in $(seq 100); do
  win_a=$(xdotool search --all --onlyvisible --pid "$field_a" --name "^paste_target$" 2>/dev/null | head -1)
  [ -n "$win_a" ] && break
  sleep 0.1
done
xdotool windowactivate --sync "$win_a" 2>/dev/null
check "the field has the focus" 'wait_active "$win_a"'

# Ten copies while the panel has never been open.
n=500
for i in $(seq 1 10); do
  printf 'nuevo %s' "$i" | xclip -selection clipboard
  n=$((n + 1)); wait_count $n
done
check "the ten copies are stored" '[ "$(count)" = 510 ]'
# The last copy's toast covers the top centre for a few seconds and asks for blur while it shows:
# the panel opens once it has gone.
toast=
for w in $(xdotool search --onlyvisible --name "^Brisa$" 2>/dev/null); do
  [ "$(xdotool getwindowgeometry --shell "$w" | sed -n 's/^WIDTH=//p')" = 440 ] && toast=$w
done
gone() { for _ in $(seq 150); do [ -z "$(xprop -id "$toast" _KDE_NET_WM_BLUR_BEHIND_REGION 2>/dev/null | sed -n 's/^.*= //p')" ] && return 0; sleep 0.1; done; return 1; }
check "the toast has gone" '[ -n "$toast" ] && gone'

"$brisa" toggle
check "brisa toggle opens the panel" 'wait_width 848 50 && wait_active "$panel"'
check "the reveal finishes" 'wait_revealed'
"$pointer" move 720 130
"$pointer" click 1
check "the first card on screen is the newest copy: a click on it pastes it" 'wait_field a "nuevo 10"' ||
  echo "pasted: $(field a)"
check "the panel closes after the paste" 'wait_width 220 50'

[ $fail -eq 0 ] || cat "$home/app.log"
exit $fail
