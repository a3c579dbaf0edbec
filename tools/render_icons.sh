#!/usr/bin/env bash
# Renders the application icon's hicolor PNG sizes from its SVG. The PNGs are
# committed; run this again after changing the SVG (needs librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")/../data/icons/hicolor"

name=com.tavrelle.QuillmereTandrovel
for size in 16 22 24 32 48 64 128 256; do
  mkdir -p "${size}x${size}/apps"
  rsvg-convert -w "$size" -h "$size" "scalable/apps/$name.svg" -o "${size}x${size}/apps/$name.png"
done
