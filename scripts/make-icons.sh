#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Renders the PNG icons of data/icons/hicolor/ from data/icons/io.lumora.Lumora.svg
# (needs rsvg-convert, Debian package librsvg2-bin). The PNGs are committed;
# run this after changing the SVG.
set -euo pipefail
cd "$(dirname "$0")/.."
svg=data/icons/io.lumora.Lumora.svg
for size in 16 32 48 64 128 256; do
  dir=data/icons/hicolor/${size}x${size}/apps
  mkdir -p "$dir"
  rsvg-convert -w "$size" -h "$size" "$svg" -o "$dir/io.lumora.Lumora.png"
done
