#!/usr/bin/env bash
# Draws the two pictures the program carries: the banner of the main window
# (resources/banner.png) and the application icon (resources/pindrel.ico).
# Both are committed; run this again only to change them. Needs ImageMagick and
# Debian's fonts-dejavu-core.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$here/resources}
font=/usr/share/fonts/truetype/dejavu/DejaVuSerif-Bold.ttf
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# Fixed output bytes: no time stamps or other metadata that change per run.
png_opts=(-strip -define png:exclude-chunks=date,time)

# Banner: 980 x 46, opaque RGBA, the name in black on white. The picture box
# shows only its left 328 columns, so the lettering must stay inside columns
# 17..327 and rows 5..43; it is trimmed to its ink and placed at (22, 7).
convert -background white -fill black -font "$font" -pointsize 44 -kerning 3 \
  label:Pindrel -trim +repage "$tmp/name.png"
read -r name_w name_h < <(identify -format '%w %h\n' "$tmp/name.png")
if [ "$name_w" -gt 305 ] || [ "$name_h" -gt 37 ]; then
  echo "make-art: lettering ${name_w}x${name_h} does not fit the banner" >&2
  exit 1
fi
convert -size 980x46 xc:white "$tmp/name.png" -geometry +22+7 -composite \
  -alpha opaque -depth 8 "${png_opts[@]}" PNG32:"$out/banner.png"

# Icon: one 32 x 32 image at 32 bits per pixel, a white P on a blue tile.
convert -size 32x32 xc:none \
  -fill '#1d4f91' -stroke '#0e2f5c' -strokewidth 1 -draw 'roundrectangle 1,1 30,30 6,6' \
  -stroke none -fill white -font "$font" -pointsize 24 -gravity center -annotate +0+1 P \
  -depth 8 "${png_opts[@]}" PNG32:"$tmp/icon.png"
convert "$tmp/icon.png" -define icon:auto-resize=32 "$out/pindrel.ico"

echo "make-art: wrote $out/banner.png and $out/pindrel.ico"
