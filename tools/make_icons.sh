#!/usr/bin/env bash
# Renders the program's icon data/icons/vantorel.svg into the PNG sizes of the hicolor theme
# (needs rsvg-convert from librsvg2-bin). Run after changing the SVG; the PNGs are committed.
set -euo pipefail
cd "$(dirname "$0")/../data/icons"
for size in 16 22 24 32 48 64 128 256; do
  rsvg-convert -w "$size" -h "$size" vantorel.svg -o "vantorel-$size.png"
done
