#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Starts the real brisa in a private home and display, the way a user would, and checks its
# start-up lines, a clean exit on SIGTERM, and that a broken settings file is set aside, not lost.
set -u
brisa="$1"
. "$(dirname "$0")/common.sh"
trap 'rm -rf "$home"' EXIT

run_until_ready() { # starts brisa, waits for its ready line, stops it with SIGTERM; sets rc and log
  log="$home/brisa.log"; : >"$log"
  "$brisa" 2>"$log" & local pid=$!
  wait_ready "$log"
  kill -TERM "$pid"; wait "$pid"; rc=$?
}

run_until_ready
check "starts and logs its ready line" 'grep -q "^\[Brisa\] Brisa está lista" "$log"'
check "SIGTERM ends it cleanly with exit 0" '[ $rc -eq 0 ] && grep -q "Saliendo de Brisa" "$log"'

entry="$XDG_CONFIG_HOME/autostart/brisa.desktop"
check "it starts at login by default (an autostart entry naming this brisa)" 'grep -q "^Exec=$(readlink -f "$brisa")" "$entry"'
mkdir -p "$XDG_CONFIG_HOME/Brisa"; echo '{"launchAtLogin": false}' >"$XDG_CONFIG_HOME/Brisa/defaults.json"
run_until_ready
check "turning start at login off removes the entry" '[ ! -e "$entry" ]'

mkdir -p "$XDG_CONFIG_HOME/Brisa"
printf '{"historyLimit": 5,' >"$XDG_CONFIG_HOME/Brisa/defaults.json"
run_until_ready
check "a corrupt settings file does not stop start-up" '[ $rc -eq 0 ] && grep -q "Brisa está lista" "$log"'
aside=$(ls "$XDG_CONFIG_HOME/Brisa" | grep -c "defaults.json.corrupt-")
check "the corrupt file is kept aside, byte for byte" '[ "$aside" -eq 1 ] && [ "$(cat "$XDG_CONFIG_HOME"/Brisa/defaults.json.corrupt-*)" = "{\"historyLimit\": 5," ]'
[ $fail -eq 0 ] || cat "$log"
exit $fail
