#!/usr/bin/env bash
# The real program started at noon, after its 10:00 AM job's start time, makes up the run it
# missed about a minute after start-up, exactly once, and the transaction log says which run it
# makes up for. The timers keep real time, so the make-up comes a real minute after the start.
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
finish TERM
echo "PASS"
