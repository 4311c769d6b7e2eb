#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The command line as a user meets it: version, help, and a clear error with exit 2.
set -u
brisa="$1"
fail=0
check() { if ! eval "$2"; then echo "FAIL: $1"; fail=1; else echo "ok: $1"; fi; }

out=$("$brisa" --version); rc=$?
check "--version exits 0 and names brisa" '[ $rc -eq 0 ] && [[ "$out" == brisa\ * ]]'
out=$("$brisa" --help); rc=$?
check "--help exits 0 and shows usage" '[ $rc -eq 0 ] && [[ "$out" == *Uso:* ]]'
err=$("$brisa" --no-such-option 2>&1 >/dev/null); rc=$?
check "unknown option exits 2 with a message" '[ $rc -eq 2 ] && [[ "$err" == *--no-such-option* ]]'
exit $fail
