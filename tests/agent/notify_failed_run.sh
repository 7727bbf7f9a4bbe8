#!/usr/bin/env bash
# The real program, headless with /SILENT, on a session bus of its own with a stand-in
# notification service: of two jobs due at the same moment, one completes and one fails (its
# source folder is missing); exactly one notification comes, naming the failed job.
# Only the wall clock is faked, ten times fast; the agent starts two fake minutes, twelve
# real seconds, before the jobs' start time. The completing job runs first, so a notification
# it wrongly caused would arrive before the one awaited.
set -euo pipefail
if [ -z "${ARKWELL_OWN_BUS:-}" ]; then
  exec env ARKWELL_OWN_BUS=1 dbus-run-session -- bash "$0" "$@"
fi
exe=$(readlink -f "$1")
standin=$(readlink -f "$2")
work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill -KILL "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
await() {  # at most 60 s
  for _ in $(seq 300); do "$@" && return 0; sleep 0.2; done
  return 1
}

app=$work/app
mkdir -p "$app/BackupJobs" "$work/source" "$work/target"
cp "$exe" "$app/arkwell"
ln -s "$(readlink -f "$(dirname "$exe")/zip")" "$app/zip"
echo "a file" > "$work/source/one.txt"
# name, source folder
write_job() {
  printf '%s\r\nJan-05-2026\r\n10:00:00 AM\r\n1\r\n254\r\n0\r\nTrue\r\n3\r\n\r\nFalse\r\nFalse\r\n%s/\r\n%s/*.*\r\n\r\n' \
    "$1" "$work/target" "$2" > "$app/BackupJobs/$1.awj"
}
write_job Alpha "$work/source"
write_job Broken "$work/missing"

"$standin" "$work/record" > "$work/standin.out" &
pids+=($!)
await grep -q ready "$work/standin.out" || fail "the stand-in notification service did not start"

unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
export TZ=UTC LC_ALL=C.UTF-8
env FAKETIME_DONT_FAKE_MONOTONIC=1 faketime -f "@2026-03-02 09:58:00 x10" "$app/arkwell" /SILENT 2> "$work/agent.err" &
wrapper=$!  # faketime, which starts the program as its child
pids+=("$wrapper")
await pgrep -P "$wrapper" > /dev/null || fail "the program did not start"
agent=$(pgrep -P "$wrapper")
pids+=("$agent")

await test -s "$work/target/Alpha.zip" || fail "the completing job made no archive; stderr: $(cat "$work/agent.err")"
await grep -q "Broken" "$work/record" || fail "no notification for the failed job; stderr: $(cat "$work/agent.err")"
[ "$(wc -l < "$work/record")" -eq 1 ] || fail "more than one notification: $(cat "$work/record")"
grep -q "^Arkwell	Backup Job 'Broken' failed	.*does not exist" "$work/record" || fail "notification: $(cat "$work/record")"
kill -TERM "$agent"
wait "$wrapper" || fail "SIGTERM ended the program with status $?"
echo "PASS"
