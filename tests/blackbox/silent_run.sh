#!/usr/bin/env bash
# The real program with no display: started with /SILENT just before a job's start time it
# runs the job, a second silent start ends at once and quietly, SIGTERM ends it with its
# preferences written, and the lock of a killed instance does not block the next start.
# Only the wall clock is faked, ten times fast; the timers keep real time (five real seconds a
# tick). The agent starts two fake minutes, twelve real seconds, before the job's start time, a
# margin no slow start-up (a font cache rebuilt, a loaded machine) comes near.
set -euo pipefail
exe=$(readlink -f "$1")
work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill -KILL "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

app=$work/app
mkdir -p "$app/BackupJobs" "$work/source" "$work/target"
cp "$exe" "$app/arkwell"
ln -s "$(readlink -f "$(dirname "$exe")/zip")" "$app/zip"
echo "the first file" > "$work/source/one.txt"
echo "the second file" > "$work/source/two.txt"
job=$app/BackupJobs/Nightly.awj
printf 'Nightly\r\nJan-05-2026\r\n10:00:00 AM\r\n1\r\n254\r\n0\r\nTrue\r\n3\r\n\r\nFalse\r\nFalse\r\n%s/\r\n%s/*.*\r\n\r\n' \
  "$work/target" "$work/source" > "$job"

unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
export TZ=UTC LC_ALL=C.UTF-8
clock=(env FAKETIME_DONT_FAKE_MONOTONIC=1 faketime -f "@2026-03-02 09:58:00 x10")

# Waits (at most 60 s) until the command succeeds.
await() {
  for _ in $(seq 300); do "$@" && return 0; sleep 0.2; done
  return 1
}

# Starts the program in the background under the fast clock; sets $wrapper (faketime, which
# waits for the program and passes on its exit status) and $agent (the program itself).
launch() {
  "${clock[@]}" "$app/arkwell" /SILENT 2> "$work/$1.err" &
  wrapper=$!
  pids+=("$wrapper")
  await pgrep -P "$wrapper" > /dev/null || fail "$1 start: the program did not start"
  agent=$(pgrep -P "$wrapper")
  pids+=("$agent")
}

# Ends the program with a signal and checks that it ended by itself with status 0.
finish() {
  kill "-$1" "$agent"
  wait "$wrapper" || fail "$1 ended the program with status $?"
  pids=()
}

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
[ "$(cat "$app/Arkwell.txt")" = "$(printf ' 99 \r\n-1 \r\n')" ] || fail "preferences: $(od -c "$app/Arkwell.txt")"
flock -n "$app/arkwell.lock" true || fail "the lock stayed held"

# The lock of an instance that was killed does not block the next start.
launch third
await eval '! flock -n "$app/arkwell.lock" true' || fail "the third start took no lock"
kill -KILL "$agent"
wait "$wrapper" 2> /dev/null || true
pids=()
[ -e "$app/arkwell.lock" ] || fail "the killed instance left no lock file to test with"
launch fourth
await eval '! flock -n "$app/arkwell.lock" true' || fail "the start after a killed instance did not take the lock: $(cat "$work/fourth.err")"
kill -0 "$agent" || fail "the start after a killed instance ended"
finish INT
echo "PASS"
