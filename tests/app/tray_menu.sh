#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The tray icon and its menu in a real tray host (trayer) under a window manager, clicked as a user
# would with real pointer events (XTest through xdotool): every item does what it says. The
# screenshot, of the menu with its "Tema" submenu open, is kept for people to look at.   (run under with-display.sh)
# Usage: tray_menu.sh BRISA SCREENSHOT.png
set -u
brisa="$1"; shot="$2"
. "$(dirname "$0")/common.sh"
openbox --sm-disable >/dev/null 2>&1 & wm=$!
trayer --edge top --align right --widthtype pixel --width 120 --height 28 --tint 0x303030 \
  --transparent true --alpha 0 >/dev/null 2>&1 & tray=$!
for _ in $(seq 50); do xdotool search --name "^panel$" >/dev/null 2>&1 && break; sleep 0.1; done
"$brisa" 2>"$home/app.log" & app=$!
trap 'kill $app $tray $wm 2>/dev/null; wait 2>/dev/null; rm -rf "$home"' EXIT
wait_ready "$home/app.log"
check "the icon is in the tray" '! grep -q "No hay bandeja del sistema" "$home/app.log"'
"$brisa" add "una copia" >/dev/null

# Brisa's visible windows as "W H X Y", one a line.
windows() {
  for w in $(xdotool search --onlyvisible --pid "$app" 2>/dev/null); do
    eval "$(xdotool getwindowgeometry --shell "$w")"; echo "$WIDTH $HEIGHT $X $Y"
  done
}
# The open menu hangs from the tray at the right edge; a submenu opens to its left.
menu_geometry() { windows | awk '$4 < 60 && $3 > 1400 && $2 > 100 { print; exit }'; }
submenu_geometry() { windows | awk -v x="$1" '$4 > 60 && $3 + $1 <= x + 2 && $3 > 1000 && $2 < 200 { print; exit }'; }
wait_menu() { for _ in $(seq 50); do m=$(menu_geometry); [ -n "$m" ] && return 0; sleep 0.1; done; return 1; }
wait_no_menu() { for _ in $(seq 50); do [ -z "$(menu_geometry)" ] && return 0; sleep 0.1; done; return 1; }
wait_submenu() { for _ in $(seq 50); do s=$(submenu_geometry "$(echo "$m" | cut -d' ' -f3)"); [ -n "$s" ] && return 0; sleep 0.1; done; return 1; }
setting() { jq -r ".$1 // empty" "$XDG_CONFIG_HOME/Brisa/defaults.json" 2>/dev/null; }
wait_setting() { for _ in $(seq 50); do [ "$(setting "$1")" = "$2" ] && return 0; sleep 0.1; done; return 1; }
panel_open() { windows | grep -q "^848 "; }
wait_panel() { for _ in $(seq 50); do if panel_open; then [ "$1" = open ] && return 0; else [ "$1" = closed ] && return 0; fi; sleep 0.1; done; return 1; }
note_open() { xdotool search --onlyvisible --name "^Quick Note$" >/dev/null 2>&1; }
wait_note() { for _ in $(seq 50); do note_open && return 0; sleep 0.1; done; return 1; }
wait_log() { for _ in $(seq 50); do grep -q "$1" "$home/app.log" && return 0; sleep 0.1; done; return 1; }

# The icon sits at the right end of the tray; the right button opens the menu.
open_menu() { xdotool mousemove 1905 14 click 3; wait_menu; }
# Rows of Fusion's menus in this font, from a menu's top edge: items 22 pixels high, separators 2.
# Only the rows are assumed; where each menu opened is read from the server.
y_panel=11; y_library=33; y_note=55; y_bulk=77; y_theme=100; y_activation=122; y_pause=146; y_settings=168; y_quit=192
at() { # GEOMETRY ROW [move]: points at (and clicks) the row of a menu
  local x y; x=$(( $(echo "$1" | cut -d' ' -f3) + 40 )); y=$(( $(echo "$1" | cut -d' ' -f4) + $2 ))
  if [ "${3:-}" = move ]; then xdotool mousemove "$x" "$y"; else xdotool mousemove "$x" "$y" click 1; fi
}

check "the right button opens the menu" open_menu
at "$m" $y_panel
check "Abrir panel opens the panel" 'wait_panel open'
"$brisa" toggle; wait_panel closed

library_open() { xdotool search --onlyvisible --name "^Brisa — Biblioteca$" >/dev/null 2>&1; }
open_menu; at "$m" $y_library
check "Biblioteca… opens the library" 'for _ in $(seq 50); do library_open && break; sleep 0.1; done; library_open'
xdotool key Escape # the library has the focus and no search: it hides
open_menu; at "$m" $y_note
check "Quick Note… opens the quick note" wait_note
xdotool search --onlyvisible --name "^Quick Note$" windowclose 2>/dev/null

open_menu; at "$m" $y_settings
check "Ajustes… opens the settings window" \
  'for _ in $(seq 50); do xdotool search --onlyvisible --name "^Brisa — Ajustes$" >/dev/null && break; sleep 0.1; done; xdotool search --onlyvisible --name "^Brisa — Ajustes$" >/dev/null'
xdotool search --onlyvisible --name "^Brisa — Ajustes$" windowminimize --sync 2>/dev/null
open_menu; at "$m" $y_bulk
check "Bulk Copy turns bulk copy on" 'wait_log "Bulk Copy activado"'
open_menu; at "$m" $y_bulk
check "Bulk Copy again turns it off" 'wait_log "Bulk Copy desactivado"'

# The icon's amber pause mark: the share of the tray corner's pixels that are that colour.
amber() { import -window root png:- | convert - -crop 40x28+1880+0 -fx "r > 0.8 && g > 0.45 && g < 0.75 && b < 0.25" -format "%[fx:mean]" info:; }
wait_amber() { for _ in $(seq 50); do awk -v a="$(amber)" "BEGIN { exit !(a $1) }" && return 0; sleep 0.1; done; return 1; }
open_menu; at "$m" $y_pause
check "Pausar captura pauses capture" 'wait_log "Captura en pausa"'
check "the tray icon shows the pause" 'wait_amber "> 0.02"'
open_menu; at "$m" $y_pause
check "Pausar captura again resumes it" 'wait_log "Captura reanudada"'
check "and the icon is back" 'wait_amber "< 0.005"'

# Submenus open when pointed at, to the left of the menu at the screen's edge.
open_menu; at "$m" $y_theme move
check "Tema opens its submenu" wait_submenu
import -window root "$shot"
at "$s" 33 # Claro
check "Claro in Tema sets the light theme" 'wait_setting appTheme light'
open_menu; at "$m" $y_activation move; wait_submenu; at "$s" 33 # Con clic
check "Con clic in Abrir panel con sets click activation" 'wait_setting notchActivation click'

# The menu, light in the light theme, fills the area left of the icon.
open_menu
light=$(import -window root png:- | convert - -crop 200x150+1700+20 -colorspace gray -format "%[fx:mean]" info:)
check "the menu follows the light theme ($light)" 'awk -v m="$light" "BEGIN { exit !(m > 0.7) }"'
at "$m" $y_quit
check "Salir de Brisa quits" 'for _ in $(seq 50); do kill -0 $app 2>/dev/null || break; sleep 0.1; done; ! kill -0 $app 2>/dev/null'
[ $fail -eq 0 ] || cat "$home/app.log"
exit $fail
