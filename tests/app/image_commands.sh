#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# brisa image ID ...: each operation adds a new clip and leaves the source alone, in a private home.
set -u
brisa="$1"
. "$(dirname "$0")/common.sh"
trap 'rm -rf "$home"' EXIT
images="$XDG_DATA_HOME/Brisa/images"
file_of() { "$brisa" show "$1" --json | jq -r .imageFileName; }

convert -size 400x300 xc:white -fill red -draw "circle 200,150 200,60" "$home/disc.png"
src=$("$brisa" add --image "$home/disc.png")
src_file=$(file_of "$src")
src_sum=$(md5sum <"$images/$src_file")

id=$("$brisa" image "$src" resize 0.5); rc=$?
check "resize prints the new id" '[ $rc -eq 0 ] && [[ "$id" =~ ^[0-9A-F-]{36}$ ]] && [ "$id" != "$src" ]'
check "the resized clip is half the size, PNG, from Brisa" \
  '[ "$(identify -format "%m %w %h" "$images/$(file_of "$id")")" = "PNG 200 150" ] && [ "$("$brisa" show "$id" --json | jq -r .sourceAppName)" = Brisa ]'
check "the new clip comes first" '[ "$("$brisa" history --limit 1 | cut -c1-36)" = "$id" ]'

json=$("$brisa" image "${src:0:8}" convert tiff --json); rc=$?
check "convert --json prints the record, with a .tiff file" \
  '[ $rc -eq 0 ] && [ "$(echo "$json" | jq -r .typeRaw)" = image ] && [[ "$(echo "$json" | jq -r .imageFileName)" == *.tiff ]]'
cut=$("$brisa" image "$src" remove-background --json)
check "remove-background makes a transparent PNG of the same size" \
  '[ "$(identify -format "%m %w %h %A" "$images/$(echo "$cut" | jq -r .imageFileName)")" = "PNG 400 300 Blend" ] || [ "$(identify -format "%m %w %h %A" "$images/$(echo "$cut" | jq -r .imageFileName)")" = "PNG 400 300 True" ]'
small=$("$brisa" image "$src" compress --json)
check "compress makes a HEIC or JPEG clip" '[[ "$(echo "$small" | jq -r .imageFileName)" =~ \.(heic|jpg)$ ]]'
check "the source clip and its file are unchanged" \
  '[ "$(file_of "$src")" = "$src_file" ] && [ "$(md5sum <"$images/$src_file")" = "$src_sum" ]'

count=$("$brisa" history --json | jq length)
"$brisa" image "$src" resize 1.5 2>/dev/null; rc=$?
check "a bad scale exits 2" '[ $rc -eq 2 ]'
"$brisa" image "$src" convert gif 2>/dev/null; rc=$?
check "a bad format exits 2" '[ $rc -eq 2 ]'
text=$("$brisa" add "hola")
"$brisa" image "$text" compress 2>/dev/null; rc=$?
check "a text clip gives no clip and exits 1" '[ $rc -eq 1 ]'
convert -size 300x200 xc:teal "$home/flat.png"
flat=$("$brisa" add --image "$home/flat.png")
"$brisa" image "$flat" remove-background 2>"$home/err"; rc=$?
check "no subject gives no clip and exits 1" '[ $rc -eq 1 ] && ! grep -q "removeBackground" "$home/err"'
"$brisa" image 0000 resize 0.5 2>/dev/null; rc=$?
check "an unknown clip exits 1" '[ $rc -eq 1 ]'
check "failed operations added nothing" '[ "$("$brisa" history --json | jq length)" = $((count + 2)) ]'
exit $fail
