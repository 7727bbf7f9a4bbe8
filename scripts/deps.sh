#!/usr/bin/env bash
# Installs the Debian packages that building, running, testing and packaging Arkwell need,
# only those that are missing, so a second call is quick. An ordinary user is asked for the
# sudo password only when something is missing; root installs with apt-get directly.
set -euo pipefail
packages=(cmake g++ make pkg-config qt6-base-dev qt6-base-dev-tools libgl-dev zlib1g-dev libzip-dev libgtest-dev
          libbenchmark-dev zip unzip faketime procps xvfb xauth x11-utils desktop-file-utils xdg-utils
          dbus-daemon dpkg-dev file lintian appstream)
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
[ "${#missing[@]}" -eq 0 ] && exit 0

as_root=()
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo > /dev/null || {
    echo "These Debian packages are missing: ${missing[*]}" >&2
    echo "Install them as root (apt-get install ${missing[*]}), or install sudo, then run this again." >&2
    exit 1
  }
  echo "Installing the missing Debian packages (sudo may ask for your password): ${missing[*]}"
  as_root=(sudo)
fi
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
