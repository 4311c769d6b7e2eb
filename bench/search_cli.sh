#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# `brisa search` over a CLIPS-clip store made by make_history (thumbnails on about a fifth of the
# clips, as a long-used history has): exec to exit for a common word, a rare word and a kind
# filter with a word, with the CPU time the process took (user + system). The first run after
# make_history is left out: it is the one that adds the search index to an older store.
# Usage: search_cli.sh BRISA MAKE_HISTORY [CLIPS] [RUNS]
set -eu
if [ $# -lt 2 ]; then
  echo "uso: search_cli.sh BRISA MAKE_HISTORY [CLIPS] [RUNS]" >&2
  exit 2
fi
brisa=$(realpath "$1"); make_history=$(realpath "$2"); clips="${3:-100000}"; runs="${4:-10}"
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
export HOME="$home" XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data"
"$make_history" "$clips" >/dev/null
"$brisa" search "" --limit 1 >/dev/null

# "median M ms, min N ms" of the numbers given.
summary() {
  printf "%s\n" "$@" | sort -g | awk '{ v[NR] = $1 } END {
    m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
    printf "median %.1f ms, min %.1f ms (%d runs)", m, v[1], NR }'
}
# Milliseconds from two $EPOCHREALTIME readings: wall time to a tenth of a millisecond, where
# time(1) gives hundredths of a second.
ms() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.1f", (b - a) * 1000 }'; }
for query in "la" "informe" "@link foo"; do
  wall=(); cpu=()
  for _ in $(seq "$runs"); do
    a=$EPOCHREALTIME
    "$brisa" search "$query" >/dev/null
    b=$EPOCHREALTIME
    wall+=("$(ms "$a" "$b")")
    out=$( { /usr/bin/time -f "%U %S" "$brisa" search "$query" >/dev/null; } 2>&1 | tail -n 1)
    cpu+=("$(echo "$out" | awk '{ print ($1 + $2) * 1000 }')")
  done
  found=$("$brisa" search "$query" | wc -l)
  echo "brisa search \"$query\" ($clips clips, $found found), exec to exit: $(summary "${wall[@]}");" \
       "CPU: $(summary "${cpu[@]}")"
done
echo "load: $(cut -d' ' -f1-3 /proc/loadavg)"
