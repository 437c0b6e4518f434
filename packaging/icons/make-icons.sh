#!/usr/bin/env bash
# Derives every icon image from kazuroi.svg (needs rsvg-convert from librsvg2-bin, and ImageMagick):
# the hicolor sizes and the web page's, and the three images of the program's own icon (32x32 in 2
# colours, 32x32 and 16x16 in 16 colours) as one .ico.
set -euo pipefail
cd "$(dirname "$0")"
for size in 16 32 48 64 128 192 256 512; do
    rsvg-convert -w "$size" -h "$size" kazuroi.svg -o "kazuroi-$size.png"
done
# For the web page's manifest, a maskable image: the icon within the middle 80 % that every mask
# keeps, on its own green to the edges.
rsvg-convert -w 400 -h 400 kazuroi.svg -o kazuroi-maskable-inner.png
convert -size 512x512 xc:'#43a047' kazuroi-maskable-inner.png -gravity center -composite \
    -strip kazuroi-maskable-512.png
rm kazuroi-maskable-inner.png
convert kazuroi-32.png -background white -flatten -colors 2 -type bilevel kazuroi-32-2colour.png
convert kazuroi-32.png -background white -flatten -colors 16 PNG8:kazuroi-32-16colour.png
convert kazuroi-16.png -background white -flatten -colors 16 PNG8:kazuroi-16-16colour.png
convert kazuroi-32-2colour.png kazuroi-32-16colour.png kazuroi-16-16colour.png kazuroi.ico
rm kazuroi-32-2colour.png kazuroi-32-16colour.png kazuroi-16-16colour.png
