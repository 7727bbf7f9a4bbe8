#!/usr/bin/env bash
# SIGTERM while a job's zip hangs: the program ends within five seconds, the previous archives
# stay byte for byte as they were, nothing else is left in the target, and the log says that
# the run was stopped.
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
[ "$(cd "$work/target" && md5sum Nightly.zip Nightly_1.zip)" = "$previous" ] || fail "the previous archives changed"
[ "$(ls -A "$work/target")" = "$(printf 'Nightly.zip\nNightly_1.zip')" ] || fail "left in the target: $(ls -A "$work/target")"
grep -q "Backup Job 'Nightly' was stopped." "$app/arkwell.log" || fail "the log does not say that the run was stopped"
echo "took $took ms"
echo "PASS"
