#!/usr/bin/env bash
# Installs what is missing, builds the program alone (no tests) and starts it; arguments go to
# the program.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
bash scripts/build.sh --target arkwell
exec build/app/arkwell "$@"
