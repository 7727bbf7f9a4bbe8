#!/bin/bash
# What the agent costs while it waits in the tray: CPU to start with many jobs listed, CPU of
# the scheduler's five-second check, and resident memory. No display is needed.
# Usage: bash bench/agent_bench.sh [jobs=500] [seconds=30]
# The clock runs ten times fast under faketime, so the given seconds hold ten times as many
# checks as they would in real time.
set -euo pipefail
jobs=${1:-500}
seconds=${2:-30}
cd "$(dirname "$0")/.."
cmake -S . -B build > /dev/null
cmake --build build -j2 --target arkwell > /dev/null
work=$(mktemp -d)
pid=
wrapper=
cleanup() {
  for process in $pid $wrapper; do kill -KILL "$process" 2> /dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

app=$work/app
mkdir -p "$app/BackupJobs" "$work/source" "$work/target"
cp build/app/arkwell "$app/arkwell"
ln -s "$(readlink -f build/app/zip)" "$app/zip"
# Daily jobs that ran today: listed and checked on every tick, none due.
for i in $(seq "$jobs"); do
  printf 'Job %s\r\nMar-02-2026\r\n10:00:00 AM\r\n1\r\n254\r\n0\r\nTrue\r\n3\r\n\r\nFalse\r\nFalse\r\n%s/\r\n%s/*.*\r\n\r\n' \
    "$i" "$work/target" "$work/source" > "$app/BackupJobs/Job$i.awj"
done

unset DISPLAY WAYLAND_DISPLAY
export TZ=UTC LC_ALL=C.UTF-8 QT_QPA_PLATFORM=offscreen HOME=$work

# CPU seconds (user + system) the process has used so far.
cpu() { awk -v hz="$(getconf CLK_TCK)" '{ printf "%.3f", ($14 + $15) / hz }' "/proc/$pid/stat"; }

faketime -f "@2026-03-02 12:00:00 x10" "$app/arkwell" /SILENT 2> "$work/err" &
wrapper=$!
sleep 3
# faketime waits for the program as its child: measure the program itself.
pid=$(pgrep -P "$wrapper" -x arkwell) || { echo "the agent did not start: $(cat "$work/err")" >&2; exit 1; }
started=$(cpu)
sleep "$seconds"
waited=$(cpu)
rss=$(awk '/^VmRSS:/ { print $2 }' "/proc/$pid/status")
kill -TERM "$pid"
wait "$wrapper" || true
pid=

ticks=$((seconds * 10 / 5))
awk -v jobs="$jobs" -v started="$started" -v waited="$waited" -v ticks="$ticks" -v rss="$rss" 'BEGIN {
  printf "start-up with %d jobs listed: %.3f s CPU (in the first 3 s)\n", jobs, started
  printf "scheduler check over %d jobs: %.2f ms CPU each (%d checks)\n", jobs, (waited - started) * 1000 / ticks, ticks
  printf "resident memory: %.1f MiB\n", rss / 1024
}'
