#!/usr/bin/env bash
# The Debian package as a user meets it: installed with apt-get, started, its window shown.
set -eu
deb=$(realpath "$1"/kazuroi_*_*.deb)
apt-get install -y -qq "$deb" >/dev/null
work=$(mktemp -d)
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb=$!
game=""
trap 'kill $game $xvfb 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")" XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=xcb
/usr/bin/kazuroi 2>/dev/null &
game=$!
xdotool search --sync --onlyvisible --name '^かずろい$' >/dev/null
sleep 0.3
xdotool key Return
timeout 10 xdotool search --sync --onlyvisible --name 'kazuroi$' >/dev/null
echo "the installed package starts: ok"
