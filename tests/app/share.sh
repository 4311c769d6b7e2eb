#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# "Enviar…" as a person uses it: right-click a card, Enviar… ▸ a target. The mail and Bluetooth
# programs are stand-ins on PATH that record their arguments; Guardar como… goes through the real
# file dialog. A bus that starts nothing on demand keeps any installed portal or device daemon out.
# Usage: share.sh BRISA XTEST_POINTER   (run under with-display.sh)
set -u
brisa="$1"; pointer="$2"
. "$(dirname "$0")/common.sh"
eval "$(dbus-launch --sh-syntax --config-file="$(dirname "$0")/../support/bare-session-bus.conf")"
images="$XDG_DATA_HOME/Brisa/images"

# stub PROGRAM CODE: writes its arguments, one a line, to PROGRAM.args and exits with CODE.
stub() {
  printf '#!/bin/sh\nfor a in "$@"; do printf "%%s\\n" "$a"; done > "$0.args"\nexit %s\n' "$2" >"$home/bin/$1"
  chmod +x "$home/bin/$1"
}
mkdir -p "$home/bin"
stub xdg-email 0
stub blueman-sendto 0
export PATH="$home/bin:$PATH"
wait_file() { for _ in $(seq 100); do [ -s "$1" ] && return 0; sleep 0.1; done; return 1; }
# How many windows Brisa shows: each menu, submenu and dialog is one more.
shown() { xdotool search --onlyvisible --pid "$app" 2>/dev/null | wc -l; }
# wait_shown N: until Brisa shows N windows, at most 10 s.
wait_shown() { for _ in $(seq 100); do [ "$(shown)" -eq "$1" ] && return 0; sleep 0.1; done; return 1; }
# send CARD_X KEYS...: the card's menu, Enviar… ▸ the entry KEYS lead to (the first is highlighted).
send() {
  local x="$1"; shift
  local before; before=$(shown)
  "$pointer" move "$((x - 20))" 110; "$pointer" move "$x" 120
  "$pointer" click 3; wait_shown $((before + 1))
  xdotool key Down Down Down Right; wait_shown $((before + 2)) # Pegar, Copiar, Enviar… ▸
  xdotool key "$@"
}

openbox --sm-disable >/dev/null 2>&1 & wm=$!
"$brisa" 2>"$home/app.log" & app=$!
trap 'kill $app $wm 2>/dev/null; kill $DBUS_SESSION_BUS_PID 2>/dev/null; wait 2>/dev/null; rm -rf "$home"' EXIT
wait_ready "$home/app.log"
"$pointer" move 960 700
convert -size 64x48 gradient:white-navy -depth 8 "$home/pic.png"
"$brisa" add --image "$home/pic.png" >/dev/null
"$brisa" add "Nota para enviar" >/dev/null
image=$(ls "$images")
# The panel, open and its cards in place.
panel_open() {
  for w in $(xdotool search --onlyvisible --pid "$app" 2>/dev/null); do
    xdotool getwindowgeometry --shell "$w" | grep -qx "WIDTH=848" && return 0
  done
  return 1
}
"$brisa" toggle
for _ in $(seq 100); do panel_open && break; sleep 0.1; done
sleep 0.5 # the cards slide in
text_card=720; image_card=948

# Without a portal: Correo electrónico…, Bluetooth…, Guardar como….
send $text_card Return
check "a text goes to xdg-email as the body" \
  'wait_file "$home/bin/xdg-email.args" && [ "$(cat "$home/bin/xdg-email.args")" = "$(printf -- "--utf8\n--body\nNota para enviar")" ]'
send $text_card Down Return
check "a text goes to Bluetooth as a private .txt" 'wait_file "$home/bin/blueman-sendto.args" &&
  sent=$(cat "$home/bin/blueman-sendto.args") && [ "$(basename "$sent")" = "Nota para enviar.txt" ] &&
  [ "$(cat "$sent")" = "Nota para enviar" ] && [ "$(stat -c %a "$(dirname "$(dirname "$sent")")")" = 700 ]'
rm -f "$home/bin/blueman-sendto.args"
# The card's share button, at its top right, opens the same targets at the pointer.
before=$(shown)
"$pointer" move $((text_card + 60)) 120; "$pointer" move $((text_card + 80)) 76; sleep 0.5 # it shows on hover
"$pointer" click 1; wait_shown $((before + 1))
"$pointer" move $((text_card + 130)) 108; "$pointer" click 1 # Bluetooth…, the second entry
check "the share button offers the targets too" \
  'wait_file "$home/bin/blueman-sendto.args" && [ "$(basename "$(cat "$home/bin/blueman-sendto.args")")" = "Nota para enviar.txt" ]'
rm -f "$home/bin/blueman-sendto.args"
send $image_card Down Return
check "an image goes to Bluetooth as its file" \
  'wait_file "$home/bin/blueman-sendto.args" && [ "$(cat "$home/bin/blueman-sendto.args")" = "$images/$image" ]'
before=$(shown)
send $image_card Down Down Return
dialog=
for _ in $(seq 100); do dialog=$(xdotool search --onlyvisible --name "^Guardar como…$" 2>/dev/null | head -1) && [ -n "$dialog" ] && break; sleep 0.1; done
xdotool windowactivate --sync "$dialog" 2>/dev/null
xdotool key Return # the dialog proposes the image's own name in the home folder
check "Guardar como… writes a copy where the dialog says" 'wait_file "$home/$image" && cmp -s "$home/$image" "$images/$image"'
wait_shown "$before" # the dialog has gone

stub xdg-email 3
send $text_card Return
check "a failed send says why in the log" \
  'for _ in $(seq 100); do grep -q "Enviar a Correo electrónico…: xdg-email terminó con el código 3" "$home/app.log" && break; sleep 0.1; done
   grep -q "Enviar a Correo electrónico…: xdg-email terminó con el código 3" "$home/app.log"'
check "nothing was stored or lost" '[ "$("$brisa" history --json | jq length)" = 2 ]'
[ $fail -eq 0 ] || tail -20 "$home/app.log"
exit $fail
