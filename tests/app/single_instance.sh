#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# One Brisa per session: a second brisa asks the first to act and exits; the remote commands
# reach the running Brisa, and fail clearly when none runs.   (run under with-display.sh)
set -u
brisa="$1"
. "$(dirname "$0")/common.sh"

"$brisa" toggle 2>"$home/err"; rc=$?
check "a remote command with no Brisa running exits 4 with a message" '[ $rc -eq 4 ] && grep -q "no está en marcha" "$home/err"'

"$brisa" 2>"$home/app.log" & app=$!
trap 'kill $app 2>/dev/null; wait $app 2>/dev/null; rm -rf "$home"' EXIT
wait_ready "$home/app.log"

timeout 10 "$brisa" 2>"$home/second.log"; rc=$?
check "a second brisa exits 0 at once" '[ $rc -eq 0 ] && grep -q "ya está en marcha" "$home/second.log"'
check "the second asked the first to open its panel" 'grep -q "Orden recibida: toggle" "$home/app.log"'
check "the second did not start a second Brisa" '[ $(grep -c "Brisa está lista" "$home/second.log") -eq 0 ]'

"$brisa" quick-note && "$brisa" bulk-copy && "$brisa" paste-slot 3; rc=$?
check "remote commands reach the running Brisa" \
  '[ $rc -eq 0 ] && grep -q "Orden recibida: quick-note" "$home/app.log" && grep -q "Orden recibida: bulk-copy" "$home/app.log" && grep -q "Orden recibida: paste-slot" "$home/app.log"'
check "quick-note opens the Quick Note window" 'for _ in $(seq 50); do xdotool search --onlyvisible --name "^Quick Note$" >/dev/null && break; sleep 0.1; done; xdotool search --onlyvisible --name "^Quick Note$" >/dev/null'
import -window root "${SHOT:-/dev/null}" 2>/dev/null
check "Brisa is still running" 'kill -0 $app'
[ $fail -eq 0 ] || cat "$home/app.log"
exit $fail
