#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Giving clips back from a running Brisa into another application's text field, under a window
# manager: quick paste by shortcut and by `brisa paste-slot`, sequential paste forward and back, and
# bulk copy stamping the copies made while it is on.
# Usage: paste.sh BRISA PASTE_TARGET   (run under with-display.sh)
set -u
brisa="$1"; target="$2"
. "$(dirname "$0")/common.sh"
count() { "$brisa" history --json | jq length; }
wait_count() { for _ in $(seq 100); do [ "$(count)" -ge "$1" ] && return 0; sleep 0.1; done; return 1; }
field() { cat "$home/field.txt" 2>/dev/null; }
# Waits until the text field holds exactly $1, at most 5 s.
wait_field() { for _ in $(seq 50); do [ "$(field)" = "$1" ] && return 0; sleep 0.1; done; return 1; }
n=0
copy() { printf '%s' "$1" | xclip -selection clipboard; n=$((n + 1)); wait_count $n; }

openbox --sm-disable 2>/dev/null & wm=$!
"$brisa" 2>"$home/app.log" & app=$!
trap 'kill $app $wm $field_pid 2>/dev/null; wait 2>/dev/null; rm -rf "$home"' EXIT
field_pid=
wait_ready "$home/app.log"

copy "uno"; copy "dos"; copy "tres"
check "three copies are in the history" '[ "$(count)" = 3 ]'
# Nothing below can pass without them: stop here with the log rather than time out.
[ $fail -eq 0 ] || { cat "$home/app.log"; exit 1; }

"$target" "$home/field.txt" & field_pid=$!
for _ in $(seq 100); do xdotool search --onlyvisible --name "^paste_target$" >/dev/null && break; sleep 0.1; done
win=$(xdotool search --onlyvisible --name "^paste_target$" | head -1)
xdotool windowactivate --sync "$win" 2>/dev/null; sleep 0.3

xdotool key ctrl+super+1
check "Ctrl+Super+1 types the second newest clip into the focused field" 'wait_field "dos"'
"$brisa" paste-slot 2
check "brisa paste-slot 2 types the third newest" 'wait_field "dosuno"'
check "pasting does not add to the history" 'sleep 0.5; [ "$(count)" = 3 ]'
"$brisa" paste-slot 7
check "a slot past the end types nothing" 'sleep 0.5; [ "$(field)" = "dosuno" ]'

xdotool key super+Down
check "sequential paste starts at the newest clip" 'wait_field "dosunotres"'
xdotool key super+Down
check "the next press pastes the one before it" 'wait_field "dosunotresdos"'
xdotool key super+Up
check "going back pastes the newer one again" 'wait_field "dosunotresdostres"'

"$brisa" bulk-copy
check "bulk copy says it is on" 'for _ in $(seq 30); do grep -q "Bulk Copy activado — copia varias cosas" "$home/app.log" && break; sleep 0.1; done; grep -q "Bulk Copy activado" "$home/app.log"'
copy "lote a"; copy "lote b"
"$brisa" bulk-copy
check "bulk copy says it is off" 'for _ in $(seq 30); do grep -q "Bulk Copy desactivado" "$home/app.log" && break; sleep 0.1; done; grep -q "Bulk Copy desactivado" "$home/app.log"'
copy "después"
batches=$("$brisa" history --json | jq -r '[.[] | select(.batchID != null) | .textContent] | reverse | join(",")')
check "the copies made while it was on share one batch, in copy order" '[ "$batches" = "lote a,lote b" ]'
check "both have the same batch id" '[ "$("$brisa" history --json | jq "[.[] | .batchID | select(. != null)] | unique | length")" = 1 ]'

[ $fail -eq 0 ] || cat "$home/app.log"
exit $fail
