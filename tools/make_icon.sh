#!/usr/bin/env bash
# Draws the window's icon "Icon1" (src/app/resources/calvorn.ico): a white pi
# on a blue rounded square, at 48, 32 and 16 pixels. Run by hand when the
# design changes; the .ico is committed. Needs ImageMagick and the DejaVu fonts.
set -euo pipefail
cd "$(dirname "$0")/../src/app/resources"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
convert -size 256x256 xc:none -fill '#1f5fbf' -draw 'roundrectangle 8,8 247,247 44,44' \
        -font DejaVu-Sans-Bold -pointsize 210 -fill white -gravity center -annotate +0+8 'π' \
        "$work/pi256.png"
for size in 48 32 16; do
  convert "$work/pi256.png" -filter Lanczos -resize ${size}x${size} "$work/pi$size.png"
done
convert "$work/pi48.png" "$work/pi32.png" "$work/pi16.png" calvorn.ico
