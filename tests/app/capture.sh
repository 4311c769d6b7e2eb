#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Copies made by a real other application (xclip) land in the history of a running Brisa.
# Usage: capture.sh BRISA CLIPBOARD_OWNER   (run under with-display.sh)
set -u
brisa="$1"; owner="$2"
. "$(dirname "$0")/common.sh"
shots="$home/Capturas"; mkdir -p "$shots" "$XDG_CONFIG_HOME/Brisa"
echo '{"historyLimit": 0, "recordPrimarySelection": true, "screenshotLocation": "'"$shots"'"}' >"$XDG_CONFIG_HOME/Brisa/defaults.json"
count() { "$brisa" history --json | jq length; }
newest() { "$brisa" history --json --limit 1 | jq -r ".[0].$1"; }
# Waits until the history holds $1 clips, at most 10 s.
wait_count() { for _ in $(seq 100); do [ "$(count)" -ge "$1" ] && return 0; sleep 0.1; done; return 1; }
copy() { printf '%s' "$1" | xclip -selection clipboard ${2:+-t "$2"}; }
# Waits until the clipboard gives $1 as text, at most 5 s.
wait_clip() { for _ in $(seq 50); do [ "$(xclip -selection clipboard -o 2>/dev/null)" = "$1" ] && return 0; sleep 0.1; done; return 1; }

printf 'ya estaba' | xclip -selection clipboard
"$brisa" 2>"$home/app.log" & app=$!
trap 'kill $app 2>/dev/null; wait $app 2>/dev/null; rm -rf "$home"' EXIT
wait_ready "$home/app.log"
sleep 0.7
check "what was on the clipboard before start is not captured" '[ "$(count)" = 0 ]'

n=0
expect_kind() { # copies with copy ARGS..., then checks the newest clip's kind and text
  local what="$1" kind="$2" text="$3"; shift 3
  "$@"; n=$((n + 1))
  if wait_count $n; then
    check "$what is stored as $kind" '[ "$(newest typeRaw)" = "$kind" ] && [ "$(newest textContent)" = "$text" ]'
  else
    check "$what is stored as $kind" false
  fi
}
expect_kind "text" text "hola mundo" copy "hola mundo"
expect_kind "a link" link "https://example.org/a" copy " https://example.org/a "
expect_kind "code" code $'if (x) {\n  y();\n}' copy $'if (x) {\n  y();\n}'
expect_kind "a color" color "#1E90FF" copy "#1E90FF"
expect_kind "a file" file "/etc/hostname" copy $'file:///etc/hostname\r\n' text/uri-list

convert -size 640x320 gradient:orange-purple "$home/a.png"
expect_kind "a PNG image" image null xclip -selection clipboard -t image/png -i "$home/a.png"
check "the image is kept as a file" '[ -f "$XDG_DATA_HOME/Brisa/images/$(newest imageFileName)" ]'
convert -size 300x200 gradient:green-white "$home/b.jpg"
expect_kind "a JPEG image" image null xclip -selection clipboard -t image/jpeg -i "$home/b.jpg"
check "the JPEG is stored as PNG" '[ "$(identify -format %m "$XDG_DATA_HOME/Brisa/images/$(newest imageFileName)")" = PNG ]'

before=$(count); first=$(newest createdAt)
sleep 0.5; copy "hola de nuevo"; n=$((n + 1)); wait_count $n
copy "hola de nuevo 2"; n=$((n + 1)); wait_count $n
sleep 0.5; copy "hola de nuevo 2"; sleep 1
check "the same copy again right after only refreshes the newest clip" '[ "$(count)" = $n ]'

"$owner" "text/plain=contraseña" "x-kde-passwordManagerHint=secret" >/dev/null & pw=$!
sleep 1.5
check "a copy marked secret by a password manager is not stored" '[ "$(count)" = $n ] && grep -q "Cambio ignorado (contenido sensible)" "$home/app.log"'
kill $pw 2>/dev/null; wait $pw 2>/dev/null; sleep 0.5
check "a secret copy goes with the program that made it" '[ -z "$(xclip -selection clipboard -o -t TARGETS 2>/dev/null)" ]'

"$owner" "UTF8_STRING=sigo aquí" >/dev/null & keeper=$!; n=$((n + 1))
wait_count $n; kill $keeper 2>/dev/null; wait $keeper 2>/dev/null
check "a copy outlives the program that made it" 'wait_clip "sigo aquí"'
check "and is not stored a second time" 'sleep 0.5; [ "$(count)" = $n ]'

head -c 5000000 /dev/zero | tr '\0' 'a' >"$home/big.txt"
xclip -selection clipboard -i "$home/big.txt"; n=$((n + 1))
check "a 5 MB text is stored whole" 'wait_count $n && [ "$(newest byteSize)" = 5000000 ]'

"$owner" --mode=silent "text/plain=nunca" >/dev/null & hung=$!
sleep 3
copy "después del dueño colgado"; n=$((n + 1)); kill $hung 2>/dev/null
check "an owner that never answers does not stop capture" 'wait_count $n && [ "$(newest textContent)" = "después del dueño colgado" ]'
convert -size 1280x720 gradient:gray-white "$home/shot.png"
cp "$home/shot.png" "$shots/Captura desde 2026-12-07 10-00-00.png"; n=$((n + 1))
check "a new file in the screenshot folder becomes a screenshot clip" \
  'wait_count $n && [ "$(newest typeRaw)" = screenshot ] && [ "$(newest sourceAppName)" = "Captura de pantalla" ]'
echo "no soy una imagen" >"$shots/Screenshot falso.png"; sleep 3.5
check "a file that is not an image is not imported" '[ "$(count)" = $n ]'
printf 'texto resaltado' | xclip -selection primary; n=$((n + 1))
check "with the setting on, a mouse selection is recorded once it settles" \
  'wait_count $n && [ "$(newest textContent)" = "texto resaltado" ]'
check "Brisa is still running" 'kill -0 $app'
[ $fail -eq 0 ] || { echo "--- app log"; cat "$home/app.log"; }
exit $fail
