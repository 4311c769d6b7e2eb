#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The text expander in a running Brisa, under a window manager, with keys typed through XTest:
# a shortcut and a space become the snippet's text and the space, in a Qt text field and in xterm;
# a snippet added with `brisa snippet add` works at once; with a Spanish layout a shortcut with
# "ñ" expands; none of it reaches the history.
# Usage: expander.sh BRISA PASTE_TARGET   (run under with-display.sh)
set -u
brisa="$1"; target="$2"
. "$(dirname "$0")/common.sh"
count() { "$brisa" history --json | jq length; }
# Waits until the file $2 (default: the text field) holds exactly $1, trailing line breaks
# included, at most 5 s.
wait_text() {
    for _ in $(seq 50); do [ "$(cat "${2:-$home/field.txt}" 2>/dev/null; printf .)" = "$1." ] && return 0; sleep 0.1; done
    return 1
}
focus() {
    for _ in $(seq 100); do xdotool search --onlyvisible --name "$1" >/dev/null && break; sleep 0.1; done
    xdotool windowactivate --sync "$(xdotool search --onlyvisible --name "$1" | head -1)" 2>/dev/null
}

setxkbmap us
"$brisa" snippet add ";firma" "Un saludo, Ana" >/dev/null
openbox --sm-disable 2>/dev/null & wm=$!
"$brisa" 2>"$home/app.log" & app=$!
field_pid=; term_pid=
trap 'kill $app $wm $field_pid $term_pid 2>/dev/null; wait 2>/dev/null; setxkbmap us; rm -rf "$home"' EXIT
wait_ready "$home/app.log"
check "the expander starts with Brisa" 'grep -q "TextExpander activo" "$home/app.log"'
[ $fail -eq 0 ] || { cat "$home/app.log"; exit 1; }

"$target" "$home/field.txt" & field_pid=$!
focus "^paste_target$"
xdotool type --delay 20 "hola ;firma "
check "';firma ' in a Qt text field becomes the text and a space" 'wait_text "hola Un saludo, Ana "'
xdotool type --delay 20 "y ;firma"; xdotool key Return
check "Return is a delimiter too, typed after the text" 'wait_text "hola Un saludo, Ana y Un saludo, Ana
"'

"$brisa" snippet add ";dir" "Calle Mayor 1"
xdotool type --delay 20 ";dir "
check "a snippet added from the command line expands at once" 'wait_text "hola Un saludo, Ana y Un saludo, Ana
Calle Mayor 1 "'

layouts() { grep -c "distribución releída" "$home/app.log"; }
before=$(layouts)
setxkbmap es
"$brisa" snippet add ";año" "Feliz año nuevo"
check "Brisa reads the new layout" 'for _ in $(seq 50); do [ "$(layouts)" -gt "$before" ] && break; sleep 0.1; done; [ "$(layouts)" -gt "$before" ]'
xdotool type --delay 20 " ;año "
check "with a Spanish layout ';año ' expands" 'wait_text "hola Un saludo, Ana y Un saludo, Ana
Calle Mayor 1  Feliz año nuevo "'
setxkbmap us

xterm -title brisa-xterm -e sh -c "cat > '$home/xterm.txt'" & term_pid=$!
focus "^brisa-xterm$"
expanded() { grep -c "«;firma» expandido" "$home/app.log"; }
before=$(expanded)
xdotool type --delay 20 ";firma "
for _ in $(seq 50); do [ "$(expanded)" -gt "$before" ] && break; sleep 0.1; done
xdotool key Return
nl=$'\n'
check "in xterm too (Shift+Insert), the text then the space" 'wait_text "Un saludo, Ana $nl" "$home/xterm.txt"'

check "expanding recorded nothing in the history" '[ "$(count)" = 0 ]'
[ $fail -eq 0 ] || cat "$home/app.log"
exit $fail
