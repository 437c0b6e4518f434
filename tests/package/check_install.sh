#!/usr/bin/env bash
# `cmake --install` into a scratch prefix: the program, its desktop entry, AppStream data and icons,
# each validated where the validators are installed.
set -eu
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
for f in bin/kazuroi share/applications/io.github.kazuroi.Kazuroi.desktop \
         share/metainfo/io.github.kazuroi.Kazuroi.metainfo.xml \
         share/icons/hicolor/scalable/apps/kazuroi.svg; do
    [ -e "$prefix/$f" ] || { echo "missing: $f"; exit 1; }
done
for size in 16 32 48 64 128 256; do
    icon="$prefix/share/icons/hicolor/${size}x${size}/apps/kazuroi.png"
    [ -e "$icon" ] || { echo "missing: $size px icon"; exit 1; }
done
grep -qx 'Name=かずろい' "$prefix/share/applications/io.github.kazuroi.Kazuroi.desktop"
grep -qx 'Categories=Game;LogicGame;' "$prefix/share/applications/io.github.kazuroi.Kazuroi.desktop"
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$prefix"/share/applications/*.desktop
fi
if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net "$prefix"/share/metainfo/*.xml
fi
echo "install layout ok"
