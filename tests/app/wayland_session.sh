#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A running Brisa in a Wayland session: copies made by Wayland programs (wl-copy) land in the
# history with their kind and the active application, the mouse selection only with its setting on,
# `brisa paste-slot` types into a Wayland-native text field, and Brisa's own windows (the capture
# toast, the panel) show through XWayland.
# Usage: wayland_session.sh BRISA PASTE_TARGET [SCREENSHOT_FOLDER]   (run under with-sway.sh)
set -u
brisa="$1"; target="$2"; shots="${3:-}"
. "$(dirname "$0")/common.sh"
mkdir -p "$XDG_CONFIG_HOME/Brisa"
echo '{"historyLimit": 0, "recordPrimarySelection": false}' >"$XDG_CONFIG_HOME/Brisa/defaults.json"
count() { "$brisa" history --json | jq length; }
newest() { "$brisa" history --json --limit 1 | jq -r ".[0].$1"; }
wait_count() { for _ in $(seq 100); do [ "$(count)" -ge "$1" ] && return 0; sleep 0.1; done; return 1; }
field() { cat "$home/field.txt" 2>/dev/null; }
wait_field() { for _ in $(seq 50); do [ "$(field)" = "$1" ] && return 0; sleep 0.1; done; return 1; }
# A screenshot of the whole output, kept when a folder was given.
shot() { [ -n "$shots" ] && grim "$shots/$1" 2>/dev/null; }

# The Wayland-native window the copies come from and the pastes go to; it keeps the focus.
QT_QPA_PLATFORM=wayland "$target" "$home/field.txt" & field_pid=$!
(unset QT_QPA_PLATFORM; BRISA_TRACE_PANEL=1 exec "$brisa") 2>"$home/app.log" & app=$!
trap 'kill $app $field_pid 2>/dev/null; wait 2>/dev/null; rm -rf "$home"' EXIT
wait_ready "$home/app.log"
check "the clipboard comes from the compositor" 'grep -q "el portapapeles llega del compositor (wlr-data-control-unstable-v1)" "$home/app.log"'
check "Brisa's windows go through XWayland" 'grep -q "las ventanas de Brisa, por XWayland" "$home/app.log"'
[ $fail -eq 0 ] || { cat "$home/app.log"; exit 1; }

n=0
expect_kind() { # copies with wl-copy ARGS... < $4, then checks the newest clip's kind, text and source
  local what="$1" kind="$2" text="$3" input="$4"; shift 4
  printf '%s' "$input" | wl-copy "$@"; n=$((n + 1))
  if wait_count $n; then
    check "$what is stored as $kind from the focused window" \
      '[ "$(newest typeRaw)" = "$kind" ] && [ "$(newest textContent)" = "$text" ] && [ "$(newest sourceAppBundleID)" = paste_target ]'
  else
    check "$what is stored as $kind from the focused window" false
  fi
}
expect_kind "a text" text "hola desde Wayland" "hola desde Wayland"
shot wayland-capture-toast.png
expect_kind "a file list" file "/etc/hostname" $'file:///etc/hostname\r\n' --type text/uri-list
convert -size 640x320 gradient:orange-purple "$home/a.png"
wl-copy --type image/png <"$home/a.png"; n=$((n + 1))
check "a PNG is stored as an image" 'wait_count $n && [ "$(newest typeRaw)" = image ]'

printf 'resaltado' | wl-copy --primary
check "a mouse selection is not recorded with the setting off" 'sleep 1; [ "$(count)" = $n ]'

printf 'uno' | wl-copy; n=$((n + 1)); wait_count $n
printf 'dos' | wl-copy; n=$((n + 1)); wait_count $n
"$brisa" paste-slot 1
check "brisa paste-slot 1 types the second newest clip into the Wayland field" 'wait_field "uno"'
check "pasting does not add to the history" 'sleep 0.5; [ "$(count)" = $n ]'

"$brisa" toggle
check "brisa toggle opens the panel" 'for _ in $(seq 50); do grep -q "Panel abierto" "$home/app.log" && break; sleep 0.1; done; grep -q "Panel abierto" "$home/app.log"'
sleep 0.5; shot wayland-panel.png

# With the setting on (read at start), a mouse selection is recorded too.
kill $app; wait $app 2>/dev/null
echo '{"historyLimit": 0, "recordPrimarySelection": true}' >"$XDG_CONFIG_HOME/Brisa/defaults.json"
(unset QT_QPA_PLATFORM; exec "$brisa") 2>"$home/app2.log" & app=$!
wait_ready "$home/app2.log"
printf 'resaltado con el ajuste' | wl-copy --primary; n=$((n + 1))
check "a mouse selection is recorded with the setting on" 'wait_count $n && [ "$(newest textContent)" = "resaltado con el ajuste" ]'

[ $fail -eq 0 ] || cat "$home/app.log" "$home/app2.log"
exit $fail
