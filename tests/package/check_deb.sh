#!/usr/bin/env bash
# The Debian package as Debian and a user meet it: lintian finds nothing to report, apt-get
# installs it, the program answers --help and --version without a display and starts its window
# with one, and a purge leaves no file behind. Usage: check_deb.sh BUILD_DIR
set -eu
deb=$(realpath "$1"/kazuroi_*_*.deb)
fail() {
    echo "FAILED: $*"
    exit 1
}

# Errors and warnings fail; informational and pedantic tags are shown (each has its reason in
# the note on the packaging) but do not.
lintian --fail-on error,warning --display-info --pedantic "$deb" || fail "lintian"
echo "ok: lintian"

apt-get install -y -qq "$deb" >/dev/null
files=$(dpkg -L kazuroi | while read -r f; do if [ -f "$f" ]; then echo "$f"; fi; done)
[ -x /usr/games/kazuroi ] || fail "no /usr/games/kazuroi"
env -u DISPLAY -u WAYLAND_DISPLAY /usr/games/kazuroi --help | grep -q '^Usage: kazuroi' ||
    fail "--help without a display"
[ "$(env -u DISPLAY -u WAYLAND_DISPLAY /usr/games/kazuroi --version)" = "kazuroi (かずろい) 3.00.0002" ] ||
    fail "--version without a display"
echo "ok: --help and --version without a display"

work=$(mktemp -d)
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb=$!
game=""
trap 'kill $game $xvfb 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")" XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=xcb
export LC_ALL=C.UTF-8 # xdotool matches a Japanese title only in a UTF-8 locale
# As a user starts it: from a shell, whose PATH has /usr/games, and from the menu entry.
menu=$(sed -n 's/^Exec=//p' /usr/share/applications/io.github.kazuroi.kazuroi.desktop)
for command in "env PATH=/usr/bin:/bin:/usr/games kazuroi" "$menu"; do
    $command 2>/dev/null &
    game=$!
    timeout 20 xdotool search --sync --all --onlyvisible --pid "$game" --name '^かずろい$' \
        >/dev/null || fail "no start-up box from '$command'"
    kill "$game"
    wait "$game" 2>/dev/null || true
    game=""
done
echo "ok: the installed game starts from \`kazuroi\` and from its menu entry ($menu)"

apt-get purge -y -qq kazuroi >/dev/null
left=$(for f in $files; do if [ -e "$f" ]; then echo "$f"; fi; done)
[ -z "$left" ] || fail "left after purge: $left"
echo "ok: purged without leaving a file"
