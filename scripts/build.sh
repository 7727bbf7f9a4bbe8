#!/usr/bin/env bash
# Configures and builds Arkwell into build/ (the application folder is build/app).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2
