#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The history commands as a script or a person uses them, beside a running Brisa, in a private home.
set -u
brisa="$1"
. "$(dirname "$0")/common.sh"
db="$XDG_DATA_HOME/Brisa/Brisa.store"

# A running Brisa holds the store open the whole time.
"$brisa" 2>"$home/app.log" & app=$!
trap 'kill $app 2>/dev/null; wait $app 2>/dev/null; rm -rf "$home"' EXIT
wait_ready "$home/app.log"
check "the app is running" 'kill -0 $app'

id_text=$("$brisa" add "hola árbol"); rc=$?
check "add prints the new id" '[ $rc -eq 0 ] && [[ "$id_text" =~ ^[0-9A-F-]{36}$ ]]'
id_link=$(printf '  https://example.org/informe \n' | "$brisa" add)
id_code=$("$brisa" add --type code "x = 1")
out=$("$brisa" history)
check "history lists newest first" '[ "$(echo "$out" | head -1 | cut -c1-36)" = "$id_code" ] && [ $(echo "$out" | wc -l) -eq 3 ]'
json=$("$brisa" history --json)
check "history --json is an array jq reads, with the record's field names" \
  '[ "$(echo "$json" | jq -r ".[1].typeRaw")" = link ] && [ "$(echo "$json" | jq -r ".[1].textContent")" = "https://example.org/informe" ] && [ "$(echo "$json" | jq -r ".[0] | has(\"thumbnailData\")")" = false ] && [ "$(echo "$json" | jq ".[2].byteSize")" = 11 ]'
check "history --limit" '[ "$("$brisa" history --json --limit 1 | jq length)" = 1 ]'
check "search is case-insensitive and UTF-8" '[ "$("$brisa" search ÁRBOL | cut -c1-36)" = "$id_text" ]'
check "search @kind filters" '[ "$("$brisa" search "@link informe" --json | jq -r ".[].id")" = "$id_link" ]'
check "show prints the text" '"$brisa" show "$id_text" | grep -q "^hola árbol$"'
check "a unique id prefix is enough" '[ "$("$brisa" show "${id_link:0:8}" --json | jq -r .id)" = "$id_link" ]'

"$brisa" pin "$id_text"
check "pin puts the clip first in search results" '[ "$("$brisa" search "" --json | jq -r ".[0].id + \" \" + (.[0].isPinned|tostring)")" = "$id_text true" ]'
"$brisa" unpin "$id_text"
"$brisa" delete "$id_code"; rc=$?
check "delete removes the clip" '[ $rc -eq 0 ] && [ "$("$brisa" history --json | jq length)" = 2 ]'

"$brisa" show "$id_code" 2>"$home/err"; rc=$?
check "an unknown id exits 1 with a message" '[ $rc -eq 1 ] && grep -q "no hay ningún clip" "$home/err"'
"$brisa" history --limit many 2>/dev/null; rc=$?
check "bad arguments exit 2" '[ $rc -eq 2 ]'
"$brisa" add --type sticker hola 2>/dev/null; rc=$?
check "an unknown type exits 2" '[ $rc -eq 2 ]'

convert -size 1000x500 gradient:white-navy "$home/pic.jpg"
id_img=$("$brisa" add --image "$home/pic.jpg"); rc=$?
img=$("$brisa" show "$id_img" --json)
check "add --image stores a PNG file and a thumbnail" \
  '[ $rc -eq 0 ] && [ "$(echo "$img" | jq -r .typeRaw)" = image ] && [ "$(identify -format "%m %w %h" "$XDG_DATA_HOME/Brisa/images/$(echo "$img" | jq -r .imageFileName)")" = "PNG 1000 500" ] && [ "$(sqlite3 "$db" "select length(data) > 0 from ClipThumbnail where clipID = '"'"'$id_img'"'"'")" = 1 ]'
echo "not an image" >"$home/notes.png"
"$brisa" add --image "$home/notes.png" 2>/dev/null; rc=$?
check "a file that is not an image is refused" '[ $rc -eq 2 ] && [ "$("$brisa" history --json | jq length)" = 3 ]'

mkdir -p "$XDG_CONFIG_HOME/Brisa"; echo '{"historyLimit": 2}' >"$XDG_CONFIG_HOME/Brisa/defaults.json"
"$brisa" pin "$id_text"
"$brisa" add "uno" >/dev/null; "$brisa" add "dos" >/dev/null; "$brisa" add "tres" >/dev/null
check "add applies the history limit, pinned clips aside" \
  '[ "$("$brisa" history --json | jq -r "[.[] | select(.isPinned | not) | .textContent] | join(\",\")")" = "tres,dos" ] && "$brisa" show "$id_text" >/dev/null'

echo '{}' >"$XDG_CONFIG_HOME/Brisa/defaults.json"
id_img=$("$brisa" add --image "$home/pic.jpg")
img_file="$XDG_DATA_HOME/Brisa/images/$("$brisa" show "$id_img" --json | jq -r .imageFileName)"
out=$("$brisa" clear); rc=$?
check "clear deletes every unpinned clip with its image, keeps the pinned one and says how many ($out)" \
  '[ $rc -eq 0 ] && [ "$out" = "3 clips borrados; queda 1 fijado" ] && [ "$("$brisa" history --json | jq -r ".[].id")" = "$id_text" ] && [ ! -e "$img_file" ]'
out=$("$brisa" clear --all)
check "clear --all takes the pinned ones too ($out)" '[ "$out" = "1 clip borrado" ] && [ "$("$brisa" history --json | jq length)" = 0 ]'

check "the running app is still fine" 'kill -0 $app'
sqlite3 "$db" "pragma integrity_check" | grep -q '^ok$'; check "the store is intact" '[ $? -eq 0 ]'

bad=$(mktemp); XDG_DATA_HOME="$bad" "$brisa" history 2>"$home/err"; rc=$?
check "a store that cannot be opened exits 3 with the reason" '[ $rc -eq 3 ] && grep -q "No se pudo crear ModelContainer" "$home/err"'
rm -f "$bad"
exit $fail
