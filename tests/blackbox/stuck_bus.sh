#!/usr/bin/env bash
# On a virtual display, a session bus that accepts the connection and never answers (asked by
# the tray icon and by a failing job's notification) holds nothing: the job due after the
# failing one still runs, and SIGTERM ends the program within five seconds. SIGHUP (the
# terminal closed) ends it the same way: status 0, preferences written, lock released.
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi
display=$DISPLAY
source "$(dirname "$0")/agent.bash"
export DISPLAY=$display
printf ' 99 \r\n 0 \r\n-1 \r\n' > "$app/Arkwell.txt"  # a failed run asks nothing

perl -MIO::Socket::UNIX -e 'my $bus = IO::Socket::UNIX->new(Local => $ARGV[0], Listen => 50) or die "$!";
  my @held; while (my $peer = $bus->accept) { push @held, $peer }' "$work/bus" &
bus=$!
pids+=("$bus")
await test -S "$work/bus" || fail "the stand-in bus did not start"
export DBUS_SESSION_BUS_ADDRESS=unix:path=$work/bus
# "Archive" sorts first: its failure is told before "Nightly" runs.
sed -e 's/^Nightly\r$/Archive\r/' -e "s|$work/source/|$work/missing/|" "$job" > "$app/BackupJobs/Archive.awj"

ends_within_5s() {
  local signalled took
  signalled=$(date +%s%N)
  finish "$1"
  pids=("$bus")
  took=$(( ($(date +%s%N) - signalled) / 1000000 ))
  [ "$took" -lt 5000 ] || fail "the program took $took ms to end after SIG$1"
  ! lock_held || fail "the lock stayed held after SIG$1"
}

launch stuck
await test -s "$work/target/Nightly.zip" || fail "no archive behind the failed job; stderr: $(cat "$work/stuck.err")"
grep -q "Backup Job 'Archive' failed" "$app/arkwell.log" || fail "the failing job did not run first"
ends_within_5s TERM
grep -q "the session bus at '.*' does not answer" "$work/stuck.err" || fail "the silent bus was not told"

rm "$app/Arkwell.txt"
launch hangup
await lock_held || fail "the second start took no lock: $(cat "$work/hangup.err")"
ends_within_5s HUP
[ -s "$app/Arkwell.txt" ] || fail "SIGHUP ended the program without writing its preferences"
kill "$bus"
wait "$bus" 2> /dev/null || true
echo "PASS"
