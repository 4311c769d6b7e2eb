#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The library window of a running Brisa under a window manager, driven like a user: `brisa library`
# shows it with the focus, typed words (XTest keys) narrow the clips, a double click on a card and a
# single click on a list row paste that clip into the text field that had the focus before. Then a
# bulk delete of a hundred clips picked with clicks and keys, with the window read back through OCR.
# Usage: library.sh BRISA PASTE_TARGET XTEST_POINTER SHOTS   (run under with-display.sh; the screen
# during and after the bulk delete goes to SHOTS-during.png and SHOTS-after.png)
set -u
brisa="$1"; target="$2"; pointer="$3"; shots="$4"
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
# read_at X Y WIDTH HEIGHT [TESSERACT OPTIONS]: the text in that part of the window, light on dark,
# scaled up for OCR.
read_at() {
  local x=$1 y=$2 w=$3 h=$4; shift 4
  import -window "$(library_window)" png:- | convert - -crop "${w}x$h+$x+$y" +repage -resize 300% -colorspace gray -negate png:- |
    tesseract stdin stdout -l spa "$@" 2>/dev/null
}
# One line of digits and small letters: without the capitals a lone 0 is not read as an O.
label_at() { read_at "$@" --psm 7 -c tessedit_char_whitelist='0123456789 abcdefghijklmnopqrstuvwxyz'; }
count_label() { label_at 770 18 110 24; }
bulk_label() { label_at 0 68 140 24; }
# reads LABEL TEXT: the label reads TEXT, whatever edge of a neighbour the crop caught before it.
reads() { [[ "$($1)" =~ (^|[^0-9])$2 ]]; }
# wait_for COMMAND...: until it succeeds, at most about 20 s (OCR takes a while per look).
wait_for() { for _ in $(seq 60); do "$@" && return 0; sleep 0.2; done; return 1; }

mkdir -p "$XDG_CONFIG_HOME/Brisa"; echo '{"historyLimit": 0}' >"$XDG_CONFIG_HOME/Brisa/defaults.json"
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

# Bulk delete. 400 notes and 4 images (their thumbnails are what make a delete heavy), newest first.
seq -f "nota %03g" 400 | "$brisa" add --lines >/dev/null
for c in red green blue yellow; do
  convert -size 320x240 "gradient:$c-white" "$home/$c.png"; "$brisa" add --image "$home/$c.png" >/dev/null
done
ids() { "$brisa" history --limit 1000 | cut -c1-36; }
before=$(ids)
# Every other clip of the newest 200 is picked: rows 0, 2, …, 198 of the list.
kept=$(awk 'NR % 2 == 0 || NR > 200' <<<"$before")
only_kept_stored() { [ "$(ids)" = "$kept" ]; }
images_stored() { [ "$(ls "$XDG_DATA_HOME/Brisa/images" | wc -l)" = "$1" ]; }
check "shown again, the list holds every clip" 'open_library && wait_for reads count_label "407 elementos"'
click_at 740 30      # "Seleccionar"
check "Seleccionar shows the bulk bar" 'wait_for reads bulk_label "0 seleccionados"'
click_at 300 120     # the first row, below the bulk bar
xdotool key --delay 10 $(printf 'Down Down Return %.0s' $(seq 99))
check "a click and 99 Down, Down, Return select 100 clips" 'wait_for reads bulk_label "100 seleccionados"'

click_at 378 79      # "Eliminar"
import -window root "$shots-during.png"
xdotool type --delay 30 "nota 301"   # the window takes a search at once
check "the 100 selected clips are gone from the store, the 307 others stay" 'wait_for only_kept_stored'
check "the deleted images' files are gone" 'wait_for images_stored 2'
check "the search typed right after narrows the rest to one clip" 'wait_for reads count_label "1 elementos"'
check "nothing stays selected" 'reads bulk_label "0 seleccionados"'
click_at 740 30      # "Cancelar selección"
check "the bulk bar goes" 'wait_for eval "! reads bulk_label seleccionados"'
click_at 300 90
check "a click on the row left pastes it" 'wait_field "pera verdeplátano amarillonota 301"'
check "shown again" open_library
xdotool key Escape   # clears the search
check "the count says what is left" 'wait_for reads count_label "307 elementos"'
rows() { read_at 30 60 220 480 --psm 6 | grep -oE 'Imagen|nota [0-9]+' | tr '\n' ' '; }
check "no deleted row stays on screen: two images, then only odd notes" \
  '[ "$(rows)" = "Imagen Imagen nota 399 nota 397 nota 395 nota 393 nota 391 nota 389 nota 387 nota 385 nota 383 " ]'
import -window root "$shots-after.png"
[ $fail -eq 0 ] || cat "$home/app.log"
exit $fail
