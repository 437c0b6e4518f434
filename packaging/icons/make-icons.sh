#!/usr/bin/env bash
# Derives every icon image from kazuroi.svg (needs rsvg-convert from librsvg2-bin, and ImageMagick): the hicolor sizes, and the three
# images of the program's own icon (32x32 in 2 colours, 32x32 and 16x16 in 16 colours) as one .ico.
set -euo pipefail
cd "$(dirname "$0")"
for size in 16 32 48 64 128 256; do
    rsvg-convert -w "$size" -h "$size" kazuroi.svg -o "kazuroi-$size.png"
done
convert kazuroi-32.png -background white -flatten -colors 2 -type bilevel kazuroi-32-2colour.png
convert kazuroi-32.png -background white -flatten -colors 16 PNG8:kazuroi-32-16colour.png
convert kazuroi-16.png -background white -flatten -colors 16 PNG8:kazuroi-16-16colour.png
convert kazuroi-32-2colour.png kazuroi-32-16colour.png kazuroi-16-16colour.png kazuroi.ico
rm kazuroi-32-2colour.png kazuroi-32-16colour.png kazuroi-16-16colour.png
