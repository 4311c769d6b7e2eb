#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The side panels of a running Brisa under a window manager. A real player (mpv with its MPRIS
# plugin, playing a generated track with a title, an artist and a cover beside it, sound off)
# shows its card beside the open panel, and the card's play/pause button pauses it; with no player
# no card shows and a click where it was reaches the window below. A launcher tile whose desktop
# entry runs "touch FILE" creates the file when clicked, and the add tile's picker adds an application.
# Usage: side_panels.sh BRISA PASTE_TARGET XTEST_POINTER   (run under with-display.sh)
#
# The screen is 1920x1080 with no desktop panel: the open panel spans x 536 to 1384. The card's
# window starts at x 1294 (the launcher's, with one entry, at 354), the card 44 points in (x 1338 to 1598), its top at the screen's top
# less 2; its controls are the last row, play/pause in the middle.
set -u
brisa="$1"; target="$2"; pointer="$3"
. "$(dirname "$0")/common.sh"
move() { "$pointer" move "$1" "$2"; }
click() { move "$1" "$2"; "$pointer" click 1; }
status() { playerctl -p mpv status 2>/dev/null; }
wait_status() { for _ in $(seq 80); do [ "$(status)" = "$1" ] && return 0; sleep 0.1; done; return 1; }
active() { xdotool getactivewindow 2>/dev/null; }
wait_active() { for _ in $(seq 50); do [ "$(active)" = "$1" ] && return 0; sleep 0.1; done; return 1; }
# The side window whose left edge is at x $1, by its geometry.
brisa_window() {
  for w in $(xdotool search --onlyvisible --name "^Brisa$" 2>/dev/null); do
    [ "$(xdotool getwindowgeometry --shell "$w" | sed -n 's/^X=//p')" = "$1" ] && { echo "$w"; return 0; }
  done
  return 1
}

# The launcher: one tile whose entry touches a file. Stored before the start, so no default tiles.
mkdir -p "$XDG_CONFIG_HOME/Brisa" "$home/apps"
touched="$home/touched by tile"
cat >"$home/apps/touch.desktop" <<DESKTOP
[Desktop Entry]
Type=Application
Name=Tocar
Exec=touch "$touched" %U
DESKTOP
jq -n --arg p "$home/apps/touch.desktop" '{launcherApps: ([{name: "Tocar", command: "", bundlePath: $p, symbol: "app.dashed"}] | tojson)}' \
  >"$XDG_CONFIG_HOME/Brisa/defaults.json"

# The track, written by mpv itself, and its cover beside it.
mkdir -p "$home/music"
mpv --no-config "av://lavfi:sine=frequency=440:duration=120" --o="$home/music/track.ogg" \
  --oset-metadata=title="Canción de prueba",artist="Brisa Trío" >/dev/null 2>&1
convert -size 300x300 gradient:orange-purple "$home/music/cover.png"
check "the track was written" '[ -s "$home/music/track.ogg" ]' || exit 1

openbox --sm-disable >/dev/null 2>&1 & wm=$!
"$brisa" 2>"$home/app.log" & app=$!
player=; field=
trap 'kill $app $wm $player $field 2>/dev/null; wait 2>/dev/null; rm -rf "$home"' EXIT
wait_ready "$home/app.log"
move 960 700

mpv --no-config --script=/usr/lib/mpv-mpris/mpris.so --ao=null --no-video --loop-file=inf \
  "$home/music/track.ogg" >/dev/null 2>&1 & player=$!
check "the player plays" 'wait_status Playing'

card=; launcher=
for _ in $(seq 50); do card=$(brisa_window 1294) && launcher=$(brisa_window 354) && break; sleep 0.1; done
check "the card's window is there, beside where the panel opens" '[ -n "$card" ]'
check "the launcher's window is there, beside the panel's other end" '[ -n "$launcher" ]' ||
  xdotool search --onlyvisible --name "^Brisa$" | while read -r w; do xdotool getwindowgeometry "$w"; done

"$brisa" toggle; sleep 1.5
import -window root "$home/open.png" 2>/dev/null
# The card's cover (orange to purple, under the top fade) shows at its middle.
px=$(convert "$home/open.png" -format '%[fx:int(255*p{1468,80}.r)],%[fx:int(255*p{1468,80}.b)]' info: 2>/dev/null)
check "the card shows the cover" '[ "${px%,*}" -gt 60 ] 2>/dev/null' || echo "pixel at the cover: $px"

click 1468 193
check "play/pause on the card pauses the player" 'wait_status Paused'
click 1468 193
check "and plays it again" 'wait_status Playing'

# The launcher's only entry: the tile at the grid's first place.
lx=$(xdotool getwindowgeometry --shell "$launcher" | sed -n 's/^X=//p')
click $((lx + 44 + 34 + 26)) $((30 + 26 - 2))
for _ in $(seq 50); do [ -e "$touched" ] && break; sleep 0.1; done
check "a click on the tile runs its desktop entry" '[ -e "$touched" ]'

# The add tile, next to it: the picker adds an installed application by its name.
click $((lx + 44 + 34 + 52 + 12 + 26)) $((30 + 26 - 2)); sleep 1.5
xdotool type --delay 50 "mpv"; sleep 0.3
xdotool key Return; sleep 0.3
xdotool key Escape
added() { grep -q 'mpv.desktop' "$XDG_CONFIG_HOME/Brisa/defaults.json"; }
for _ in $(seq 50); do added && break; sleep 0.1; done
check "the add tile's picker adds the application chosen" 'added'

# No player: no card, and its place lets clicks through.
kill $player; wait $player 2>/dev/null; player=
# The card goes within a poll (3 s) of the player leaving the bus; the name's going is seen at once.
sleep 1.5
"$target" "$home/f.txt" & field=$!
fw=
for _ in $(seq 100); do fw=$(xdotool search --all --onlyvisible --pid "$field" --name "^paste_target$" 2>/dev/null | head -1); [ -n "$fw" ] && break; sleep 0.1; done
xdotool windowmove --sync "$fw" 1400 100 2>/dev/null
move 1468 150
"$pointer" click 1
check "a click where the card was reaches the window below" 'wait_active "$fw"'

[ $fail -eq 0 ] || tail -20 "$home/app.log"
exit $fail
