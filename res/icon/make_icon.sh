#!/usr/bin/env bash
# Draws the application icon (a shared folder with a play mark and signal
# arcs) with ImageMagick and writes the three PNG sizes and the .ico.
# The results are committed; run this again only to change the artwork.
set -euo pipefail
cd "$(dirname "$0")"

master=$(mktemp --suffix=.png)
trap 'rm -f "$master"' EXIT

# 512 x 512 master: blue rounded tile, white folder, blue play triangle,
# two white signal arcs above the folder.
convert -size 512x512 xc:none \
  -fill '#2277cc' -draw 'roundrectangle 16,16 495,495 96,96' \
  \( -size 512x512 gradient:'#39a6ea-#17468f' \) \
  -compose SrcAtop -composite -compose Over \
  -fill white -stroke none \
  -draw 'roundrectangle 88,168 268,232 24,24' \
  -draw 'roundrectangle 88,200 424,420 32,32' \
  -fill '#1a4f9c' -draw 'polygon 220,250 220,370 326,310' \
  -draw "fill none stroke white stroke-width 24 stroke-linecap round arc 270,60 450,240 235,305" \
  -draw "fill none stroke white stroke-width 24 stroke-linecap round arc 315,105 405,195 235,305" \
  "$master"

for size in 32 48 64; do
  convert "$master" -filter Lanczos -resize ${size}x${size} \
    -define png:exclude-chunks=date,time PNG32:vomra-$size.png
done
# Windows wants the icon in 24 bits per pixel, with a transparency mask.
./make_ico.py ../VomraServer.ico vomra-32.png vomra-48.png vomra-64.png
