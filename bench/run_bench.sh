#!/bin/bash
# Builds the backup benchmark and runs it: bash bench/run_bench.sh [files] [megabytes]
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build >/dev/null
cmake --build build -j2 --target backup_bench >/dev/null
exec build/bench/backup_bench "$@"
