#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The panel's eyedropper as a person uses it, over a desktop painted #336699: a click anywhere
# adds a colour clip #336699 (and touches no clipboard); Escape adds nothing.
# Usage: eyedropper.sh BRISA XTEST_POINTER   (run under with-display.sh)
set -u
brisa="$1"; pointer="$2"
. "$(dirname "$0")/common.sh"
colours() { "$brisa" history --json | jq -r '[.[] | select(.typeRaw == "color") | .textContent] | join(" ")'; }
wait_colours() { for _ in $(seq 100); do [ "$(colours)" = "$1" ] && return 0; sleep 0.1; done; return 1; }
# pick KEY_OR_CLICK: the panel's eyedropper button in its top bar, then a click or a key.
pick() {
  "$pointer" move 1200 24; "$pointer" move 1222 24; "$pointer" click 1; sleep 1.0
  "$pointer" move 300 700; sleep 0.3
  if [ "$1" = click ]; then "$pointer" click 1; else xdotool key "$1"; fi
}

hsetroot -solid '#336699' >/dev/null 2>&1
openbox --sm-disable >/dev/null 2>&1 & wm=$!
"$brisa" 2>"$home/app.log" & app=$!
trap 'kill $app $wm 2>/dev/null; wait 2>/dev/null; rm -rf "$home"' EXIT
wait_ready "$home/app.log"
"$brisa" add "Una nota" >/dev/null
printf 'sin tocar' | xclip -selection clipboard

"$brisa" toggle; sleep 1.2
pick Escape; sleep 1.0 # closes the panel too
check "Escape adds nothing" '[ "$(colours)" = "" ]'
"$brisa" toggle; sleep 1.2
pick click
check "a click adds a colour clip of the pixel" 'wait_colours "#336699"'
check "the clipboard is untouched" '[ "$(xclip -o -selection clipboard)" = "sin tocar" ]'
[ $fail -eq 0 ] || tail -20 "$home/app.log"
exit $fail
