#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The settings window of a running Brisa under a window manager: `brisa settings` opens one window,
# reused and brought back to the front with the focus; the panel's shortcut recorded with real key
# events takes effect at once, and a chord another program holds is refused, the old one kept.
# (run under with-display.sh)   Usage: settings_window.sh BRISA KEY_GRABBER
set -u
brisa="$1"
grabber="$2"
. "$(dirname "$0")/common.sh"
openbox --sm-disable >/dev/null 2>&1 & wm=$!
"$grabber" --numlock ctrl+alt+k & holder=$! # another program holds Ctrl+Alt+K (with Num Lock on)
"$brisa" 2>"$home/app.log" & app=$!
trap 'kill $app $wm $holder 2>/dev/null; wait 2>/dev/null; rm -rf "$home"' EXIT
wait_ready "$home/app.log"

settings_window() { xdotool search --onlyvisible --name "^Brisa — Ajustes$" 2>/dev/null | head -1; }
focused() { for _ in $(seq 50); do w=$(settings_window); [ -n "$w" ] && [ "$(xdotool getwindowfocus 2>/dev/null)" = "$w" ] && return 0; sleep 0.1; done; return 1; }
stored() { jq -r '.KeyboardShortcuts_togglePanel' "$XDG_CONFIG_HOME/Brisa/defaults.json"; }

"$brisa" settings
check "brisa settings opens the window with the focus" focused
first=$(settings_window)
check "the window is 480×360" '[ "$(xdotool getwindowgeometry "$first" | sed -n "s/.*Geometry: //p")" = "480x360" ]'
xdotool windowminimize --sync "$first"
"$brisa" settings
check "shown again: the same window, in front with the focus" 'focused && [ "$(settings_window)" = "$first" ]'

# The recorder is the first control of the General tab: click it, then press the chord.
record() {
  local before; before=$(grep -c "Grabando un atajo" "$home/app.log")
  xdotool mousemove --window "$first" 340 68 click 1
  for _ in $(seq 50); do [ "$(grep -c "Grabando un atajo" "$home/app.log")" -gt "$before" ] && break; sleep 0.1; done
  xdotool key "$1"
}
ctrl_alt_b_stored() { [ "$(stored)" = '{"carbonKeyCode":11,"carbonModifiers":6144}' ]; }
ctrl_alt_k_refused() { grep -q "Atajo Ctrl+Alt+K rechazado" "$home/app.log"; }
# wait_for CONDITION: until it holds, at most 5 s.
wait_for() { for _ in $(seq 50); do eval "$1" && return 0; sleep 0.1; done; return 1; }
record ctrl+alt+b
check "a free chord becomes the panel's shortcut" 'wait_for ctrl_alt_b_stored'
check "Brisa holds the new chord and has let the old one go" \
  '! "$grabber" --check ctrl+alt+b && "$grabber" --check ctrl+super+v'
record ctrl+alt+k
check "a chord another program holds is refused and logged" 'wait_for ctrl_alt_k_refused'
check "the previous shortcut stays stored and held" \
  'ctrl_alt_b_stored && ! "$grabber" --check ctrl+alt+b'
check "Brisa is still running" 'kill -0 $app'
[ $fail -eq 0 ] || cat "$home/app.log"
exit $fail
