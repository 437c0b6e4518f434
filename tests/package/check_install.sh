#!/usr/bin/env bash
# `cmake --install` into a scratch prefix: the program, its menu entry (starting it where it was
# installed), AppStream data, manual page, icons and documents, each validated where the
# validators are installed. The program is stripped only when the install is asked to strip, so
# that a distribution's own build keeps its symbols for a debug package.
set -eu
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
desktop=$prefix/share/applications/io.github.kazuroi.kazuroi.desktop
for f in games/kazuroi share/applications/io.github.kazuroi.kazuroi.desktop \
         share/metainfo/io.github.kazuroi.kazuroi.metainfo.xml share/man/man6/kazuroi.6.gz \
         share/doc/kazuroi/copyright share/doc/kazuroi/changelog.gz share/doc/kazuroi/README.md.gz \
         share/icons/hicolor/scalable/apps/kazuroi.svg; do
    [ -e "$prefix/$f" ] || { echo "missing: $f"; exit 1; }
done
for size in 16 32 48 64 128 256; do
    icon="$prefix/share/icons/hicolor/${size}x${size}/apps/kazuroi.png"
    [ -e "$icon" ] || { echo "missing: $size px icon"; exit 1; }
done
grep -qx 'Name=Kazuroi' "$desktop" && grep -qx 'Name[[]ja[]]=かずろい' "$desktop"
grep -qx 'Categories=Game;LogicGame;' "$desktop"
grep -qx "Exec=$prefix/games/kazuroi" "$desktop" || { echo "menu entry: $(grep Exec "$desktop")"; exit 1; }
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$desktop"
fi
if command -v appstreamcli >/dev/null; then
    appstreamcli validate --pedantic --no-net "$prefix"/share/metainfo/*.xml
fi
sections() { readelf -S --wide "$1" | awk '{ print $2 }'; }
sections "$prefix/games/kazuroi" | grep -qx '.symtab' || { echo "installed stripped unasked"; exit 1; }
cmake --install "$build" --prefix "$prefix" --strip >/dev/null
if sections "$prefix/games/kazuroi" | grep -Eqx '\.symtab|\.debug_info|\.comment'; then
    echo "--strip left: $(sections "$prefix/games/kazuroi" | grep -Ex '\.symtab|\.debug_info|\.comment')"
    exit 1
fi
echo "install layout ok"
