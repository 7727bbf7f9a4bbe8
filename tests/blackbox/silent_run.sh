#!/usr/bin/env bash
# The real program with no display: started with /SILENT just before a job's start time it
# runs the job, a second silent start ends at once and quietly, SIGTERM ends it with its
# preferences written, and the lock of a killed instance does not block the next start.
# The agent starts twelve real seconds before the job's start time, a margin no slow start-up (a
# font cache rebuilt, a loaded machine) comes near.
source "$(dirname "$0")/agent.bash"

launch first
await test -s "$work/target/Nightly.zip" || fail "no archive appeared; stderr: $(cat "$work/first.err")"
unzip -t "$work/target/Nightly.zip" > /dev/null || fail "the archive does not test sound"
# The listing is read whole first: grep -q ending early would give unzip a broken pipe.
listing=$(unzip -l "$work/target/Nightly.zip")
grep -q "two.txt" <<< "$listing" || fail "two.txt is not in the archive: $listing"
[ "$(sed -n 2p "$job" | tr -d '\r')" = "Mar-02-2026" ] || fail "line 2 of the job file is $(sed -n 2p "$job")"
grep -q "Nightly" "$app/arkwell.log" || fail "the transaction log does not name the job"

# A second silent start ends at once with status 0, says nothing and leaves the first running.
timeout 20 "${clock[@]}" "$app/arkwell" /SILENT 2> "$work/second.err" || fail "the second start ended with status $?"
! grep -q "Arkwell" "$work/second.err" || fail "the second silent start spoke: $(cat "$work/second.err")"
kill -0 "$agent" || fail "the first instance ended"

# SIGTERM ends it as Exit does: preferences written, lock released.
finish TERM
[ "$(cat "$app/Arkwell.txt")" = "$(printf ' 99 \r\n-1 \r\n-1 \r\n')" ] || fail "preferences: $(od -c "$app/Arkwell.txt")"
! lock_held || fail "the lock stayed held"

# The lock of an instance that was killed does not block the next start.
launch third
await lock_held || fail "the third start took no lock"
kill -KILL "$agent"
wait "$wrapper" 2> /dev/null || true
pids=()
[ -e "$app/arkwell.lock" ] || fail "the killed instance left no lock file to test with"
launch fourth
await lock_held || fail "the start after a killed instance did not take the lock: $(cat "$work/fourth.err")"
kill -0 "$agent" || fail "the start after a killed instance ended"
finish INT
echo "PASS"
