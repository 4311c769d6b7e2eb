#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Privacy as a user meets it, under a window manager with a real window in front: a copy made in a
# password manager (a window whose class a desktop entry names) is not recorded on a first start,
# whose settings block it by default; once the user takes it off the list, its copies are. A pause
# from the command line stops recording until resumed, a timed one outlives a restart, and both
# commands say so when no Brisa runs.
# Usage: privacy.sh BRISA PASTE_TARGET   (run under with-display.sh)
set -u
brisa="$1"; target="$2"
. "$(dirname "$0")/common.sh"
settings="$XDG_CONFIG_HOME/Brisa/defaults.json"
count() { "$brisa" history --json | jq length; }
wait_count() { for _ in $(seq 100); do [ "$(count)" -ge "$1" ] && return 0; sleep 0.1; done; return 1; }
# Waits until the app has logged $1 $2 times or more, at most 10 s.
wait_log() { for _ in $(seq 100); do [ "$(grep -c "$1" "$home/app.log")" -ge "${2:-1}" ] && return 0; sleep 0.1; done; return 1; }
copy() { printf '%s' "$1" | xclip -selection clipboard; }
start() { "$brisa" 2>>"$home/app.log" & app=$!; wait_ready_again; }
ready=0
wait_ready_again() {
  ready=$((ready + 1))
  for _ in $(seq 600); do [ "$(grep -c "Brisa está lista" "$home/app.log")" -ge $ready ] && return 0; sleep 0.1; done; return 1
}
stop() { kill $app; wait $app 2>/dev/null; }

# The password manager: a window whose class is the one KeePassXC reports, with its desktop entry
# spelling the class in lower case, as KeePassXC's own does.
mkdir -p "$XDG_DATA_HOME/applications"
printf '[Desktop Entry]\nType=Application\nName=Gestor de prueba\nExec=true\nStartupWMClass=keepassxc\n' \
  >"$XDG_DATA_HOME/applications/org.example.Gestor.desktop"
openbox --sm-disable 2>/dev/null & wm=$!
# A window mapped while the window manager is still starting can stay unmapped: wait for it first.
for _ in $(seq 100); do xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break; sleep 0.1; done
# Qt names the window's class after the program, so a link called KeePassXC gives it that class
# from its first moment (setting it afterwards would race with Qt recreating the window).
ln -s "$target" "$home/KeePassXC"
"$home/KeePassXC" "$home/field.txt" -name keepassxc & window_pid=$!
app=
trap 'kill $app $window_pid $wm 2>/dev/null; wait 2>/dev/null; rm -rf "$home"' EXIT
# The window in front, once the window manager has it; Qt may replace its first X window.
front_class() { xprop -id "$(xdotool getactivewindow 2>/dev/null)" WM_CLASS 2>/dev/null; }
in_front() {
  for _ in $(seq 100); do
    win=$(xdotool search --onlyvisible --name "^paste_target$" 2>/dev/null | head -1)
    [ -n "$win" ] && xdotool windowactivate --sync "$win" >/dev/null 2>&1
    [ "$(front_class)" = 'WM_CLASS(STRING) = "keepassxc", "KeePassXC"' ] && return 0
    sleep 0.1
  done
  return 1
}
check "the password manager's window is in front with its class" in_front

start
check "a first start blocks the password managers" \
  '[ "$(jq -r ".blockedBundleIDs | index(\"KeePassXC\") != null" "$settings")" = true ]'
copy "contraseña"
check "a copy made in the password manager is not recorded" 'wait_log "app en lista negra: KeePassXC" && [ "$(count)" = 0 ]'

# The user takes it off the list; Brisa reads the list at start.
stop
jq '.blockedBundleIDs -= ["KeePassXC"]' "$settings" >"$settings.new" && mv "$settings.new" "$settings"
start
copy "nota"
check "once removed from the list, its copies are recorded with the entry's name" \
  'wait_count 1 && [ "$("$brisa" history --json | jq -r ".[0].sourceAppName + \"|\" + .[0].sourceAppBundleID")" = "Gestor de prueba|KeePassXC" ]'

"$brisa" pause; rc=$?
check "brisa pause is taken by the running Brisa" '[ $rc -eq 0 ] && wait_log "Captura en pausa"'
copy "en pausa"
check "while paused nothing is recorded" 'wait_log "captura en pausa)" && [ "$(count)" = 1 ]'
"$brisa" resume
copy "de vuelta"
check "after brisa resume copies are recorded again" 'wait_count 2 && [ "$("$brisa" history --json | jq -r ".[0].textContent")" = "de vuelta" ]'
"$brisa" pause --for 0 2>"$home/err"; rc=$?
check "a pause of 0 minutes is refused with exit 2" '[ $rc -eq 2 ] && grep -q "minutos" "$home/err"'

"$brisa" pause --for 30
stop
start
copy "tras reiniciar"
check "a timed pause outlives a restart" \
  'grep -q "pausa anterior al arranque" "$home/app.log" && wait_log "captura en pausa)" 2 && [ "$(count)" = 2 ]'
stop; app=
"$brisa" resume 2>"$home/err"; rc=$?
check "without a running Brisa, resume says so and exits 4" '[ $rc -eq 4 ] && grep -q "no está en marcha" "$home/err"'
[ $fail -eq 0 ] || cat "$home/app.log"
exit $fail
