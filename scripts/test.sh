#!/usr/bin/env bash
# Installs what is missing (the test tools too), builds Arkwell and its tests and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh --tests
bash scripts/build.sh
cd build && ctest --output-on-failure -j2 --timeout 600
