#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# `brisa snippet`: list, add (argument or standard input) and remove, with the store's rules and
# their exit codes, without a running Brisa.
# Usage: snippet_commands.sh BRISA
set -u
brisa="$1"
. "$(dirname "$0")/common.sh"
trap 'rm -rf "$home"' EXIT

"$brisa" snippet add firma "Un saludo,
Ana"; rc=$?
check "add puts ';' in front of a shortcut without it" '[ $rc = 0 ] && [ "$("$brisa" snippet list --json | jq -r ".[0].shortcut")" = ";firma" ]'
check "the text keeps its line break" '[ "$("$brisa" snippet list --json | jq -r ".[0].content")" = "Un saludo,
Ana" ]'
check "list shows one line a snippet" '[ "$("$brisa" snippet list)" = ";firma	Un saludo,\nAna" ]'
err=$("$brisa" snippet add ";firma" "otro" 2>&1); rc=$?
check "a shortcut already taken is refused with exit 2" '[ $rc = 2 ] && [[ "$err" == *";firma"* ]]'
err=$("$brisa" snippet add ";vacío" "" 2>&1); rc=$?
check "an empty text is refused with exit 2" '[ $rc = 2 ]'
printf 'de la entrada' | "$brisa" snippet add ";in"; rc=$?
check "without a text it is read from standard input" '[ $rc = 0 ] && [ "$("$brisa" snippet list --json | jq -r ".[1].content")" = "de la entrada" ]'
head -c 1048576 /dev/zero | tr '\0' 'x' | "$brisa" snippet add ";big" -; rc=$?
check "a 1 MB text from standard input (\"-\") is kept whole" '[ $rc = 0 ] && [ "$("$brisa" snippet list --json | jq -r ".[2].content | length")" = 1048576 ]'
check "non-ASCII shortcuts are kept as typed" '"$brisa" snippet add ";año" "Feliz año" && "$brisa" snippet list --json | jq -e "any(.[]; .shortcut == \";año\")" >/dev/null'
"$brisa" snippet remove ";in"; rc=$?
check "remove takes the snippet away" '[ $rc = 0 ] && [ "$("$brisa" snippet list --json | jq -r "map(.shortcut) | join(\",\")")" = ";firma,;big,;año" ]'
"$brisa" snippet remove firma; rc=$?
check "remove also finds a shortcut written without ';'" '[ $rc = 0 ] && [ "$("$brisa" snippet list --json | jq length)" = 2 ]'
"$brisa" snippet remove ";nada" 2>/dev/null; rc=$?
check "removing a shortcut nobody has exits 1" '[ $rc = 1 ]'
"$brisa" snippet 2>/dev/null; rc=$?
check "snippet without a subcommand is wrong usage (2)" '[ $rc = 2 ]'
exit $fail
