#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The Debian package from start to end: built by CPack from the build folder, checked by lintian,
# installed with apt, its program, man page, desktop entry, metainfo and completions used, Brisa
# started by D-Bus activation for `brisa toggle`, then removed with nothing of it left behind.
# Usage (under with-display.sh, as root): package.sh BUILD_DIR
set -u
build=$1
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../app/common.sh"

if [ "$(id -u)" != 0 ]; then echo "skip: installing a package needs root"; exit 77; fi
if dpkg-query -W -f='${Status}' brisa 2>/dev/null | grep -q "ok installed"; then
  echo "skip: a brisa package is installed already; the test would remove it"; exit 77
fi

work=$(mktemp -d)
installed=0
brisa_pid=""
cleanup() {
  [ -n "$brisa_pid" ] && kill "$brisa_pid" 2>/dev/null
  [ "$installed" = 1 ] && DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq brisa >/dev/null 2>&1
  rm -rf "$work" "$home"
}
trap cleanup EXIT

# Built from what the build folder has compiled, into a folder of its own.
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1
deb=$(ls "$work"/brisa_*.deb 2>/dev/null | head -n 1)
check "cpack builds the package" '[ -n "$deb" ]' || { cat "$work/cpack.log"; exit 1; }
check "its dependencies come from the libraries linked" \
  'dpkg-deb -f "$deb" Depends | grep -q "libqt6core6" && dpkg-deb -f "$deb" Depends | grep -q "libsqlite3-0"'

lintian --fail-on error --tag-display-limit 0 "$deb" >"$work/lintian.log" 2>&1; lintian_rc=$?
check "lintian finds no error" '[ $lintian_rc -eq 0 ]' || cat "$work/lintian.log"

DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" >"$work/apt.log" 2>&1 && installed=1
check "apt-get installs it" '[ $installed = 1 ]' || { cat "$work/apt.log"; exit 1; }
dpkg -L brisa | sort >"$work/files"

check "the installed brisa --version" '[ "$(/usr/bin/brisa --version)" = "brisa $(dpkg-query -W -f="\${Version}" brisa)" ]'
check "its modules are private, in /usr/lib/brisa" \
  '[ "$(grep -c "^/usr/lib/brisa/libbrisa-\(app\|store\|image\)\.so$" "$work/files")" = 3 ]'
check "the installed brisa history runs with no Qt loaded" \
  'loaded=$(LD_DEBUG=libs /usr/bin/brisa history --limit 1 2>&1 >/dev/null) && grep -q "calling init: .*libbrisa-store" <<<"$loaded" &&
   ! grep -q "calling init: .*libQt6" <<<"$loaded"'
check "man brisa shows the page" 'MANPAGER=cat MANWIDTH=80 man brisa 2>/dev/null | grep -q "paste-slot N"'
# Every command and option of `brisa --help` is in the man page and both completions.
words=$(/usr/bin/brisa --help | grep -oE -- '^  [a-z][a-z-]*|--[a-z-]+' | sort -u)
MANPAGER=cat MANWIDTH=200 man brisa >"$work/man.txt" 2>/dev/null
missing=$(for w in $words; do
  for f in "$work/man.txt" /usr/share/bash-completion/completions/brisa /usr/share/zsh/vendor-completions/_brisa; do
    grep -q -- "$w" "$f" || echo "$w in $f"
  done
done)
check "man page and completions know every command and option of --help ($(echo $words | wc -w))" \
  '[ -z "$missing" ]' || echo "$missing"
check "the desktop entry is valid" 'desktop-file-validate /usr/share/applications/org.brisa.Brisa.desktop'
check "the metainfo is valid" 'appstreamcli validate --no-net /usr/share/metainfo/org.brisa.Brisa.metainfo.xml >"$work/as.log" 2>&1' ||
  cat "$work/as.log"
check "icons in hicolor: SVG, PNG sizes and the symbolic one" \
  '[ -f /usr/share/icons/hicolor/scalable/apps/org.brisa.Brisa.svg ] &&
   [ "$(identify -format "%wx%h" /usr/share/icons/hicolor/48x48/apps/org.brisa.Brisa.png)" = 48x48 ] &&
   [ -f /usr/share/icons/hicolor/symbolic/apps/org.brisa.Brisa-symbolic.svg ]'
# What bash offers at the end of a command line, with the installed completion loaded.
complete_line() {
  bash -c 'source /usr/share/bash-completion/bash_completion; source /usr/share/bash-completion/completions/brisa
    COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}; _brisa; echo "${COMPREPLY[*]}"' \
    complete "$@" 2>/dev/null
}
check "bash completes commands, options and their values" \
  '[ "$(complete_line brisa qu)" = quick-note ] && [ "$(complete_line brisa history --)" = "--limit --json" ] &&
   [ "$(complete_line brisa image ab conv)" = convert ] && [ "$(complete_line brisa image ab convert "")" = "png jpeg tiff" ] &&
   [ "$(complete_line brisa export --type text,co)" = "text,code text,color" ]'
check "the zsh completion parses" 'zsh -n /usr/share/zsh/vendor-completions/_brisa'

# The test session's own bus starts nothing: with the package installed, the other tests still
# find no Brisa where none was started.
check "the test session's bus does not start the installed brisa" \
  'brisa toggle 2>/dev/null; [ $? -eq 4 ]'

# brisa toggle with no Brisa running: a private bus whose only services are the installed ones
# starts /usr/bin/brisa, which takes the call and opens its panel.
# A Pinbox autostart entry makes Brisa write its own at start: the installed program is named bare.
mkdir -p "$XDG_CONFIG_HOME/autostart"
printf '[Desktop Entry]\nType=Application\nName=Pinbox\nExec=pinbox\n' >"$XDG_CONFIG_HOME/autostart/pinbox.desktop"
sed "s|@SERVICEDIR@|/usr/share/dbus-1/services|" "$here/../support/activation-bus.conf.in" >"$work/bus.conf"
dbus-run-session --config-file="$work/bus.conf" -- bash -c '
  work=$1
  brisa toggle >"$work/toggle.out" 2>&1; echo $? >"$work/toggle.rc"
  dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
    org.freedesktop.DBus.GetConnectionUnixProcessID string:org.brisa.Brisa 2>/dev/null |
    sed -n "s/^ *uint32 //p" >"$work/brisa.pid"
  pid=$(cat "$work/brisa.pid")
  readlink "/proc/$pid/exe" >"$work/brisa.exe" 2>/dev/null
  for _ in $(seq 600); do grep -q "Orden recibida: toggle" "$work/brisa.log" && break; sleep 0.1; done
  kill "$pid" 2>/dev/null
  for _ in $(seq 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
' activation "$work" 2>"$work/brisa.log"
brisa_pid=$(cat "$work/brisa.pid" 2>/dev/null)
check "brisa toggle with none running succeeds" '[ "$(cat "$work/toggle.rc")" = 0 ]' || cat "$work/toggle.out"
check "the bus started the installed brisa" '[ "$(cat "$work/brisa.exe")" = /usr/bin/brisa ]'
check "which took the toggle" 'grep -q "Orden recibida: toggle" "$work/brisa.log"' || tail -n 20 "$work/brisa.log"
check "its autostart entry runs brisa from PATH" 'grep -qx "Exec=brisa" "$XDG_CONFIG_HOME/autostart/brisa.desktop"'
check "and quits on SIGTERM" '[ -n "$brisa_pid" ] && ! kill -0 "$brisa_pid" 2>/dev/null'

DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq brisa >"$work/purge.log" 2>&1 && installed=0
check "apt-get removes it" '[ $installed = 0 ] && ! dpkg-query -W -f="\${Status}" brisa 2>/dev/null | grep -q installed' ||
  cat "$work/purge.log"
# What is still there after removal must belong to another package (shared folders such as /usr/bin).
left=()
while read -r path; do
  [ "$path" = /. ] && continue
  [ -e "$path" ] || [ -L "$path" ] || continue
  if [ ! -d "$path" ] || ! dpkg -S "$path" >/dev/null 2>&1; then left+=("$path"); fi
done <"$work/files"
check "no file of it is left" '[ ${#left[@]} -eq 0 ]' || printf 'left: %s\n' "${left[@]}"

exit $fail
