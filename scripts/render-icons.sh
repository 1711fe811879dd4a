#!/usr/bin/env bash
# Renders the application icon's PNG sizes from its SVG. The PNGs are kept in
# the repository so a build needs no SVG renderer; run this (Debian package
# librsvg2-bin) after changing the SVG and commit the result.
set -euo pipefail
cd "$(dirname "$0")/../resources/icons/hicolor"
name=org.kr5061.Companion
for size in 16 22 24 32 48 64 128 256; do
  mkdir -p "${size}x${size}/apps"
  rsvg-convert -w "$size" -h "$size" "scalable/apps/$name.svg" -o "${size}x${size}/apps/$name.png"
done
