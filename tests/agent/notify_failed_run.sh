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
source "$(dirname "$0")/../support/agent_run.sh"

make_app "$exe"
echo "a file" > "$work/source/one.txt"
# name, source folder
write_job() {
  printf '%s\r\nJan-05-2026\r\n10:00:00 AM\r\n1\r\n254\r\n0\r\nTrue\r\n3\r\n\r\nFalse\r\nFalse\r\n%s/\r\n%s/*.*\r\n\r\n' \
    "$1" "$work/target" "$2" > "$app/BackupJobs/$1.awj"
}
write_job Alpha "$work/source"
write_job Broken "$work/missing"

"$standin" > "$work/record" &
pids+=($!)
await grep -q ready "$work/record" || fail "the stand-in notification service did not start"

unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
export TZ=UTC LC_ALL=C.UTF-8
start_agent "@2026-03-02 09:58:00 x10" "$work/agent.err"

await test -s "$work/target/Alpha.zip" || fail "the completing job made no archive; stderr: $(cat "$work/agent.err")"
await grep -q "Broken" "$work/record" || fail "no notification for the failed job; stderr: $(cat "$work/agent.err")"
[ "$(grep -cv '^ready$' "$work/record")" -eq 1 ] || fail "more than one notification: $(cat "$work/record")"
grep -q "^Arkwell	Backup Job 'Broken' failed	.*does not exist" "$work/record" || fail "notification: $(cat "$work/record")"
kill -TERM "$agent"
wait "$wrapper" || fail "SIGTERM ended the program with status $?"
echo "PASS"
