#!/usr/bin/env bash
# Writes small seed pictures of every kind the readers accept into a folder
# with ImageMagick; files already there are kept. Used by tools/fuzz.sh.
set -euo pipefail
out="$1"
C=/usr/bin/convert
[ -x "$C" ] || exit 0
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
cd "$tmp"
$C -seed 7 -size 13x9 plasma:fractal -depth 8 base.ppm
$C base.ppm \( -size 13x9 gradient:white-black \) -alpha off -compose CopyOpacity -composite PNG32:rgba.png
$C base.ppm -colors 40 -type palette seed-palette.pcx
$C base.ppm -type truecolor seed-planes.pcx
$C rgba.png -compress RLE seed-rle32.tga
$C base.ppm -colorspace Gray -depth 4 -define png:bit-depth=4 -define png:color-type=0 seed-gray4.png
$C rgba.png -colors 30 PNG8:seed-palette.png
$C rgba.png -interlace PNG PNG64:seed-interlaced16.png
$C base.ppm -quality 80 seed-baseline.jpg
$C base.ppm -interlace JPEG seed-progressive.jpg
$C base.ppm -colorspace Gray seed-gray.jpg
cp -n seed-* "$out"/
