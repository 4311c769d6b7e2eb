#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The tray icon and its menu in a real tray host (trayer) under a window manager, as a user sees
# them; the screenshot is kept for people to look at.   (run under with-display.sh)
# Usage: tray_menu.sh BRISA SCREENSHOT.png
set -u
brisa="$1"; shot="$2"
home=$(mktemp -d)
export HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data"
openbox >/dev/null 2>&1 & wm=$!
sleep 1
trayer --edge top --align right --widthtype pixel --width 120 --height 28 --tint 0x303030 \
  --transparent true --alpha 0 >/dev/null 2>&1 & tray=$!
sleep 1
"$brisa" 2>"$home/app.log" & app=$!
trap 'kill $app $tray $wm 2>/dev/null; wait $app 2>/dev/null; rm -rf "$home"' EXIT
for _ in $(seq 100); do grep -q "Brisa está lista" "$home/app.log" && break; sleep 0.1; done
sleep 1
# The icon sits at the right end of the tray; the right button opens the menu, then its "Tema" submenu.
xdotool mousemove 1905 14 click 3; sleep 1
xdotool mousemove 1700 120; sleep 1
import -window root "$shot"
fail=0
grep -q "No hay bandeja del sistema" "$home/app.log" && { echo "FAIL: no tray found"; fail=1; }
# The menu, light on the black root window, fills the area left of the icon.
mean=$(convert "$shot" -crop 200x150+1600+20 -colorspace gray -format "%[fx:mean]" info:)
awk -v m="$mean" 'BEGIN { exit !(m > 0.5) }' && echo "ok: the menu is on screen" || { echo "FAIL: no menu on screen ($mean)"; fail=1; }
exit $fail
