#!/usr/bin/env bash
# The Debian package as Debian and a user meet it: lintian finds nothing to report, apt can
# install it on this system, and installed by dpkg into a throwaway root (never the system's own,
# so it needs no root and leaves any kazuroi the player has alone) the program answers --help and
# --version without a display and starts its window with one, from a shell and from its menu
# entry, and a purge leaves no file behind. Usage: check_deb.sh BUILD_DIR
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

apt-get install --simulate "$deb" >/dev/null 2>&1 || fail "apt cannot install it here"
echo "ok: apt can install it with its dependencies"

work=$(mktemp -d)
root=$work/root
xvfb=""
game=""
trap 'kill $game $xvfb 2>/dev/null; rm -rf "$work"' EXIT
mkdir -p "$root/var/lib/dpkg/updates" "$root/var/lib/dpkg/info"
: >"$root/var/lib/dpkg/status"
# The throwaway root holds none of the dependencies, which are this system's (checked above).
dpkg=(dpkg --root="$root" --log="$work/dpkg.log" --force-depends,script-chrootless)
[ "$(id -u)" -eq 0 ] || dpkg+=(--force-not-root)
"${dpkg[@]}" -i "$deb" >"$work/install.log" 2>&1 || fail "dpkg -i: $(cat "$work/install.log")"
files=$("${dpkg[@]}" -L kazuroi | while read -r f; do if [ -f "$root$f" ]; then echo "$f"; fi; done)
[ -x "$root/usr/games/kazuroi" ] || fail "no /usr/games/kazuroi"
env -u DISPLAY -u WAYLAND_DISPLAY "$root/usr/games/kazuroi" --help | grep -q '^Usage: kazuroi' ||
    fail "--help without a display"
[ "$(env -u DISPLAY -u WAYLAND_DISPLAY "$root/usr/games/kazuroi" --version)" = "kazuroi (かずろい) 3.00.0002" ] ||
    fail "--version without a display"
echo "ok: --help and --version without a display"

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")" XDG_CONFIG_HOME="$work/config" QT_QPA_PLATFORM=xcb
export LC_ALL=C.UTF-8 # xdotool matches a Japanese title only in a UTF-8 locale
# As a user starts it: from a shell whose PATH has the games folder, and from the menu entry
# (whose program lies in the throwaway root).
menu=$(sed -n 's/^Exec=//p' "$root/usr/share/applications/io.github.kazuroi.kazuroi.desktop")
[ "$menu" = /usr/games/kazuroi ] || fail "the menu entry starts '$menu'"
for command in "env PATH=/usr/bin:/bin:$root/usr/games kazuroi" "$root$menu"; do
    $command 2>/dev/null &
    game=$!
    timeout 20 xdotool search --sync --all --onlyvisible --pid "$game" --name '^かずろい$' \
        >/dev/null || fail "no start-up box from '$command'"
    kill "$game"
    wait "$game" 2>/dev/null || true
    game=""
done
echo "ok: the installed game starts from \`kazuroi\` and from its menu entry ($menu)"

"${dpkg[@]}" --purge kazuroi >>"$work/install.log" 2>&1 || fail "dpkg --purge: $(cat "$work/install.log")"
left=$(for f in $files; do if [ -e "$root$f" ]; then echo "$f"; fi; done)
[ -z "$left" ] || fail "left after purge: $left"
echo "ok: purged without leaving a file"
