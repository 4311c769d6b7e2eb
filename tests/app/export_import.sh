#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Clips in numbers from the command line: add --lines / --null, export and import. An export read
# back into an empty history gives every clip again, fields, pins, spaces and images included; a
# second import skips what is there; an import stopped half-way leaves a sound store that a new run
# completes.
# Usage: export_import.sh BRISA
set -u
brisa="$1"
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
export HOME="$home" XDG_CONFIG_HOME="$home/config"
fail=0
check() { if eval "$2"; then echo "ok: $1"; else echo "FAIL: $1"; fail=1; fi; }
mkdir -p "$XDG_CONFIG_HOME/Brisa"; echo '{"historyLimit": 0}' >"$XDG_CONFIG_HOME/Brisa/defaults.json"
in_home() { XDG_DATA_HOME="$home/$1" "$brisa" "${@:2}"; }
# Everything a clip carries, newest first, with its image's checksum instead of its file name.
listing() {
  in_home "$1" history --json | jq -c '.[] | del(.imageFileName)'
  sqlite3 "$home/$1/Brisa/Brisa.store" "select id, length(data) from ClipItem left join ClipThumbnail on clipID = id order by id"
  for f in "$home/$1"/Brisa/images/*.png; do [ -e "$f" ] && md5sum <"$f"; done
}

ids=$(printf 'uno\ndos\n\n  \nhttps://example.org/tres\n' | in_home a add --lines); rc=$?
check "add --lines stores one clip per line, blank lines aside, and prints their ids" \
  '[ $rc -eq 0 ] && [ "$(echo "$ids" | wc -l)" = 3 ] && [ "$(in_home a history --json | jq -r "map(.typeRaw + \":\" + .textContent) | join(\",\")")" = "link:https://example.org/tres,text:dos,text:uno" ]'
printf 'x = 1\nprint(x)\0y = 2\0' | in_home a add --null --type code >/dev/null
check "add --null splits at NUL bytes, keeping line breaks" \
  '[ "$(in_home a history --json --limit 2 | jq -r ".[1].textContent")" = "$(printf "x = 1\nprint(x)")" ] && [ "$(in_home a history --json --limit 1 | jq -r .[0].typeRaw)" = code ]'
convert -size 300x200 gradient:white-navy "$home/pic.png"
id_img=$(in_home a add --image "$home/pic.png")
in_home a pin "$(echo "$ids" | head -1)"
space=0B9E4D6A-1111-4222-8333-444455556666
sqlite3 "$home/a/Brisa/Brisa.store" "update ClipItem set spaceID = '$space', ocrText = 'leído' where id = '$(echo "$ids" | sed -n 2p)'"

in_home a export "$home/all.jsonl" 2>"$home/err"; rc=$?
check "export writes a line per clip, privately, and says how many" \
  '[ $rc -eq 0 ] && [ "$(wc -l <"$home/all.jsonl")" = 6 ] && [ "$(stat -c %a "$home/all.jsonl")" = 600 ] && grep -q "^6 clips exportados" "$home/err"'
check "each line is a JSON object with the record's fields, the image inline" \
  '[ "$(jq -r "select(.id == \"$id_img\") | (.imageData | length > 100)" "$home/all.jsonl")" = true ]'
in_home a export "$home/folder.jsonl" --image-folder 2>/dev/null
check "--image-folder puts the images in a folder beside the export" \
  '[ "$(jq -r "select(.imageFile) | .imageFile" "$home/folder.jsonl")" = "folder.jsonl.images/$(in_home a show "$id_img" --json | jq -r .imageFileName)" ] && ! grep -q imageData "$home/folder.jsonl"'
check "--type keeps kinds" '[ "$(in_home a export --type code,link 2>/dev/null | wc -l)" = 3 ]'
check "--since keeps newer clips" '[ "$(in_home a export --since 1d 2>/dev/null | wc -l)" = 6 ] && [ "$(in_home a export --since "2099-01-01 08:00" 2>/dev/null | wc -l)" = 0 ]'
in_home a export --since ayer >/dev/null 2>&1; rc=$?
check "a --since it cannot read exits 2" '[ $rc -eq 2 ]'

out=$(in_home b import "$home/all.jsonl"); rc=$?
check "import into an empty history stores every clip" '[ $rc -eq 0 ] && [ "$out" = "6 clips importados, 0 ya estaban" ]'
check "and gives back every field, pin, space and image" '[ "$(listing a)" = "$(listing b)" ]'
(cd / && in_home c import "$home/folder.jsonl" >/dev/null)
check "so does an export with its image folder" '[ "$(listing a)" = "$(listing c)" ]'
out=$(in_home b import "$home/all.jsonl"); rc=$?
check "a second import skips every clip it already has" '[ $rc -eq 0 ] && [ "$out" = "0 clips importados, 6 ya estaban" ] && [ "$(ls "$home/b/Brisa/images" | wc -l)" = 1 ]'
printf '{"typeRaw": "text", "createdAt": 1, "textContent": "bien"}\n{roto\n' >"$home/bad.jsonl"
out=$(in_home b import "$home/bad.jsonl" 2>"$home/err"); rc=$?
check "a broken line is refused by number, the rest stored, exit 5" \
  '[ $rc -eq 5 ] && grep -q "línea 2" "$home/err" && [ "$out" = "1 clips importados, 0 ya estaban, 1 líneas rechazadas" ]'
in_home b import "$home/none.jsonl" 2>/dev/null; rc=$?
check "a file that is not there exits 1" '[ $rc -eq 1 ]'

# Stopped half-way, by Ctrl+C and by a kill that gives no chance to finish: the lines come through
# a pipe that pauses after 45,000 of them, and what was read is stored while the import waits.
# (A read waiting on a pipe goes on waiting through a signal: the pipe's end lets the stop be seen.)
seq 1 50000 | awk '{ printf "{\"typeRaw\":\"text\",\"createdAt\":%d,\"textContent\":\"n%d\"}\n", 1700000000 + $1, $1 }' >"$home/big.jsonl"
stored() { sqlite3 "$home/$1/Brisa/Brisa.store" "select count(*) from ClipItem" 2>/dev/null || echo 0; }
reaches() { for _ in $(seq 300); do [ "$(stored "$1")" = "$2" ] && return 0; sleep 0.1; done; return 1; }
mkfifo "$home/pipe"
for how in INT KILL; do
  XDG_DATA_HOME="$home/$how" "$brisa" import "$home/pipe" >/dev/null 2>"$home/err" & pid=$!
  exec 3>"$home/pipe"
  head -n 45000 "$home/big.jsonl" >&3
  # Ctrl+C in a pipeline stops the writer too: the pipe ends as the import is told to stop.
  reaches "$how" 45000; kill -s "$how" $pid; exec 3>&-
  wait $pid 2>/dev/null; rc=$?
  part=$(stored "$how")
  check "an import stopped by SIG$how keeps a sound store with whole clips" \
    '[ "$(sqlite3 "$home/$how/Brisa/Brisa.store" "pragma integrity_check")" = ok ] && [ "$part" = 45000 ]'
  [ "$how" = INT ] && check "Ctrl+C stores what was read, says so and exits 5" '[ $rc -eq 5 ] && grep -q "interrumpida" "$home/err"'
  out=$(in_home "$how" import "$home/big.jsonl")
  check "a new run after SIG$how completes it" '[ "$out" = "$((50000 - part)) clips importados, $part ya estaban" ] && [ "$(stored "$how")" = 50000 ]'
done

exit $fail
