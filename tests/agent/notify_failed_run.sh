#!/usr/bin/env bash
# The real program, headless with /SILENT, on a session bus of its own with a stand-in
# notification service: of two jobs due at the same moment, "Nightly" completes and
# "Offsite" fails (its source folder is missing); exactly one notification comes, naming the
# failed job. The completing job runs first, so a notification it wrongly caused would arrive
# before the one awaited.
if [ -z "${ARKWELL_OWN_BUS:-}" ]; then
  exec env ARKWELL_OWN_BUS=1 dbus-run-session --config-file="$(dirname "$0")/../support/session-bus.conf" -- bash "$0" "$@"
fi
standin=$(readlink -f "$2")
source "$(dirname "$0")/../blackbox/agent.bash"

sed -e 's/^Nightly\r$/Offsite\r/' -e "s|$work/source/|$work/missing/|" "$job" > "$app/BackupJobs/Offsite.awj"

"$standin" > "$work/record" &
service=$!
pids+=("$service")
await grep -q ready "$work/record" || fail "the stand-in notification service did not start"

launch agent
await test -s "$work/target/Nightly.zip" || fail "the completing job made no archive; stderr: $(cat "$work/agent.err")"
await grep -q "Offsite" "$work/record" || fail "no notification for the failed job; stderr: $(cat "$work/agent.err")"
[ "$(grep -cv '^ready$' "$work/record")" -eq 1 ] || fail "more than one notification: $(cat "$work/record")"
grep -q "^Arkwell	Backup Job 'Offsite' failed	.*does not exist" "$work/record" || fail "notification: $(cat "$work/record")"
finish TERM  # forgets the processes to kill at the end, so the service is ended here
kill "$service"
echo "PASS"
