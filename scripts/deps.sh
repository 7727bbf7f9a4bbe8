#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Arkwell need, only those
# that are missing, so a second call is quick. Run as root.
set -euo pipefail
packages=(cmake g++ make pkg-config qt6-base-dev qt6-base-dev-tools libgl-dev libgtest-dev
          libbenchmark-dev zip unzip faketime xvfb xauth x11-utils desktop-file-utils xdg-utils)
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
if [ "${#missing[@]}" -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
