#!/usr/bin/env bash
# Installs what is missing, builds Arkwell and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
bash scripts/build.sh
exec build/app/arkwell "$@"
