#!/usr/bin/env bash
# Configures and builds Arkwell into build/ (the application folder is build/app) as the
# user who runs it: everything, or the targets named (scripts/build.sh --target arkwell).
set -euo pipefail
cd "$(dirname "$0")/.."
# A build tree left by another user (say, an earlier build as root) can't be written into:
# say so instead of failing halfway.
if [ "$(id -u)" -ne 0 ] && [ -e build ] && [ -n "$(find build ! -user "$(id -u)" -print -quit)" ]; then
  echo "build/ holds files of another user; remove it (sudo rm -r build) or take it over" \
       "(sudo chown -R $(id -un): build), then run this again." >&2
  exit 1
fi
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2 "$@"
