#!/usr/bin/env bash
# The real program with no display, started with /SILENT at noon, after its 10:00 AM job's
# start time, makes up the run it missed about a minute after start-up, exactly once, and the
# transaction log says which run it makes up for (the timers keep real time, so the make-up
# comes a real minute after the start). A second silent start ends at once and quietly; SIGTERM
# ends the agent with its preferences written; the lock of a killed agent blocks no start.
source "$(dirname "$0")/agent.bash"
clock=(env FAKETIME_DONT_FAKE_MONOTONIC=1 faketime -f "@2026-03-02 12:00:00")

# Waits (at most 120 s) until the command succeeds.
await_long() {
  for _ in $(seq 600); do "$@" && return 0; sleep 0.2; done
  return 1
}

launch first
await_long test -s "$work/target/Nightly.zip" || fail "no missed run was made up; stderr: $(cat "$work/first.err")"
unzip -tqq "$work/target/Nightly.zip" || fail "the archive does not test sound"
# Two more ticks: a second run would shift the first archive into the place of copy 1.
sleep 11
[ ! -e "$work/target/Nightly_1.zip" ] || fail "the missed run was made up more than once"
made_up=$(grep -c "Backup Job 'Nightly' runs now to make up for its run due Mar-02-2026 10:00 AM" "$app/arkwell.log" || true)
[ "$made_up" = 1 ] || fail "the log names the made-up run $made_up times: $(cat "$app/arkwell.log")"
[ "$(sed -n 2p "$job" | tr -d '\r')" = "Mar-02-2026" ] || fail "line 2 of the job file is $(sed -n 2p "$job")"

timeout 20 "${clock[@]}" "$app/arkwell" /SILENT 2> "$work/second.err" || fail "the second start ended with status $?"
! grep -q "Arkwell" "$work/second.err" || fail "the second silent start spoke: $(cat "$work/second.err")"
kill -0 "$agent" || fail "the first agent ended"
finish TERM
[ "$(cat "$app/Arkwell.txt")" = "$(printf ' 99 \r\n-1 \r\n-1 \r\n')" ] || fail "preferences: $(od -c "$app/Arkwell.txt")"
! lock_held || fail "the lock stayed held"

launch killed
await lock_held || fail "the third start took no lock"
kill -KILL "$agent"
wait "$wrapper" 2> /dev/null || true
launch after
await lock_held || fail "the start after a killed agent took no lock: $(cat "$work/after.err")"
finish INT
echo "PASS"
