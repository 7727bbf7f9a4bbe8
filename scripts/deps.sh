#!/usr/bin/env bash
# Installs the Debian packages that building and running Arkwell need, only those that are
# missing, so a second call is quick. With --package it adds what building the Debian package
# needs; with --tests, what the tests need too (they build and check the package as well).
# An ordinary user is asked for the sudo password only when something is missing; root
# installs with apt-get directly.
set -euo pipefail
packages=(cmake g++ make pkg-config qt6-base-dev qt6-base-dev-tools libgl-dev zlib1g-dev zip unzip xdg-utils)
package_tools=(dpkg-dev file)
test_tools=(libgtest-dev faketime procps util-linux xvfb xauth x11-utils desktop-file-utils
            dbus-daemon lintian appstream)
for option in "$@"; do
  case $option in
    --package) packages+=("${package_tools[@]}") ;;
    --tests) packages+=("${package_tools[@]}" "${test_tools[@]}") ;;
    *) echo "usage: $0 [--package] [--tests]" >&2; exit 2 ;;
  esac
done
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
