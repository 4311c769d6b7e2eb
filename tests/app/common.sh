# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the end-to-end scripts: a private home for Brisa, the check helper, and a wait for the
# running Brisa to be ready.
home=$(mktemp -d)
export HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data"
fail=0
# check DESCRIPTION CONDITION: prints ok or FAIL and remembers a failure.
check() { if eval "$2"; then echo "ok: $1"; else echo "FAIL: $1"; fail=1; return 1; fi; }
# wait_ready LOG: until Brisa logged that it is ready, at most 60 s (a loaded machine starts slowly).
wait_ready() { for _ in $(seq 600); do grep -q "Brisa está lista" "$1" && return 0; sleep 0.1; done; return 1; }
