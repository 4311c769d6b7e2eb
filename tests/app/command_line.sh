#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The command line as a user meets it: version, help, a clear error with exit 2, and a light client.
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

# What each command loads: the ones a keyboard shortcut runs and the store commands load no Qt,
# and only one that decodes an image loads the image libraries.
nobus=$(mktemp -d); trap 'rm -rf "$nobus"' EXIT
export HOME="$nobus" XDG_CONFIG_HOME="$nobus/config" XDG_DATA_HOME="$nobus/data"
convert -size 40x30 xc:red "$nobus/red.png"
# inits ARGS...: the shared objects the command initialised, its standard input empty.
inits() { env -u DBUS_SESSION_BUS_ADDRESS XDG_RUNTIME_DIR="$nobus" LD_DEBUG=libs "$brisa" "$@" 2>&1 >/dev/null </dev/null |
  sed -n 's/.*calling init: //p'; }
# has yes|no PATTERN TEXT: whether TEXT has a line matching PATTERN is as expected.
has() { if grep -q "$2" <<<"$3"; then [ "$1" = yes ]; else [ "$1" = no ]; fi; }
while IFS='|' read -r args qt vips ocr; do
  # shellcheck disable=SC2086 # the arguments are split on purpose
  loaded=$(inits ${args//RED/$nobus/red.png})
  check "brisa $args loads Qt: $qt, libvips: $vips, Tesseract: $ocr" \
    'has $qt libQt6 "$loaded" && has $vips libvips "$loaded" && has $ocr libtesseract "$loaded"'
done <<'TABLE'
--version|no|no|no
toggle|no|no|no
paste-slot 3|no|no|no
add hola|no|no|no
history --limit 20|no|no|no
search hola|no|no|no
show 1|no|no|no
snippet list|no|no|no
add --image RED|no|yes|yes
TABLE
printf 'GIF89a and no more' >"$nobus/cut.gif"
err=$("$brisa" add --image "$nobus/cut.gif" 2>&1 >/dev/null); rc=$?
check "add --image of no image exits 2 and says so, the image library's log kept back" \
  '[ $rc -eq 2 ] && [[ "$err" == *"no es una imagen"* ]] && ! grep -q "^\[Brisa\]" <<<"$err"'
err=$(env -u DBUS_SESSION_BUS_ADDRESS XDG_RUNTIME_DIR="$nobus" "$brisa" toggle 2>&1); rc=$?
check "toggle with no session bus exits 4 and says why" '[ $rc -eq 4 ] && [[ "$err" == *"no hay bus de sesión D-Bus"* ]]'
exit $fail
