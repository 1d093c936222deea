#!/usr/bin/env bash
# Renders the program icon (packaging/icons/corvella.svg) into the PNG sizes
# of the hicolor icon theme, under packaging/icons/hicolor/. Run it after
# changing the SVG and commit the PNGs with it.
set -euo pipefail
cd "$(dirname "$0")/../packaging/icons"
for size in 16 22 24 32 48 64 128 256; do
  mkdir -p "hicolor/${size}x${size}/apps"
  # ImageMagick renders the SVG through rsvg-convert (librsvg2-bin); -strip
  # keeps time stamps out, so an unchanged icon gives unchanged files.
  convert -background none -density 384 corvella.svg -resize "${size}x${size}" -strip \
    "PNG32:hicolor/${size}x${size}/apps/corvella.png"
done
echo "make-icons: $(ls -d hicolor/*/apps/corvella.png | wc -l) sizes written"
