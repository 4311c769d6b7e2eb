#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# An image operation from the panel, as a person does it: right-click the first card, pick
# "Redimensionar ▸ 50%", and a clip of half the size appears as the first card (Return pastes it).
# Usage: image_panel.sh BRISA XTEST_POINTER   (run under with-display.sh)
set -u
brisa="$1"; pointer="$2"
. "$(dirname "$0")/common.sh"
count() { "$brisa" history --json | jq length; }
wait_count() { for _ in $(seq 150); do [ "$(count)" -ge "$1" ] && return 0; sleep 0.1; done; return 1; }
images="$XDG_DATA_HOME/Brisa/images"

openbox --sm-disable >/dev/null 2>&1 & wm=$!
"$brisa" 2>"$home/app.log" & app=$!
trap 'kill $app $wm 2>/dev/null; wait 2>/dev/null; rm -rf "$home"' EXIT
wait_ready "$home/app.log"
"$pointer" move 960 700

convert -size 640x360 gradient:white-navy -depth 8 "$home/pic.png"
src=$("$brisa" add --image "$home/pic.png")
check "the image clip is stored" '[ "$(count)" = 1 ]'

"$brisa" toggle; sleep 1.2
"$pointer" move 700 110; "$pointer" move 720 120
"$pointer" click 3; sleep 0.8
# Pegar, Copiar, Enviar…, Quitar peso, Quitar fondo, Redimensionar ▸ 75%, 50%
xdotool key Down Down Down Down Down Down; sleep 0.2
xdotool key Right; sleep 0.4
xdotool key Down Return
check "Redimensionar ▸ 50% adds a clip" 'wait_count 2'
new=$("$brisa" history --json --limit 1 | jq ".[0]")
check "the new clip is an image of half the size, from Brisa" \
  '[ "$(identify -format "%w %h" "$images/$(echo "$new" | jq -r .imageFileName)")" = "320 180" ] && [ "$(echo "$new" | jq -r .sourceAppName)" = Brisa ]'
check "the source clip is unchanged" '[ "$("$brisa" show "$src" --json | jq -r .byteSize)" = "$(stat -c %s "$images/$("$brisa" show "$src" --json | jq -r .imageFileName)")" ]'

# The first card is the new clip: picking it with the keyboard puts the half-size image on the clipboard.
sleep 0.5
xdotool key Escape; sleep 0.5
xdotool key ctrl+super+v; sleep 1.0
xdotool key Return; sleep 1.0
check "the first card is the new clip" \
  '[ "$(xclip -o -selection clipboard -t image/png 2>/dev/null | identify -format "%w %h" - 2>/dev/null)" = "320 180" ]'
[ $fail -eq 0 ] || tail -20 "$home/app.log"
exit $fail
