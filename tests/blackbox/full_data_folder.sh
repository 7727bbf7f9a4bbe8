#!/usr/bin/env bash
# The data folder on a full filesystem (a small tmpfs; an ordinary user mounts it in a user
# namespace of its own): the agent stays up and runs its due job into a target elsewhere, says
# once, naming the real path, that it can't write its own files, and ends on SIGTERM with
# status 0.
if [ "$(id -u)" != 0 ]; then
  unshare -Urm true 2> /dev/null || { echo "SKIP: no root and no user namespace to mount a full tmpfs in"; exit 0; }
  exec unshare -Urm bash "$0" "$@"
fi
source "$(dirname "$0")/agent.bash"
full=$work/full
mkdir "$full"
mount -t tmpfs -o size=32m tmpfs "$full" || fail "no tmpfs could be mounted"
trap 'for pid in "${pids[@]}"; do kill -KILL "$pid" 2> /dev/null || true; done; umount -l "$full"; rm -rf "$work"' EXIT
cp -a "$app/." "$full/"
app=$full
dd if=/dev/zero of="$app/filler" bs=64k 2> /dev/null || true  # until the filesystem is full

launch full
await test -s "$work/target/Nightly.zip" || fail "no archive; stderr: $(cat "$work/full.err")"
unzip -tqq "$work/target/Nightly.zip" || fail "the archive does not test sound"
kill -0 "$agent" || fail "the agent ended: $(cat "$work/full.err")"
for file in BackupJobs/Nightly.awj RunRecords/Nightly.run arkwell.log; do
  told=$(grep -c "^Arkwell can't write its own files: Disk full: '$app/$file'" "$work/full.err" || true)
  [ "$told" = 1 ] || fail "$file was told $told times: $(cat "$work/full.err")"
done
finish TERM
echo "PASS"
