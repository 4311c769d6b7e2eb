#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The resident program maps the image libraries only once an image comes to it, and without its
# image module it still keeps what is copied.
# Usage: image_module.sh BRISA   (run under with-display.sh)
set -u
brisa="$1"
. "$(dirname "$0")/common.sh"
db="$XDG_DATA_HOME/Brisa/Brisa.store"
newest() { "$brisa" history --json --limit 1 | jq -r ".[0].$1"; }
# wait_for CONDITION: until it holds, at most 30 s (the first recognition loads its language data).
wait_for() { for _ in $(seq 300); do eval "$1" && return 0; sleep 0.1; done; return 1; }
clips() { "$brisa" history --json | jq length; }
# image_libs PID: the image libraries the process has mapped, one per line.
image_libs() { grep -oE '/lib(vips|tesseract|opencv_[a-z]+|heif)\.so[^ ]*' "/proc/$1/maps" | sort -u; }
app=
trap '[ -n "$app" ] && kill $app 2>/dev/null; wait 2>/dev/null; rm -rf "$home"' EXIT
convert -size 420x120 xc:white -fill black -pointsize 48 -annotate +20+80 "Hola Brisa" "$home/text.png"
convert -size 300x200 gradient:green-white "$home/b.png"

"$brisa" 2>"$home/app.log" & app=$!
wait_ready "$home/app.log"
check "started on an empty history, it maps none of the image libraries" '[ -z "$(image_libs $app)" ]'
xclip -selection clipboard -t image/png -i "$home/text.png"
check "a copied image becomes an image clip with a thumbnail" \
  'wait_for "[ \"\$(clips)\" = 1 ]" && [ "$(newest typeRaw)" = image ] &&
   [ "$(sqlite3 "$db" "select length(thumbnailData) > 0 from ClipItem")" = 1 ]'
check "its text is recognised" 'wait_for "[[ \"\$(newest ocrText)\" == *Hola* ]]"'
check "the image libraries are mapped once an image came" \
  'image_libs $app | grep -q libvips && image_libs $app | grep -q libtesseract'
kill $app; wait $app

# The same program with its image module missing: images still become clips, without thumbnails.
alone="$home/alone"; mkdir "$alone"
cp "$brisa" "$(dirname "$brisa")/libbrisa-app.so" "$alone/"
rm -rf "$XDG_DATA_HOME"
"$alone/brisa" 2>"$home/alone.log" & app=$!
wait_ready "$home/alone.log"
xclip -selection clipboard -t image/png -i "$home/text.png"
wait_for "[ \"\$(clips)\" = 1 ]"
xclip -selection clipboard -t image/png -i "$home/b.png"
check "without the image module two copied images are still two image clips, without thumbnails" \
  'wait_for "[ \"\$(clips)\" = 2 ]" && [ "$(newest typeRaw)" = image ] &&
   [ "$(sqlite3 "$db" "select count(*) from ClipItem where thumbnailData is null")" = 2 ]'
check "the missing module is logged once" '[ "$(grep -c "No se pudo cargar .*libbrisa-image.so" "$home/alone.log")" = 1 ]'
check "and the program goes on" 'kill -0 $app'
[ $fail -eq 0 ] || { echo "--- app log"; cat "$home/app.log"; echo "--- without the module"; cat "$home/alone.log"; }
exit $fail
