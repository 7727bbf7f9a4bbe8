#!/usr/bin/env bash
# Renders the program icon's PNG sizes from packaging/arkwell.svg (needs rsvg-convert, from the
# Debian package librsvg2-bin). The PNGs are kept in the repository, so building needs neither.
set -euo pipefail
cd "$(dirname "$0")/../packaging"
for size in 16 22 24 32 48 64 128 256; do
  rsvg-convert -w "$size" -h "$size" arkwell.svg -o "icons/arkwell-$size.png"
done
