#!/usr/bin/env bash
# Takes the pictures of the preferences dialog, the about box, the file picker and the six
# steps of the job wizard, the job list (also after real runs: a completed, a failed and a running job, with the tray
# icon's tooltip, and a completed run that raised no notification), the log window and the Restore window under a virtual display (Xvfb) and writes them into
# docs/. Build first (scripts/build.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
mkdir -p docs
env -u QT_QPA_PLATFORM LC_ALL=C.UTF-8 xvfb-run -a -s "-screen 0 1280x800x24" build/docs/dialog_shots docs
