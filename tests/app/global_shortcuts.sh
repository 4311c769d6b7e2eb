#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The default global shortcuts of a running Brisa, pressed with xdotool: the action runs once, on
# release.   (run under with-display.sh)
set -u
brisa="$1"
. "$(dirname "$0")/common.sh"
"$brisa" 2>"$home/app.log" & app=$!
trap 'kill $app 2>/dev/null; wait $app 2>/dev/null; rm -rf "$home"' EXIT
wait_ready "$home/app.log"

check "the default shortcuts are written to the settings" \
  'grep -q "KeyboardShortcuts_togglePanel" "$XDG_CONFIG_HOME/Brisa/defaults.json" && grep -q "KeyboardShortcuts_quickPaste9" "$XDG_CONFIG_HOME/Brisa/defaults.json"'
xdotool keydown ctrl+super+n; sleep 0.6
check "holding Ctrl+Super+N does nothing yet" '! xdotool search --onlyvisible --name "^Quick Note$" >/dev/null'
xdotool keyup ctrl+super+n
check "releasing it opens the Quick Note" 'for _ in $(seq 30); do xdotool search --onlyvisible --name "^Quick Note$" >/dev/null && break; sleep 0.1; done; xdotool search --onlyvisible --name "^Quick Note$" >/dev/null'
xdotool key ctrl+super+3; sleep 0.5
check "Ctrl+Super+3 asks for quick-paste slot 3, once" '[ "$(grep -c "Pegar el clip 3" "$home/app.log")" = 1 ]'
[ $fail -eq 0 ] || cat "$home/app.log"
exit $fail
