#!/usr/bin/env bash
# SIGTERM while a job's zip hangs: the program ends within five seconds, the previous archives
# stay byte for byte as they were, nothing else is left in the target, and the log says that
# the run was stopped. SIGTERM and SIGINT (Ctrl-C) stop a run of `arkwell run` the same way,
# ending it with status 3.
source "$(dirname "$0")/agent.bash"

(cd "$work/source" && zip -q "$work/target/Nightly.zip" one.txt && zip -q "$work/target/Nightly_1.zip" two.txt)
previous=$(cd "$work/target" && md5sum Nightly.zip Nightly_1.zip)

# The stand-in zip starts an archive wherever it is told to write one, then hangs.
rm "$app/zip"
printf '#!/bin/sh\nfor a; do case $a in */*.zip) echo partial > "$a";; esac; done\ntouch "$0.started"\nexec sleep 60\n' \
  > "$app/zip"
chmod +x "$app/zip"

launch agent
await test -e "$app/zip.started" || fail "the job's zip never started: $(cat "$work/agent.err")"
signalled=$(date +%s%N)
finish TERM
took=$(( ($(date +%s%N) - signalled) / 1000000 ))
[ "$took" -lt 5000 ] || fail "the program took $took ms to end after SIGTERM"
target_as_before() {
  [ "$(cd "$work/target" && md5sum Nightly.zip Nightly_1.zip)" = "$previous" ] || fail "$1: the previous archives changed"
  [ "$(ls -A "$work/target")" = "$(printf 'Nightly.zip\nNightly_1.zip')" ] || fail "$1: left in the target: $(ls -A "$work/target")"
}
target_as_before SIGTERM
grep -q "Backup Job 'Nightly' was stopped." "$app/arkwell.log" || fail "the log does not say that the run was stopped"
echo "took $took ms"

for signal in TERM INT; do
  rm -f "$app/zip.started" "$app/arkwell.log"
  "$app/arkwell" run Nightly > /dev/null 2> "$work/run.err" &
  run=$!
  pids+=("$run")
  await test -e "$app/zip.started" || fail "arkwell run: zip never started: $(cat "$work/run.err")"
  kill "-$signal" "$run"
  status=0
  wait "$run" || status=$?
  [ "$status" = 3 ] || fail "SIG$signal ended arkwell run with status $status: $(cat "$work/run.err")"
  target_as_before "arkwell run, SIG$signal"
  grep -q "Backup Job 'Nightly' was stopped." "$app/arkwell.log" || fail "arkwell run, SIG$signal: not logged as stopped"
done
echo "PASS"
