#!/usr/bin/env bash
# A job whose target is a drive's mount point under /mnt: while the drive is not mounted the
# due time passes, nothing is written into the empty mount point and the job is waiting; once
# the drive is mounted the job runs within two ticks and its archive is on the drive.
# Mounting takes root: an ordinary user skips the test.
if [ "$(id -u)" != 0 ]; then
  echo "SKIP: mounting a filesystem takes root"
  exit 77
fi
source "$(dirname "$0")/agent.bash"
drive=$(mktemp -d /mnt/arkwell-drive.XXXXXX)
unmount_drive() { if mountpoint -q "$drive"; then umount "$drive"; fi; }
trap 'cleanup; unmount_drive; rmdir "$drive"' EXIT
# The job targets the mount point; it was last run today, so no missed run is made up.
sed -i "s|$work/target/|$drive/|; 2s|.*|Mar-02-2026\r|" "$job"

launch first
await grep -qs "Backup Job 'Nightly' waits for its target" "$app/arkwell.log" \
  || fail "the job did not wait; log: $(cat "$app/arkwell.log" 2> /dev/null); stderr: $(cat "$work/first.err")"
[ -z "$(ls -A "$drive")" ] || fail "something was written into the empty mount point: $(ls -A "$drive")"
grep -q "^result=waiting" "$app/RunRecords/Nightly.run" || fail "the run record does not say waiting: $(cat "$app/RunRecords/Nightly.run")"

mount -t tmpfs arkwell-drive "$drive"
for _ in $(seq 50); do [ -s "$drive/Nightly.zip" ] && break; sleep 0.2; done
[ -s "$drive/Nightly.zip" ] || fail "no archive on the drive within 10 s; log: $(cat "$app/arkwell.log")"
await grep -qs "Backup Job 'Nightly' completed" "$app/arkwell.log" || fail "the run did not complete: $(cat "$app/arkwell.log")"
unzip -tqq "$drive/Nightly.zip" || fail "the archive does not test sound"
grep -q "Backup Job 'Nightly' runs now that its target is back, for its run due Mar-02-2026 10:00 AM." "$app/arkwell.log" \
  || fail "the log does not name the waited moment: $(cat "$app/arkwell.log")"
finish TERM
umount "$drive"
[ -z "$(ls -A "$drive")" ] || fail "the run wrote under the mount point: $(ls -A "$drive")"
echo "PASS"
